#include "display/version_line.h"

std::string build_version_line() {
    return "$Center( v2.0 " __DATE__ ")";
}

// In the same file as the version line, so that both show the same build date.
const char* version_and_date() {
    return "2.0 " __DATE__;
}
