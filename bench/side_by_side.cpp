#include "side_by_side.h"

#include <algorithm>
#include <chrono>
#include <cstdio>

double SecondsOf(const std::function<void()>& work, Clock clock)
{
    if (clock == Clock::ThreadCpu) {
        double start = ThreadCpuSeconds();
        work();
        return ThreadCpuSeconds() - start;
    }
    auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

double Median(std::vector<double> values)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

SideBySide TimeSideBySide(int rounds, const std::function<void()>& measured, const std::function<void()>& baseline,
                          Clock clock)
{
    measured();
    baseline();
    std::vector<double> measuredTimes, baselineTimes, ratios;
    for (int round = 0; round < rounds; ++round) {
        double m = 0, b = 0;
        if (round % 2 == 0) {
            m = SecondsOf(measured, clock);
            b = SecondsOf(baseline, clock);
        } else {
            b = SecondsOf(baseline, clock);
            m = SecondsOf(measured, clock);
        }
        measuredTimes.push_back(m);
        baselineTimes.push_back(b);
        ratios.push_back(b > 0 ? m / b : 0);
    }
    return {Median(measuredTimes), Median(baselineTimes), Median(ratios)};
}

void PrintRow(const std::string& figure, const std::string& target, const std::string& result)
{
    std::printf("ROW\t%s\t%s\t%s\n", figure.c_str(), target.c_str(), result.c_str());
    std::fflush(stdout);
}

std::string Fixed(double value, int digits)
{
    char text[64];
    int length = std::snprintf(text, sizeof text, "%.*f", digits, value);
    return length > 0 && static_cast<size_t>(length) < sizeof text ? text : "?";
}
