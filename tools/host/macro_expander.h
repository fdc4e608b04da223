// Expands the host macros in a text returned by the plug-in into LCD cells:
// $Center(text), $Bar(value,max,length), $Time(format), $CustomChar(slot, r0, ..., r7)
// and $Chr(code). Inner macros are expanded before outer ones; a macro with bad
// arguments, or without its closing parenthesis, is shown literally. Bytes 128 to 135
// are the display's user-definable characters 0 to 7.
#pragma once

#include <ctime>
#include <string>
#include <vector>

#include "host/lcd_cells.h"

namespace lcd {

struct expand_context {
    int width = 20;                 // display width, for $Center
    std::tm now{};                  // the local time $Time shows
    glyph_table* glyphs = nullptr;  // $CustomChar redefines slots here (ignored when null)
};

row expand_macros(const std::string& text, expand_context& context);

// A macro's arguments split on commas, as the host splits them: no quoting, no trimming.
std::vector<std::string> split_arguments(const std::string& text);

// Cells back to the 8-bit text they show; user characters become 128 + slot and
// bar cells '#' (filled) or ' '. Useful for tests and for plain logs.
std::string cells_to_text(const row& cells);

}  // namespace lcd
