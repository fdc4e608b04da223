#include "display/status_line.h"

std::string build_status_line() {
    return std::string();
}

std::string get_song_line() {
    return std::string();
}
