#include "host/refresh_loop.h"

#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "host/macro_expander.h"

namespace {

using namespace std::chrono_literals;

// A plug-in made of plain functions that records each call at the test clock's time.
struct call_record {
    std::string name;
    lcd::steady::time_point at;
    std::string first, second;
};

lcd::steady::time_point fake_now;
std::vector<call_record> calls;
int plugin_interval = 300;
std::chrono::milliseconds call_cost{0};  // how long a slow text call "takes"
int slow_calls = 0;
char shared_buffer[64];  // function7 and function8 share it, as in the plug-in

void record(const char* name, const char* first = "", const char* second = "") {
    calls.push_back({name, fake_now, first, second});
}

char* answer(const char* name, char* first, char* second, const char* text) {
    record(name, first, second);
    if (slow_calls > 0) {
        --slow_calls;
        fake_now += call_cost;
    }
    std::snprintf(shared_buffer, sizeof shared_buffer, "%s", text);
    first[0] = '\0';  // the host must hand over copies of its parameters
    return shared_buffer;
}

// The plug-in's calling convention: stdcall on 32-bit Windows, where a lambda cannot stand in.
template <int N>
char* PLINTHAR_PLUGIN_CALL text_function(char* first, char* second) {
    const std::string name = "function" + std::to_string(N);
    if (N == 1)
        return answer(name.c_str(), first, second,
                      "$CustomChar(7, 16, 24, 28, 30, 28, 24, 16, 0)$Chr(135) Play");
    if (N == 2) return answer(name.c_str(), first, second, "$Chr(135)$Bar(50,100,2)");
    if (N == 7) return answer(name.c_str(), first, second, "label");
    if (N == 8) return answer(name.c_str(), first, second, "");  // overwrites function7's text
    if (N == 9) return nullptr;
    return answer(name.c_str(), first, second, (std::string("f") + std::to_string(N)).c_str());
}

void PLINTHAR_PLUGIN_CALL fake_init() {
    record("SmartieInit");
}

void PLINTHAR_PLUGIN_CALL fake_fini() {
    record("SmartieFini");
}

lcd::plugin_api fake_plugin() {
    lcd::plugin_api api;
    api.init = fake_init;
    api.fini = fake_fini;
    api.min_refresh_interval = plugin_interval;  // what the loader got from the plug-in
    api.functions = {text_function<1>, text_function<2>,  text_function<3>, text_function<4>,
                     text_function<5>, text_function<6>,  text_function<7>, text_function<8>,
                     text_function<9>, text_function<10>, text_function<11>};
    return api;
}

class refresh_loop : public testing::Test {
  protected:
    void SetUp() override {
        calls.clear();
        fake_now = lcd::steady::time_point{} + 1000s;
        plugin_interval = 300;
        call_cost = 0ms;
        slow_calls = 0;
        clock.now = [] { return fake_now; };
        clock.local_time = [] { return std::tm{}; };
        clock.wait_until = [this](lcd::steady::time_point deadline) {
            if (stop_after_waits >= 0 && waits++ >= stop_after_waits) return false;
            if (deadline > fake_now) fake_now = deadline;
            return true;
        };
    }

    lcd::screen screen_of(const std::string& text) {
        auto parsed = lcd::parse_screen(text);
        EXPECT_TRUE(parsed);
        return parsed ? *parsed : lcd::screen{};
    }

    std::vector<lcd::frame> run(const lcd::screen& layout, lcd::loop_settings settings = {}) {
        std::vector<lcd::frame> frames;
        result = lcd::run_display(
            fake_plugin(), layout, settings, clock,
            [&](const lcd::frame& f, const lcd::loop_result&) { frames.push_back(f); });
        return frames;
    }

    std::vector<lcd::steady::time_point> times_of(const std::string& name) const {
        std::vector<lcd::steady::time_point> times;
        for (const auto& c : calls)
            if (c.name == name) times.push_back(c.at);
        return times;
    }

    lcd::loop_clock clock;
    lcd::loop_result result;
    int stop_after_waits = -1;
    int waits = 0;
};

// The loader has started the plug-in; the loop only calls its text functions, then
// SmartieFini.
TEST_F(refresh_loop, text_functions_then_fini_last) {
    stop_after_waits = 4;
    const auto frames = run(lcd::default_screen());
    ASSERT_GE(calls.size(), 4u);
    EXPECT_EQ(calls.front().name, "function1");
    EXPECT_EQ(calls.back().name, "SmartieFini");
    EXPECT_EQ(times_of("SmartieInit").size(), 0u);
    EXPECT_EQ(times_of("SmartieFini").size(), 1u);
    EXPECT_EQ(frames.size(), 4u);
    EXPECT_EQ(times_of("function1").size(), 4u);
    EXPECT_EQ(times_of("function2").size(), 4u);
    EXPECT_EQ(result.interval, 300ms);
}

TEST_F(refresh_loop, no_function_is_called_faster_than_the_interval) {
    // One slow call makes a refresh late; the loop must not catch up with quick
    // refreshes afterwards, nor run the next one sooner than an interval after the last.
    call_cost = 1000ms;
    slow_calls = 1;
    lcd::loop_settings settings;
    settings.run_for = 5s;
    run(screen_of("{1}{3}\n{2}\n{5:a:b}"), settings);
    for (const char* name : {"function1", "function2", "function3", "function5"}) {
        const auto times = times_of(name);
        ASSERT_GE(times.size(), 5u) << name;
        for (size_t i = 1; i < times.size(); ++i) EXPECT_GE(times[i] - times[i - 1], 300ms) << name;
    }
    EXPECT_EQ(calls.back().name, "SmartieFini");
}

TEST_F(refresh_loop, interval_is_never_below_the_plugin_minimum_or_the_floor) {
    lcd::loop_settings settings;
    settings.slowest_first = 1000ms;
    EXPECT_EQ(lcd::refresh_interval(300, settings), 1000ms);
    settings.slowest_first = 100ms;
    EXPECT_EQ(lcd::refresh_interval(300, settings), 300ms);
    EXPECT_EQ(lcd::refresh_interval(0, {}), lcd::interval_floor);
    EXPECT_EQ(lcd::refresh_interval(-5, {}), lcd::interval_floor);

    plugin_interval = 0;  // a plug-in without a minimum gets no busy loop
    settings = {};
    settings.run_for = 1s;
    run(lcd::default_screen(), settings);
    EXPECT_LE(times_of("function1").size(), 20u);
}

TEST_F(refresh_loop, run_for_ends_the_loop_and_still_calls_fini) {
    lcd::loop_settings settings;
    settings.run_for = 1000ms;
    const auto frames = run(lcd::default_screen(), settings);
    EXPECT_EQ(frames.size(), 4u);  // at 0, 300, 600 and 900 ms
    EXPECT_EQ(calls.back().name, "SmartieFini");
}

TEST_F(refresh_loop, stop_during_the_first_wait_still_calls_fini) {
    stop_after_waits = 0;
    const auto frames = run(lcd::default_screen());
    EXPECT_TRUE(frames.empty());
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].name, "SmartieFini");
}

TEST_F(refresh_loop, texts_are_copied_before_the_next_call_and_parameters_are_copies) {
    stop_after_waits = 2;
    const auto frames =
        run(screen_of("{7:XBMC.GetInfoLabels:System.Time}{8:a:b}|{9}\n"
                      "{7:XBMC.GetInfoLabels:System.Time}"));
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_EQ(lcd::cells_to_text(frames[1].rows[0]).substr(0, 6), "label|");
    EXPECT_EQ(lcd::cells_to_text(frames[1].rows[1]).substr(0, 5), "label");
    // Identical calls are made once per refresh, with the screen's parameters each time.
    const auto sevens = times_of("function7");
    EXPECT_EQ(sevens.size(), 2u);
    for (const auto& c : calls)
        if (c.name == "function7") {
            EXPECT_EQ(c.first, "XBMC.GetInfoLabels");
        }
}

TEST_F(refresh_loop, frames_fill_the_display_keep_long_rows_whole_and_keep_user_characters) {
    stop_after_waits = 2;
    lcd::loop_settings settings;
    settings.width = 8;
    settings.height = 3;
    const auto frames = run(screen_of("{1} and much more text\n{2}\n{3}\n{4}"), settings);
    ASSERT_EQ(frames.size(), 2u);
    for (const auto& f : frames) {
        ASSERT_EQ(f.rows.size(), 3u);
        EXPECT_EQ(f.rows[0].size(), 25u) << "a long row stays whole, to scroll";
        EXPECT_EQ(f.rows[1].size(), 8u);
        EXPECT_EQ(f.rows[2].size(), 8u);
    }
    EXPECT_EQ(frames[0].rows[0][0], (lcd::cell{lcd::cell::user_char, 7}));
    EXPECT_EQ(frames[0].glyphs[7][3], 30);
    EXPECT_EQ(times_of("function4").size(), 0u) << "rows beyond the display are not asked";
    // function2 shows slot 7 too, defined by function1's text earlier in the refresh.
    EXPECT_EQ(frames[1].rows[1][0], (lcd::cell{lcd::cell::user_char, 7}));
    EXPECT_EQ(frames[1].rows[1][1], (lcd::cell{lcd::cell::bar, 5}));
}

}  // namespace

namespace {

TEST_F(refresh_loop, a_function_the_plugin_lacks_shows_why_in_its_row) {
    stop_after_waits = 1;
    lcd::loop_settings settings;
    settings.width = 24;
    const auto frames = run(screen_of("$dll(plinthar,12,,)|$dll(plinthar,0,,)"), settings);
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(lcd::cells_to_text(frames[0].rows[0]), "[Dll: no function12]|f10");
}

TEST_F(refresh_loop, scrolling_redraws_come_between_refreshes_without_calling_the_plugin) {
    // A scroller that wants a redraw every 100 ms: the loop wakes for it, and the
    // plug-in is still called only at its own interval.
    lcd::loop_settings settings;
    settings.run_for = 1000ms;
    const auto start = fake_now;
    std::vector<lcd::steady::time_point> redraws;
    lcd::steady::time_point next_redraw = start + 100ms;
    lcd::loop_redraw between;
    between.next = [&] { return std::optional<lcd::steady::time_point>(next_redraw); };
    between.redraw = [&] {
        redraws.push_back(fake_now);
        next_redraw = fake_now + 100ms;
    };
    int refreshes = 0;
    lcd::run_display(
        fake_plugin(), lcd::default_screen(), settings, clock,
        [&](const lcd::frame&, const lcd::loop_result&) { ++refreshes; }, between);
    EXPECT_EQ(refreshes, 4);  // 0, 300, 600 and 900 ms
    const auto f1 = times_of("function1");
    for (size_t i = 1; i < f1.size(); ++i) EXPECT_GE(f1[i] - f1[i - 1], 300ms);
    ASSERT_GE(redraws.size(), 5u);
    EXPECT_EQ(redraws.front(), start + 100ms);
    for (const auto at : redraws) EXPECT_LT(at, start + 1000ms);
}

}  // namespace
