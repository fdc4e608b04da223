#include "display/title_line.h"

std::string build_title_line() {
    return std::string();
}

std::string center_text(const std::string& text, int) {
    return text;
}
