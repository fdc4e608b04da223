#include "host/glyph_symbols.h"

#include <bitset>

namespace lcd {

namespace {

struct known_glyph {
    glyph bitmap;
    const char* symbol;
    known_icon icon;
};

// The icons the plug-in draws, with the symbols that read the same in a terminal.
const known_glyph known_glyphs[] = {
    {{16, 24, 28, 30, 28, 24, 16, 0}, "\u25B6", known_icon::play},
    {{14, 14, 14, 14, 14, 14, 14, 0}, "\u25A0", known_icon::stop},
    {{27, 27, 27, 27, 27, 27, 27, 0}, "\u2016", known_icon::pause},
    {{0, 20, 26, 29, 29, 26, 20, 0}, "\u00BB", known_icon::fast_forward},
    {{0, 5, 11, 23, 23, 11, 5, 0}, "\u00AB", known_icon::rewind},
    {{8, 13, 10, 15, 11, 26, 12, 8}, "\u2298", known_icon::muted},
};

// Bitmaps this close to a known one (in differing pixels) take its symbol.
constexpr int nearest_limit = 6;

int lit_pixels(const glyph& bitmap) {
    int count = 0;
    for (uint8_t row : bitmap) count += static_cast<int>(std::bitset<5>(row).count());
    return count;
}

int distance(const glyph& a, const glyph& b) {
    int count = 0;
    for (int i = 0; i < glyph_rows; ++i)
        count += static_cast<int>(std::bitset<5>(static_cast<uint8_t>(a[i] ^ b[i])).count());
    return count;
}

const char* const bar_symbols[] = {" ", "\u258E", "\u258D", "\u258B", "\u258A", "\u2588"};

const known_glyph* nearest_known(const glyph& bitmap) {
    const known_glyph* nearest = nullptr;
    int best = nearest_limit + 1;
    for (const auto& known : known_glyphs) {
        const int d = distance(bitmap, known.bitmap);
        if (d < best) {
            best = d;
            nearest = &known;
        }
    }
    return nearest;
}

}  // namespace

known_icon glyph_icon(const glyph& bitmap) {
    const known_glyph* nearest = nearest_known(bitmap);
    return nearest ? nearest->icon : known_icon::none;
}

std::string glyph_symbol(const glyph& bitmap) {
    if (const known_glyph* nearest = nearest_known(bitmap)) return nearest->symbol;
    const int lit = lit_pixels(bitmap);
    const int all = glyph_rows * glyph_columns;
    if (lit == 0) return " ";
    if (lit * 4 < all) return "\u2591";
    if (lit * 2 < all) return "\u2592";
    if (lit * 4 < all * 3) return "\u2593";
    return "\u2588";
}

std::string latin1_symbol(uint8_t byte) {
    if (byte >= 0x20 && byte < 0x7f) return std::string(1, static_cast<char>(byte));
    if (byte < 0xa0) return "?";
    std::string text;
    text += static_cast<char>(0xc0 | (byte >> 6));
    text += static_cast<char>(0x80 | (byte & 0x3f));
    return text;
}

std::string cell_symbol(const cell& c, const glyph_table& glyphs) {
    switch (c.kind) {
        case cell::user_char:
            return glyph_symbol(glyphs[c.value % user_char_count]);
        case cell::bar:
            return bar_symbols[c.value <= bar_cell_columns ? c.value : bar_cell_columns];
        default:
            return latin1_symbol(c.value);
    }
}

}  // namespace lcd
