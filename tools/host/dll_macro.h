// The display host's own call syntax in a screen line: $dll(name,number,param1,param2).
// Arguments are split on commas, without quoting or trimming; number 0 stands for 10.
#pragma once

#include <string>

#include "host/screen_file.h"

namespace lcd {

// What a row shows for a function the plug-in does not export.
std::string missing_function_text(int function);

// Reads the $dll( call that starts at pos in line and returns the position after it. part
// becomes the call, or, for a call the host cannot make (another plug-in's name, a number
// outside 0..20, a missing closing bracket, too many or too few arguments), a literal text
// saying why, which the row shows in its place. plugin_name is the loaded plug-in's file
// name without folder and suffix; the name in the call may differ in case and end in .dll.
size_t read_dll_macro(const std::string& line, size_t pos, const std::string& plugin_name,
                      screen_part& part);

}  // namespace lcd
