// What plays and where: one position that moves on at the current speed from the last
// change. Every time the simulator reports, in properties and in info labels alike, is
// read from it, so they cannot disagree.
#pragma once

#include "kodi_sim/media_item.h"

namespace kodi_sim {

class playback {
  public:
    // Starts item at its resume point, at normal speed, at sim time now.
    playback(media_item item, double now);

    const media_item& item() const { return item_; }
    int speed() const { return speed_; }

    // Seconds into the item at sim time now, between 0 and the item's length.
    double position_at(double now) const;
    // Pause (0), normal speed (1), fast-forward or rewind, from now on.
    void set_speed(int speed, double now);
    // Jumps to target (held within the item) at now; returns the offset it jumped by.
    double seek(double target, double now);

  private:
    double clamped(double position) const;

    media_item item_;
    int speed_ = 1;
    double position_ = 0;  // at sim time since_
    double since_ = 0;
};

}  // namespace kodi_sim
