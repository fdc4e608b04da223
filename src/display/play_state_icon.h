#pragma once
#include <string>
std::string play_state_icon();
