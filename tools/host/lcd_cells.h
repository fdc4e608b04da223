// What one LCD row is made of once the host macros are expanded.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

namespace lcd {

struct cell {
    enum kind_t : uint8_t {
        text,       // value: a byte of the display's 8-bit character set, shown as Latin-1
        user_char,  // value: user-definable character slot 0..7
        bar,        // value: filled columns of a bar cell, 0..5
    };
    kind_t kind = text;
    uint8_t value = ' ';

    bool operator==(const cell& other) const { return kind == other.kind && value == other.value; }
    bool operator!=(const cell& other) const { return !(*this == other); }
};

using row = std::vector<cell>;

constexpr int user_char_count = 8;
constexpr int glyph_rows = 8;
constexpr int glyph_columns = 5;
constexpr int bar_cell_columns = 5;

// Eight 5-bit rows per slot, top row first; bit 4 is the leftmost column.
using glyph = std::array<uint8_t, glyph_rows>;
using glyph_table = std::array<glyph, user_char_count>;

inline cell text_cell(uint8_t byte) {
    return cell{cell::text, byte};
}

}  // namespace lcd
