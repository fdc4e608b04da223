#include "memory_trend.h"

#include <algorithm>

namespace soak {

namespace {

long median_of(std::vector<long>::const_iterator begin, std::vector<long>::const_iterator end) {
    std::vector<long> window(begin, end);
    std::nth_element(window.begin(), window.begin() + window.size() / 2, window.end());
    return window[window.size() / 2];
}

}  // namespace

growth_halves growth_of(const std::vector<long>& samples) {
    if (samples.size() < 2) return {0, 0};
    const long size = static_cast<long>(samples.size());
    const long width = std::max(1L, size / 20);
    const auto at = [&](long first) {
        first = std::clamp(first, 0L, size - width);
        return median_of(samples.begin() + first, samples.begin() + first + width);
    };
    const long start = at(0), middle = at(size / 2 - width / 2), end = at(size - width);
    return {middle - start, end - middle};
}

bool still_growing(const growth_halves& growth, long noise) {
    return growth.second > noise && 2 * growth.second > growth.first;
}

}  // namespace soak
