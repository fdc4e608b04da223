#include "display/play_state_icon.h"

std::string play_state_icon() {
    return " ";
}
