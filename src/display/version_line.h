#pragma once
#include <string>
std::string build_version_line();
