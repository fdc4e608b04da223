// Simulated time: real time since start, multiplied by the --speed factor.
#pragma once

#include <chrono>

namespace kodi_sim {

struct sim_clock {
    std::chrono::steady_clock::time_point start = std::chrono::steady_clock::now();
    double factor = 1.0;

    double seconds() const {
        const std::chrono::duration<double> real = std::chrono::steady_clock::now() - start;
        return real.count() * factor;
    }
    std::chrono::steady_clock::time_point real_time_of(double sim_seconds) const {
        return start + std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                           std::chrono::duration<double>(sim_seconds / factor));
    }
};

}  // namespace kodi_sim
