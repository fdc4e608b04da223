#include "display/version_line.h"

std::string build_version_line() {
    return std::string();
}
