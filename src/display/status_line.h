#pragma once
#include <string>
std::string build_status_line();
// Artist, album or track of the playing song, as a $Center( line; may end the countdown.
std::string get_song_line();
