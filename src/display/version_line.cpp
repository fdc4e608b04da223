#include "display/version_line.h"

std::string build_version_line() {
    return "$Center( v2.0 " __DATE__ ")";
}
