#include "host/row_scroller.h"

#include <gtest/gtest.h>

#include "host/macro_expander.h"

namespace {

using namespace std::chrono_literals;
using time_point = lcd::row_scroller::time_point;

lcd::row cells(const std::string& text) {
    lcd::row result;
    for (unsigned char c : text) result.push_back(lcd::text_cell(c));
    return result;
}

std::string text_of(const lcd::row& r) {
    return lcd::cells_to_text(r);
}

class row_scroller : public testing::Test {
  protected:
    // Calls the scroller every tick for span and records each change with its time.
    std::vector<std::pair<std::chrono::milliseconds, std::string>> run(
        const std::string& text, int width, std::chrono::milliseconds span,
        std::chrono::milliseconds tick = 50ms) {
        std::vector<std::pair<std::chrono::milliseconds, std::string>> changes;
        for (auto t = 0ms; t <= span; t += tick) {
            const std::string shown = text_of(scroller.window(cells(text), width, start + t));
            if (changes.empty() || changes.back().second != shown) changes.push_back({t, shown});
        }
        return changes;
    }

    lcd::scroll_settings settings{400ms, 2000ms};
    lcd::row_scroller scroller{settings};
    time_point start = time_point{} + 100s;
};

TEST_F(row_scroller, a_row_that_fits_stands_still_even_with_trailing_blanks) {
    const auto changes = run("Harbour Lights      ", 14, 10s);
    ASSERT_EQ(changes.size(), 1u);
    EXPECT_EQ(changes[0].second, "Harbour Lights");
    EXPECT_FALSE(scroller.next_step());
    EXPECT_EQ(text_of(scroller.window(cells("short"), 8, start)), "short   ");
}

TEST_F(row_scroller, a_long_row_waits_steps_to_its_end_waits_and_starts_over) {
    const auto changes = run("abcdefgh", 5, 10s);
    // 0: abcde, 2000: bcdef, 2400: cdefg, 2800: defgh (end), 4800: abcde again, 6800: bcdef
    ASSERT_GE(changes.size(), 6u);
    EXPECT_EQ(changes[0], std::make_pair(0ms, std::string("abcde")));
    EXPECT_EQ(changes[1], std::make_pair(2000ms, std::string("bcdef")));
    EXPECT_EQ(changes[2], std::make_pair(2400ms, std::string("cdefg")));
    EXPECT_EQ(changes[3], std::make_pair(2800ms, std::string("defgh")));
    EXPECT_EQ(changes[4], std::make_pair(4800ms, std::string("abcde")));
    EXPECT_EQ(changes[5], std::make_pair(6800ms, std::string("bcdef")));
}

TEST_F(row_scroller, late_calls_move_one_cell_at_a_time_and_never_faster_than_the_step) {
    // Called only every 1.5 s: each call moves at most one cell, no cell is skipped.
    const auto changes = run("0123456789", 4, 20s, 1500ms);
    std::string offsets;
    for (const auto& change : changes) offsets += change.second.front();
    EXPECT_EQ(offsets.substr(0, 8),
              "0123456"
              "0");
    for (size_t i = 1; i < changes.size(); ++i)
        EXPECT_GE(changes[i].first - changes[i - 1].first, 400ms);
}

TEST_F(row_scroller, new_text_starts_over_at_the_start_with_a_full_pause) {
    run("abcdefgh", 5, 2500ms);
    EXPECT_NE(scroller.offset(), 0u);
    const auto later = start + 2600ms;
    EXPECT_EQ(text_of(scroller.window(cells("ABCDEFGH"), 5, later)), "ABCDE");
    EXPECT_EQ(scroller.next_step(), later + 2000ms);
    EXPECT_EQ(text_of(scroller.window(cells("ABCDEFGH"), 5, later + 1999ms)), "ABCDE");
    EXPECT_EQ(text_of(scroller.window(cells("ABCDEFGH"), 5, later + 2000ms)), "BCDEF");
}

TEST_F(row_scroller, a_frame_scrolls_each_long_row_on_its_own) {
    lcd::frame_scroller frames(settings);
    const std::vector<lcd::row> rows = {cells("fits"), cells("much too long")};
    auto shown = frames.windows(rows, 6, start);
    EXPECT_EQ(text_of(shown[0]), "fits  ");
    EXPECT_EQ(text_of(shown[1]), "much t");
    ASSERT_TRUE(frames.next_step());
    EXPECT_EQ(*frames.next_step(), start + 2000ms);
    shown = frames.windows(rows, 6, start + 2000ms);
    EXPECT_EQ(text_of(shown[0]), "fits  ");
    EXPECT_EQ(text_of(shown[1]), "uch to");
}

}  // namespace
