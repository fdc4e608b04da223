// Terminal stand-ins for LCD cells: a user character becomes the symbol its bitmap
// looks like, a bar cell a partial block.
#pragma once

#include <string>

#include "host/lcd_cells.h"

namespace lcd {

// The icons the plug-in draws, recognised by their bitmaps.
enum class known_icon { none, play, stop, pause, fast_forward, rewind, muted };

// The icon a bitmap shows: an exact match or one a few pixels off; none otherwise.
known_icon glyph_icon(const glyph& bitmap);

// One terminal column of UTF-8 for a 5x8 bitmap: the nearest known symbol (play, stop,
// pause, fast-forward, rewind, muted) or a shade block by how many pixels are lit.
std::string glyph_symbol(const glyph& bitmap);

// One terminal column of UTF-8 for any cell.
std::string cell_symbol(const cell& c, const glyph_table& glyphs);

// A byte of the display's character set, read as Latin-1; control codes become '?'.
std::string latin1_symbol(uint8_t byte);

}  // namespace lcd
