#include "host/macro_expander.h"

#include <random>

#include <gtest/gtest.h>

#include "host/time_format.h"

namespace {

using lcd::cell;

std::tm sample_time() {
    std::tm time{};
    time.tm_year = 2026 - 1900;
    time.tm_mon = 2;  // March
    time.tm_mday = 7;
    time.tm_wday = 6;
    time.tm_hour = 21;
    time.tm_min = 5;
    time.tm_sec = 3;
    return time;
}

struct expander {
    lcd::glyph_table glyphs{};
    lcd::expand_context context;
    expander(int width = 20) {
        context.width = width;
        context.now = sample_time();
        context.glyphs = &glyphs;
    }
    lcd::row cells(const std::string& text) { return lcd::expand_macros(text, context); }
    std::string text(const std::string& input) { return lcd::cells_to_text(cells(input)); }
};

std::vector<int> bar_fills(const lcd::row& cells) {
    std::vector<int> fills;
    for (const auto& c : cells) fills.push_back(c.kind == cell::bar ? c.value : -1);
    return fills;
}

TEST(macro_expander, plain_bytes_pass_unchanged_including_latin1) {
    expander e;
    EXPECT_EQ(e.text("Caf\xe9 (live) $ 100%"), "Caf\xe9 (live) $ 100%");
    EXPECT_EQ(e.text(""), "");
    EXPECT_EQ(e.text("$center(x) $Foo(1)"), "$center(x) $Foo(1)");  // names regard case
}

TEST(macro_expander, center_pads_to_the_display_width) {
    expander e(20);
    EXPECT_EQ(e.text("$Center(Stop)"), "        Stop        ");
    EXPECT_EQ(e.text("$Center(Odd)"), "        Odd         ");
    EXPECT_EQ(e.text("$Center(Movie (2009))"), "    Movie (2009)    ");
    const std::string wide(25, 'w');
    EXPECT_EQ(e.text("$Center(" + wide + ")"), wide);
    EXPECT_EQ(e.text("$Center()"), std::string(20, ' '));
    expander narrow(8);
    EXPECT_EQ(narrow.text("$Center(ab)"), "   ab   ");
}

TEST(macro_expander, bar_has_five_columns_per_cell) {
    expander e;
    EXPECT_EQ(bar_fills(e.cells("$Bar(50,100,4)")), (std::vector<int>{5, 5, 0, 0}));
    // 37 % of 20 cells = 37 of 100 columns: 7 full cells and one with 2 columns.
    auto fills = bar_fills(e.cells("$Bar(37,100,20)"));
    ASSERT_EQ(fills.size(), 20u);
    EXPECT_EQ(std::vector<int>(fills.begin(), fills.begin() + 9),
              (std::vector<int>{5, 5, 5, 5, 5, 5, 5, 2, 0}));
    EXPECT_EQ(bar_fills(e.cells("$Bar(150,100,3)")), (std::vector<int>{5, 5, 5}));
    EXPECT_EQ(bar_fills(e.cells("$Bar(-4,100,2)")), (std::vector<int>{0, 0}));
    EXPECT_EQ(bar_fills(e.cells("$Bar(1,3,1)")), (std::vector<int>{2}));  // 1.67 columns
    EXPECT_TRUE(e.cells("$Bar(50,100,0)").empty());
    EXPECT_EQ(bar_fills(e.cells("a$Bar(100,100,1)b")), (std::vector<int>{-1, 5, -1}));
}

TEST(macro_expander, custom_char_defines_a_slot_and_chr_shows_it) {
    expander e;
    const lcd::row row = e.cells("$CustomChar(7, 16, 24, 28, 30, 28, 24, 16, 0)$Chr(135) Title");
    ASSERT_EQ(row.size(), 7u);
    EXPECT_EQ(row[0], (cell{cell::user_char, 7}));
    EXPECT_EQ(lcd::cells_to_text(lcd::row(row.begin() + 1, row.end())), " Title");
    EXPECT_EQ(e.glyphs[7], (lcd::glyph{16, 24, 28, 30, 28, 24, 16, 0}));
    // Rows keep their five columns only (the plug-in's unknown-state glyph uses 63).
    e.cells("$CustomChar(0, 63, 0, 0, 0, 0, 0, 0, 63)");
    EXPECT_EQ(e.glyphs[0], (lcd::glyph{31, 0, 0, 0, 0, 0, 0, 31}));
    EXPECT_EQ(e.cells("$Chr(128)")[0], (cell{cell::user_char, 0}));
    EXPECT_EQ(e.text("$Chr(65)$Chr(233)$Chr(136)"), "A\xe9\x88");  // 136 is no user char
    EXPECT_EQ(e.cells("\x87")[0], (cell{cell::user_char, 7})) << "the code, not the macro, counts";
}

TEST(macro_expander, time_uses_the_host_format_letters) {
    expander e;
    EXPECT_EQ(e.text("$Time(mm/dd/yy hh:nn)"), "03/07/26 21:05");
    EXPECT_EQ(e.text("$Time(yyyy-mm-dd hh:nn:ss)"), "2026-03-07 21:05:03");
    EXPECT_EQ(lcd::format_host_time("h:nn am/pm, dddd d mmmm", sample_time()),
              "9:05 pm, Saturday 7 March");
    EXPECT_EQ(lcd::format_host_time("HH:NN 'at' \"dd\"", sample_time()), "21:05 at dd");
}

TEST(macro_expander, inner_macros_are_expanded_first) {
    expander e(20);
    EXPECT_EQ(e.text("$Center($Time(mm/dd/yy hh:nn))"), "   03/07/26 21:05   ");
    // The inner $Chr makes the outer bar's value: 50 of 100 over 2 cells.
    EXPECT_EQ(bar_fills(e.cells("$Bar($Chr(53)0,100,2)")), (std::vector<int>{5, 0}));
    // A centred user character counts as one cell.
    const lcd::row row = e.cells("$Center($CustomChar(3, 1, 1, 1, 1, 1, 1, 1, 1)$Chr(131)x)");
    ASSERT_EQ(row.size(), 20u);
    EXPECT_EQ(row[9], (cell{cell::user_char, 3}));
    EXPECT_EQ(row[10], lcd::text_cell('x'));
    EXPECT_EQ(e.glyphs[3][0], 1);
    // The inner result is not a number for the outer $Chr, which stays as it is.
    EXPECT_EQ(e.text("$Chr($Chr(65))"), "$Chr(A)");
}

TEST(macro_expander, bad_arguments_are_shown_literally) {
    expander e;
    for (const std::string bad :
         {"$Bar(abc,100,10)", "$Bar(5,0,10)", "$Bar(5,100)", "$Bar(5,100,-1)", "$Bar(5,100,9999)",
          "$Bar(5,100,2,1)", "$Bar(nan,100,2)", "$Chr()", "$Chr(256)", "$Chr(-1)", "$Chr(6x)",
          "$CustomChar(8, 0, 0, 0, 0, 0, 0, 0, 0)", "$CustomChar(1, 2, 3)",
          "$CustomChar(1, 0, 0, 0, 0, 0, 0, 0, 999)", "$CustomChar(x, 0, 0, 0, 0, 0, 0, 0, 0)"})
        EXPECT_EQ(e.text(bad), bad) << bad;
    EXPECT_EQ(e.glyphs, lcd::glyph_table{}) << "a bad definition must change no slot";
    // Without the closing parenthesis the rest is text, with inner macros expanded.
    EXPECT_EQ(e.text("$Center(abc"), "$Center(abc");
    EXPECT_EQ(e.text("$Bar(1,2,$Chr(65)"), "$Bar(1,2,A");
    EXPECT_EQ(e.text("x)y"), "x)y");
}

TEST(macro_expander, survives_deep_nesting_and_random_input) {
    expander e;
    std::string deep;
    for (int i = 0; i < 5000; ++i) deep += "$Center(";
    EXPECT_FALSE(e.cells(deep + "x").empty());
    deep += "x";
    for (int i = 0; i < 5000; ++i) deep += ")";
    EXPECT_FALSE(e.cells(deep).empty());

    const std::string pieces[] = {"$Center(", "$Bar(", "$Time(", "$CustomChar(", "$Chr(", ")",
                                  "(",        ",",     "1",      "135",          "-",     "yy",
                                  " ",        "\xff",  "$"};
    std::mt19937 random(7);
    for (int round = 0; round < 3000; ++round) {
        std::string text;
        const int count = static_cast<int>(random() % 12);
        for (int i = 0; i < count; ++i) text += pieces[random() % std::size(pieces)];
        for (const auto& c : e.cells(text)) {
            if (c.kind == cell::bar) {
                EXPECT_LE(c.value, 5) << text;
            }
            if (c.kind == cell::user_char) {
                EXPECT_LT(c.value, 8) << text;
            }
        }
    }
}

}  // namespace
