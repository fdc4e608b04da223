#pragma once
#include <string>
std::string build_title_line();
std::string center_text(const std::string& text, int width);
