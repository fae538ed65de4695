#pragma once
// Repeated measurements of one figure and their summary.

#include <string>
#include <vector>

namespace bench {

struct Summary {
    double median = 0;
    double min = 0;
    double max = 0;
    size_t count = 0;
};

Summary Summarize(std::vector<double> values);

}  // namespace bench
