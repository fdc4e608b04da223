#include "host/lcdproc_protocol.h"

#include <gtest/gtest.h>

#include "host/lcdproc_output.h"
#include "host/macro_expander.h"

namespace {

lcd::row expand(const std::string& text, lcd::glyph_table& glyphs) {
    lcd::expand_context context;
    context.glyphs = &glyphs;
    return lcd::expand_macros(text, context);
}

const char* const play = "$CustomChar(7, 16, 24, 28, 30, 28, 24, 16, 0)$Chr(135)";

lcd::lcdproc_display display_20x4() {
    return *lcd::parse_connect_line(
        "connect LCDproc 0.5.9 protocol 0.3 lcd wid 20 hgt 4 cellwid 5 cellhgt 8");
}

TEST(lcdproc_protocol, reads_the_connect_answer_of_both_protocol_versions) {
    auto display = lcd::parse_connect_line(
        "connect LCDproc 0.5.7 protocol 0.4 lcd wid 16 hgt 2 cellwid 6 cellhgt 8");
    ASSERT_TRUE(display);
    EXPECT_EQ(display->protocol, "0.4");
    EXPECT_EQ(display->width, 16);
    EXPECT_EQ(display->height, 2);
    EXPECT_EQ(display->cell_width, 6);
    EXPECT_EQ(display_20x4().protocol, "0.3");
    EXPECT_FALSE(lcd::parse_connect_line(
        "connect LCDproc 0.6 protocol 0.5 lcd wid 20 hgt 4 cellwid 5 cellhgt 8"));
    EXPECT_FALSE(lcd::parse_connect_line("connect LCDproc 0.5.9 protocol 0.3 lcd wid 20"));
    EXPECT_FALSE(lcd::parse_connect_line(
        "connect LCDproc 0.5.9 protocol 0.3 lcd wid -3 hgt 4 cellwid 5 cellhgt 8"));
    EXPECT_FALSE(lcd::parse_connect_line("huh? what"));
}

TEST(lcdproc_protocol, quotes_strings_so_no_text_can_break_the_command_line) {
    EXPECT_EQ(lcd::quoted("say \"hi\" \\ bye"), "\"say \\\"hi\\\" \\\\ bye\"");
    EXPECT_EQ(lcd::quoted("caf\xe9"), "\"caf\xe9\"");  // Latin-1 stays a single byte
    EXPECT_EQ(lcd::quoted("a\nb\rc\x7f\x85"), "\"a?b?c??\"");
}

TEST(lcdproc_protocol, parses_addresses) {
    lcd::lcdproc_address a;
    ASSERT_TRUE(lcd::parse_lcdproc_address("13667", a));
    EXPECT_EQ(a.host, "127.0.0.1");
    EXPECT_EQ(a.port, "13667");
    ASSERT_TRUE(lcd::parse_lcdproc_address("lcd.local:1", a));
    EXPECT_EQ(a.host, "lcd.local");
    ASSERT_TRUE(lcd::parse_lcdproc_address("[::1]:13666", a));
    EXPECT_EQ(a.host, "::1");
    ASSERT_TRUE(lcd::parse_lcdproc_address("display", a));
    EXPECT_EQ(a.port, "13666");
    for (const char* bad : {"", ":", "host:", "host:0", "host:70000", "::1:5", "[::1", "host:2x"})
        EXPECT_FALSE(lcd::parse_lcdproc_address(bad, a)) << bad;
}

TEST(lcdproc_protocol, a_row_becomes_icons_bars_and_text) {
    lcd::glyph_table glyphs{};
    const auto cells = expand(std::string(play) + " Title$Bar(50,100,4)end", glyphs);
    const auto pieces = lcd::row_pieces(cells, glyphs, 20, 5);
    ASSERT_EQ(pieces.size(), 4u);
    EXPECT_EQ(pieces[0].kind, lcd::widget_piece::icon);
    EXPECT_EQ(pieces[0].value, "PLAY");
    EXPECT_EQ(pieces[0].x, 1);
    EXPECT_EQ(pieces[1].value, " Title");
    EXPECT_EQ(pieces[1].x, 2);
    EXPECT_EQ(pieces[2].kind, lcd::widget_piece::hbar);
    EXPECT_EQ(pieces[2].x, 8);
    EXPECT_EQ(pieces[2].pixels, 10);  // half of 4 cells of 5 pixels
    EXPECT_EQ(pieces[3].value, "end");
    EXPECT_EQ(pieces[3].x, 12);
    // Wider cells make a longer bar; the row is cut at the display's width.
    EXPECT_EQ(lcd::row_pieces(cells, glyphs, 20, 6)[2].pixels, 12);
    EXPECT_EQ(lcd::row_pieces(cells, glyphs, 9, 5).size(), 3u);
}

TEST(lcdproc_protocol, user_characters_without_an_icon_become_ascii) {
    lcd::glyph_table glyphs{};
    const auto cells = expand(
        "$CustomChar(0, 8, 13, 10, 15, 11, 26, 12, 8)$CustomChar(1,31,31,31,31,31,31,31,31)"
        "$CustomChar(2,27,27,27,27,27,27,27,0)$Chr(128)$Chr(129)$Chr(130)",
        glyphs);
    const auto pieces = lcd::row_pieces(cells, glyphs, 20, 5);
    ASSERT_EQ(pieces.size(), 2u);
    EXPECT_EQ(pieces[0].value, "x#");
    EXPECT_EQ(pieces[1].value, "PAUSE");
}

TEST(lcdproc_protocol, only_changed_rows_are_sent_and_icons_come_before_text) {
    lcd::glyph_table glyphs{};
    lcd::widget_sync sync("s");
    std::vector<lcd::row> rows = {expand(std::string(play) + " Song", glyphs),
                                  expand("00:01 $Bar(10,100,5)", glyphs)};
    auto commands = sync.update(rows, glyphs, display_20x4());
    const std::vector<std::string> first = {
        "widget_add s r1p1 icon",   "widget_set s r1p1 1 1 PLAY",
        "widget_add s r1p2 string", "widget_set s r1p2 2 1 \" Song\"",
        "widget_add s r2p1 hbar",   "widget_set s r2p1 7 2 3",
        "widget_add s r2p2 string", "widget_set s r2p2 1 2 \"00:01\""};
    EXPECT_EQ(commands, first);
    EXPECT_TRUE(sync.update(rows, glyphs, display_20x4()).empty());

    rows[1] = expand("00:02 $Bar(20,100,5)", glyphs);
    commands = sync.update(rows, glyphs, display_20x4());
    EXPECT_EQ(commands, (std::vector<std::string>{"widget_set s r2p1 7 2 5",
                                                  "widget_set s r2p2 1 2 \"00:02\""}));

    // A new layout removes the old widgets first.
    rows[0] = expand("Welcome", glyphs);
    commands = sync.update(rows, glyphs, display_20x4());
    EXPECT_EQ(commands, (std::vector<std::string>{"widget_del s r1p1", "widget_del s r1p2",
                                                  "widget_add s r1p1 string",
                                                  "widget_set s r1p1 1 1 \"Welcome\""}));
    sync.forget();
    EXPECT_EQ(sync.update(rows, glyphs, display_20x4()).size(), 6u);
}

}  // namespace
