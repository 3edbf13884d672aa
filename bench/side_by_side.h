#pragma once
// Timing for benchmarks on a busy machine: the measured code and its baseline run alternately
// in one process, round after round, so both see the same load; medians are reported.
#include <functional>
#include <string>
#include <vector>

// Wall time, for work that waits (pauses, sockets, other processes); the calling thread's CPU
// time, for work that only computes, so that time spent waiting for a busy machine's cores
// does not count.
enum class Clock { Wall, ThreadCpu };

// Seconds that one call of the work took on the given clock.
double SecondsOf(const std::function<void()>& work, Clock clock = Clock::Wall);

// The calling thread's CPU time so far, in seconds (a platform layer of its own).
double ThreadCpuSeconds();

double Median(std::vector<double> values);

struct SideBySide {
    double measured = 0;  // median seconds of the measured code
    double baseline = 0;  // median seconds of the baseline
    double ratio = 0;     // median of the per-round ratios measured / baseline
};

// Runs measured and baseline alternately for the given rounds, the first of the pair swapped
// every round; a warm-up round of each comes first and is not counted.
SideBySide TimeSideBySide(int rounds, const std::function<void()>& measured, const std::function<void()>& baseline,
                          Clock clock = Clock::Wall);

// One row of the results table: a line "ROW<TAB>figure<TAB>target<TAB>result" that
// tools/run-benchmarks.sh collects.
void PrintRow(const std::string& figure, const std::string& target, const std::string& result);

// The number with the given digits after the point.
std::string Fixed(double value, int digits);
