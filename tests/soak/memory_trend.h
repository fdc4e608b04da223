// Tells a leak from allocator warm-up by how memory grows over a run of restarts: a leak
// grows about as much in the second half as in the first; caches and pools that fill up
// grow in the first half and then stay.
#pragma once

#include <vector>

namespace soak {

struct growth_halves {
    long first;   // from the start to the middle
    long second;  // from the middle to the end
};

// Growth of samples taken once per restart; each of the three points is the median of a
// few samples around it, so that one odd sample does not decide.
growth_halves growth_of(const std::vector<long>& samples);

// Whether the second half still grows: by more than noise, and by more than half of what
// the first half grew.
bool still_growing(const growth_halves& growth, long noise);

}  // namespace soak
