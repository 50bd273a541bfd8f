#pragma once
// Named timing figures, each with its target, measured and printed one per line:
// "<name>: <median> ms (target <= <target> ms)".
#include <windows.h>

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

// Milliseconds since construction, from the performance counter.
class StopWatch {
  public:
    StopWatch();
    double ElapsedMs() const;

  private:
    LARGE_INTEGER m_start;
};

// The median of runs calls of oneRun, each returning the milliseconds it measured itself, so a
// run can keep its own setup out of the figure. One extra call first warms caches up unmeasured.
double MedianMs(int runs, const std::function<double()>& oneRun);

struct Measurement {
    std::string name;
    double targetMs;   // 0: a breakdown figure without a target of its own
    const char* unit;  // "ms", or "x" for a ratio of two figures
    // The figure in milliseconds; negative when it could not be measured.
    std::function<double()> measure;
};

class BenchTable {
  public:
    void Add(std::string name, double targetMs, std::function<double()> measure);
    // A figure in another unit ("x" for a ratio, "MB"), with its greatest allowed value.
    void AddFigure(std::string name, double target, const char* unit, std::function<double()> measure);
    // Measures and prints every figure whose name contains filter (all for an empty one), in
    // the order added; returns how many missed their target or could not be measured.
    int Run(const std::string& filter, FILE* out) const;

  private:
    std::vector<Measurement> m_measurements;
};
