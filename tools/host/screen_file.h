// Screen files say what each display row shows: one row per line, plain text around
// plug-in calls. A call is written as in the display host, $dll(plinthar,N,first,second)
// (see host/dll_macro.h), or in short: {N} calls functionN with empty parameters,
// {N:first:second} passes two (the second runs to the closing brace and may hold ':').
// {{ and }} are literal braces, and a line starting with '#' is a comment.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace lcd {

struct screen_part {
    int function = 0;  // 1..20; 0 for literal text
    std::string text;  // the literal text (function 0)
    std::string first_parameter;
    std::string second_parameter;
};

using screen_row = std::vector<screen_part>;

struct screen {
    std::vector<screen_row> rows;
};

struct screen_error {
    int line = 0;
    std::string message;
};

constexpr int function_count = 11;

// Parses the text of a screen file; on failure sets error (when given) and returns nothing.
// plugin_name is the name $dll( calls must give: the plug-in's file name without its suffix.
std::optional<screen> parse_screen(const std::string& text, screen_error* error = nullptr,
                                   const std::string& plugin_name = "plinthar");

// Reads and parses a file; error.line is 0 when the file could not be read.
std::optional<screen> load_screen(const std::string& path, screen_error& error,
                                  const std::string& plugin_name = "plinthar");

// Row 1 the title line {1}, row 2 the status line {2}.
screen default_screen();

}  // namespace lcd
