#include "BenchTable.h"

#include <algorithm>

StopWatch::StopWatch() {
    QueryPerformanceCounter(&m_start);
}

double StopWatch::ElapsedMs() const {
    LARGE_INTEGER now;
    LARGE_INTEGER frequency;
    QueryPerformanceCounter(&now);
    QueryPerformanceFrequency(&frequency);
    return 1000.0 * static_cast<double>(now.QuadPart - m_start.QuadPart) / static_cast<double>(frequency.QuadPart);
}

double MedianMs(int runs, const std::function<double()>& oneRun) {
    oneRun();
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        times.push_back(oneRun());
    }
    if (times.empty()) {
        return -1;
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

void BenchTable::Add(std::string name, double targetMs, std::function<double()> measure) {
    m_measurements.push_back({std::move(name), targetMs, "ms", std::move(measure)});
}

void BenchTable::AddFigure(std::string name, double target, const char* unit, std::function<double()> measure) {
    m_measurements.push_back({std::move(name), target, unit, std::move(measure)});
}

int BenchTable::Run(const std::string& filter, FILE* out) const {
    int missed = 0;
    for (const Measurement& m : m_measurements) {
        if (!filter.empty() && m.name.find(filter) == std::string::npos) {
            continue;
        }
        const double ms = m.measure();
        if (ms < 0) {
            std::fprintf(out, "%s: not measured\n", m.name.c_str());
            ++missed;
        } else if (m.targetMs > 0) {
            const bool bMissed = ms > m.targetMs;
            std::fprintf(out, "%s: %.2f %s (target <= %g %s)%s\n", m.name.c_str(), ms, m.unit, m.targetMs, m.unit,
                         bMissed ? " MISSED" : "");
            missed += bMissed ? 1 : 0;
        } else {
            std::fprintf(out, "%s: %.2f %s\n", m.name.c_str(), ms, m.unit);
        }
        std::fflush(out);
    }
    return missed;
}
