// The modes that the display lines tell apart, from the player state's mode text.
#pragma once

#include <cpprest/details/basic_types.h>

enum class display_mode { other, movie, episode, song, picture, channel, volume };

// Exact, case-sensitive: any other text, the empty one included, is display_mode::other.
display_mode display_mode_of(const utility::string_t& mode);
