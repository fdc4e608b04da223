#pragma once
#include <cstdint>
#include <string>
// The icon for a play state, or for muted sound whatever the state: a constant text.
const char* play_state_icon_text(bool muted, int32_t play_state);
std::string play_state_icon();
