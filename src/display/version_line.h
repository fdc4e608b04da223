#pragma once
#include <string>
std::string build_version_line();
// "2.0 Aug 30 2016": the version and the build date the version line shows.
const char* version_and_date();
