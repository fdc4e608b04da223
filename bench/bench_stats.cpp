#include "bench_stats.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <thread>

namespace bench {

summary summarize(std::vector<double> samples) {
    summary result;
    result.count = samples.size();
    if (samples.empty()) return result;
    std::sort(samples.begin(), samples.end());
    auto rank = [&](double share) {
        const size_t index = static_cast<size_t>(std::ceil(share * samples.size()));
        return samples[std::min(samples.size() - 1, index == 0 ? 0 : index - 1)];
    };
    result.p50 = rank(0.50);
    result.p99 = rank(0.99);
    return result;
}

std::string format_number(double value, int decimals) {
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return text;
}

namespace {

std::string three_digits(double value, const char* unit) {
    const int decimals = value >= 100 ? 0 : value >= 10 ? 1 : 2;
    return format_number(value, decimals) + " " + unit;
}

}  // namespace

std::string format_duration(double nanoseconds) {
    if (nanoseconds < 1000) return three_digits(nanoseconds, "ns");
    if (nanoseconds < 1e6) return three_digits(nanoseconds / 1e3, "µs");
    if (nanoseconds < 1e9) return three_digits(nanoseconds / 1e6, "ms");
    return three_digits(nanoseconds / 1e9, "s");
}

std::string format_rate(double per_second) {
    if (per_second >= 1e6) return format_number(per_second / 1e6, 2) + " M/s";
    if (per_second >= 1e3) return format_number(per_second / 1e3, 1) + " k/s";
    return format_number(per_second, 0) + "/s";
}

std::string format_ratio(double subject, double floor) {
    if (!(floor > 0)) return "-";
    const double ratio = subject / floor;
    return format_number(ratio, ratio >= 10 ? 1 : 2) + "×";
}

double environment_number(const char* name, double fallback) {
    const char* text = std::getenv(name);
    if (!text || !*text) return fallback;
    char* end = nullptr;
    const double value = std::strtod(text, &end);
    return end && *end == '\0' ? value : fallback;
}

bool wait_for(const std::function<bool()>& condition, double timeout_seconds) {
    const auto deadline =
        clock::now() + std::chrono::microseconds(static_cast<int64_t>(timeout_seconds * 1e6));
    while (!condition()) {
        if (clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

}  // namespace bench
