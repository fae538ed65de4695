#pragma once
// The benchmark table: every figure as its repeated values, every ratio to its
// baseline as the per-repeat quotients, each summarised as median, min and
// max, written as Markdown and as JSON.

#include <string>
#include <vector>

#include "bench/common/samples.h"

namespace bench {

struct FigureRow {
    std::string section;
    std::string name;
    std::string unit;
    std::vector<double> values;
};

struct RatioRow {
    std::string section;
    std::string name;
    std::vector<double> values;
    double target = 0;  // the highest acceptable median; 0 when there is none
};

class Report {
public:
    void AddFigure(const std::string& section, const std::string& name, const std::string& unit,
                   std::vector<double> values);
    void AddRatio(const std::string& section, const std::string& name, std::vector<double> values,
                  double target);
    void AddNote(const std::string& note);
    void SetContext(const std::string& key, const std::string& value);

    bool WriteMarkdown(const std::wstring& path) const;
    bool WriteJson(const std::wstring& path) const;

    // Ratios whose median is above their target.
    std::vector<std::string> MissedTargets() const;

private:
    std::vector<FigureRow> figures_;
    std::vector<RatioRow> ratios_;
    std::vector<std::string> notes_;
    std::vector<std::pair<std::string, std::string>> context_;
};

}  // namespace bench
