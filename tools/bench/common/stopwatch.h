#pragma once
// Elapsed wall-clock time from the performance counter.

#include <windows.h>

namespace bench {

class Stopwatch {
public:
    Stopwatch() { ::QueryPerformanceCounter(&start_); }
    // Microseconds since construction.
    double ElapsedMicroseconds() const {
        LARGE_INTEGER now, frequency;
        ::QueryPerformanceCounter(&now);
        ::QueryPerformanceFrequency(&frequency);
        return static_cast<double>(now.QuadPart - start_.QuadPart) * 1e6 /
               static_cast<double>(frequency.QuadPart);
    }

private:
    LARGE_INTEGER start_;
};

// Average microseconds per call of fn over `calls` calls.
template <class Fn>
double TimePerCall(unsigned calls, Fn&& fn) {
    Stopwatch watch;
    for (unsigned i = 0; i < calls; ++i) fn();
    return watch.ElapsedMicroseconds() / calls;
}

}  // namespace bench
