#include "kodi_sim/playback.h"

#include <algorithm>
#include <utility>

namespace kodi_sim {

playback::playback(media_item item, double now)
    : item_(std::move(item)), position_(item_.start_seconds), since_(now) {}

double playback::clamped(double position) const {
    return std::clamp(position, 0.0, std::max(item_.total_seconds, 0.0));
}

double playback::position_at(double now) const {
    // A picture has no length: its position stays where it started.
    if (item_.total_seconds <= 0) return position_;
    return clamped(position_ + (now - since_) * speed_);
}

void playback::set_speed(int speed, double now) {
    position_ = position_at(now);
    since_ = now;
    speed_ = speed;
}

double playback::seek(double target, double now) {
    const double from = position_at(now);
    position_ = clamped(target);
    since_ = now;
    return position_ - from;
}

}  // namespace kodi_sim
