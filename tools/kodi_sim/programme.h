// The looping programme the simulator plays: a movie, a TV episode, a song, a live TV
// channel and a picture, with pauses, fast-forward, rewind, volume changes and stops.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "kodi_sim/simulated_kodi.h"

namespace kodi_sim {

struct step {
    double after = 0;  // simulated seconds after the previous step
    std::string what;  // for the simulator's own output
    std::function<void(simulated_kodi&)> act;
};

std::vector<step> make_programme();

// Simulated seconds of one pass through the programme.
double programme_length(const std::vector<step>& steps);

// Titles the items show, in programme order (for tests and the README).
extern const char* const first_movie_title;

}  // namespace kodi_sim
