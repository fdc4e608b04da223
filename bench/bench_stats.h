// Samples, percentiles and the text forms the result table uses.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace bench {

using clock = std::chrono::steady_clock;

inline int64_t nanoseconds_between(clock::time_point from, clock::time_point to) {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(to - from).count();
}

struct summary {
    double p50 = 0;
    double p99 = 0;
    size_t count = 0;
};

// Median and 99th percentile (nearest rank) of samples.
summary summarize(std::vector<double> samples);

// 312 ns, 41.2 µs, 3.10 ms: three significant digits in a fitting unit.
std::string format_duration(double nanoseconds);
// 12 345/s, 1.23 M/s.
std::string format_rate(double per_second);
// 3.4×; "-" when the floor is not positive.
std::string format_ratio(double subject, double floor);
std::string format_number(double value, int decimals);

// Checks condition every millisecond until it holds (true) or timeout passes (false).
bool wait_for(const std::function<bool()>& condition, double timeout_seconds);

// Text of an environment variable as a number, or fallback when unset or unreadable.
double environment_number(const char* name, double fallback);

}  // namespace bench
