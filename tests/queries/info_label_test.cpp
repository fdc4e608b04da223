#include <gtest/gtest.h>
#include "support/texts.h"

#include <algorithm>
#include <string>

#include "display/idle_timer.h"
#include "host/exports.h"
#include "player/player_state.h"
#include "queries/info_label.h"
#include "support/fake_kodi_fixture.h"

namespace {

using web::json::value;

class info_label : public testenv::fake_kodi_test {
  protected:
    void connect(const std::string& idle_timer = "60") {
        write_kodi_config("idle_timer=" + idle_timer + "\n");
        ASSERT_TRUE(connect_library());
    }
    void TearDown() override {
        stop_inactivity_timer();
        fake_kodi_test::TearDown();
    }
    void answer(const std::string& text) {
        value result = value::object();
        result[U("System.Time")] = value::string(testenv::text(text));
        kodi.on("XBMC.GetInfoLabels", result);
    }
    std::string label7() {
        return function7(const_cast<char*>("XBMC.GetInfoLabels"), const_cast<char*>("System.Time"));
    }
    std::string label8() {
        return function8(const_cast<char*>("XBMC.GetInfoLabels"), const_cast<char*>("System.Time"));
    }
    value params_of_last() const {
        const auto requests = kodi.requests_for("XBMC.GetInfoLabels");
        return requests.empty() ? value() : requests.back().json.at(U("params"));
    }
    int starts() const {
        const auto lines = log_lines();
        return static_cast<int>(std::count(lines.begin(), lines.end(), "Idle timer:start 60"));
    }
    int idle_lines() const {
        int found = 0;
        for (const auto& line : log_lines()) found += line.rfind("Idle timer:", 0) == 0;
        return found;
    }
};

TEST_F(info_label, new_and_changed_texts_restart_the_idle_timer) {
    connect();
    answer("12:00");
    EXPECT_EQ(label7(), "12:00");
    EXPECT_EQ(label_cache.at("XBMC.GetInfoLabelsSystem.Time"), "12:00");
    EXPECT_EQ(starts(), 1);
    EXPECT_EQ(params_of_last(), value::parse(R"({"labels": ["System.Time"]})"));

    EXPECT_EQ(label7(), "12:00");
    EXPECT_EQ(starts(), 1);

    set_play_state(state_idle_timeout);
    answer("12:01");
    EXPECT_EQ(label7(), "12:01");
    EXPECT_EQ(starts(), 2);
    EXPECT_TRUE(log_contains("Idle timer:stop"));
    EXPECT_EQ(get_play_state(), state_none);
    EXPECT_EQ(label_cache.size(), 1u);
}

TEST_F(info_label, function8_shares_the_memory_and_answers_empty) {
    connect();
    answer("12:00");
    EXPECT_EQ(label7(), "12:00");
    EXPECT_EQ(label8(), "");
    EXPECT_EQ(starts(), 1);
    answer("12:01");
    EXPECT_EQ(label8(), "");
    EXPECT_EQ(label_cache.at("XBMC.GetInfoLabelsSystem.Time"), "12:01");
    EXPECT_EQ(starts(), 2);
}

TEST_F(info_label, equal_concatenations_share_one_entry) {
    connect();
    kodi.on("AB", value::parse(R"({"C": "x"})"));
    kodi.on("A", value::parse(R"({"BC": "x"})"));
    EXPECT_EQ(query_info_label("AB", "C"), "x");
    EXPECT_EQ(query_info_label("A", "BC"), "x");
    EXPECT_EQ(label_cache.size(), 1u);
    EXPECT_EQ(starts(), 1);
}

TEST_F(info_label, zero_idle_timer_touches_no_timer) {
    connect("0");
    set_play_state(state_paused);
    answer("12:00");
    EXPECT_EQ(label7(), "12:00");
    answer("12:01");
    EXPECT_EQ(label7(), "12:01");
    EXPECT_EQ(label_cache.at("XBMC.GetInfoLabelsSystem.Time"), "12:01");
    EXPECT_EQ(get_play_state(), state_paused);
    EXPECT_FALSE(inactivity_timer_is_set());
    EXPECT_EQ(idle_lines(), 0);
}

TEST_F(info_label, missing_labels_and_failures_leave_the_memory_alone) {
    connect();
    answer("12:00");
    EXPECT_EQ(label7(), "12:00");
    kodi.on("XBMC.GetInfoLabels", value::parse(R"({"Other": "x"})"));
    EXPECT_EQ(label7(), "");
    kodi.on("XBMC.GetInfoLabels", value::parse(R"(["System.Time"])"));
    EXPECT_EQ(label7(), "Error Caught");
    kodi.on("XBMC.GetInfoLabels", value::string(U("System.Time")));
    EXPECT_EQ(label7(), "Error Caught");
    kodi.on("XBMC.GetInfoLabels", value());
    EXPECT_EQ(label7(), "");
    EXPECT_EQ(label_cache.at("XBMC.GetInfoLabelsSystem.Time"), "12:00");
    EXPECT_EQ(starts(), 1);
}

TEST_F(info_label, error_message_is_remembered_like_a_value) {
    connect();
    kodi.on_error("XBMC.GetInfoLabels", -32602, "Invalid params.");
    EXPECT_EQ(label7(), "Invalid params.");
    EXPECT_EQ(label_cache.at("XBMC.GetInfoLabelsSystem.Time"), "Invalid params.");
    EXPECT_EQ(starts(), 1);
}

TEST_F(info_label, label_inside_item_and_empty_label_without_params) {
    connect();
    kodi.on("Test.Item", value::parse(R"({"item": {"Label": "\u00e9\u20ac 7"}})"));
    EXPECT_EQ(query_info_label("Test.Item", "Label"), "\xE9\xAC 7");
    kodi.on("Test.Empty", value::parse(R"({"": 5})"));
    EXPECT_EQ(query_info_label("Test.Empty", ""), "5");
    EXPECT_FALSE(kodi.requests_for("Test.Empty").at(0).json.has_field(U("params")));
}

TEST_F(info_label, bad_host_texts_still_reach_kodi) {
    connect();
    const std::string long_text(10000, 'l');
    EXPECT_EQ(query_info_label(long_text, long_text), "Method not found.");
    kodi.on("XBMC.GetInfoLabels", value::parse(R"({"A\ufffdB": "ok"})"));
    EXPECT_EQ(query_info_label("XBMC.GetInfoLabels",
                               "A\xFF"
                               "B"),
              "ok");
    EXPECT_EQ(label_cache.count("XBMC.GetInfoLabelsA\xFF"
                                "B"),
              1u);
}

TEST_F(info_label, no_reply_answers_empty_and_leaves_the_memory_alone) {
    connect();
    answer("12:00");
    EXPECT_EQ(label7(), "12:00");
    kodi.set_silent(true);
    EXPECT_EQ(label7(), "");
    EXPECT_EQ(label_cache.at("XBMC.GetInfoLabelsSystem.Time"), "12:00");
    EXPECT_EQ(starts(), 1);
}

}  // namespace
