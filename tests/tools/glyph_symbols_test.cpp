#include "host/glyph_symbols.h"

#include <gtest/gtest.h>

namespace {

TEST(glyph_symbols, icons_map_to_the_symbols_they_look_like) {
    EXPECT_EQ(lcd::glyph_symbol({16, 24, 28, 30, 28, 24, 16, 0}), "\u25B6");
    EXPECT_EQ(lcd::glyph_symbol({27, 27, 27, 27, 27, 27, 27, 0}), "\u2016");
    EXPECT_EQ(lcd::glyph_symbol({0, 5, 11, 23, 23, 11, 5, 0}), "\u00AB");
    EXPECT_EQ(lcd::glyph_symbol({16, 24, 28, 30, 28, 24, 16, 16}), "\u25B6") << "nearest match";
    EXPECT_EQ(lcd::glyph_symbol({}), " ");
    EXPECT_EQ(lcd::glyph_symbol({31, 31, 31, 31, 31, 31, 31, 31}), "\u2588");
    EXPECT_EQ(lcd::glyph_symbol({1, 0, 0, 0, 0, 0, 0, 4}), "\u2591");
    EXPECT_EQ(lcd::glyph_symbol({31, 0, 0, 0, 0, 0, 0, 31}), "\u2592");
}

TEST(glyph_symbols, cells_become_one_terminal_column_without_control_codes) {
    const lcd::glyph_table glyphs{};
    EXPECT_EQ(lcd::cell_symbol(lcd::text_cell('A'), glyphs), "A");
    EXPECT_EQ(lcd::cell_symbol(lcd::text_cell(0xe9), glyphs), "\u00E9");
    for (int code : {0x00, 0x07, 0x0a, 0x1b, 0x7f, 0x9b})
        EXPECT_EQ(lcd::cell_symbol(lcd::text_cell(static_cast<uint8_t>(code)), glyphs), "?")
            << "no terminal escapes from plug-in text: " << code;
    EXPECT_EQ(lcd::cell_symbol({lcd::cell::bar, 0}, glyphs), " ");
    EXPECT_EQ(lcd::cell_symbol({lcd::cell::bar, 5}, glyphs), "\u2588");
    EXPECT_EQ(lcd::cell_symbol({lcd::cell::bar, 200}, glyphs), "\u2588");
}

}  // namespace
