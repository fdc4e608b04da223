#include <gtest/gtest.h>
#include "support/texts.h"

#include <string>
#include <vector>

#include "host/exports.h"
#include "queries/info_item.h"
#include "support/fake_kodi_fixture.h"

namespace {

using web::json::value;

class info_item : public testenv::fake_kodi_test {
  protected:
    void SetUp() override {
        fake_kodi_test::SetUp();
        write_kodi_config(extra_config());
        ASSERT_TRUE(connect_library());
    }
    virtual std::string extra_config() const { return ""; }
    void playing(const char* players = R"([{"playerid": 0, "type": "audio"}])") {
        kodi.on("Player.GetActivePlayers", value::parse(players));
    }
    std::vector<std::string> methods() const {
        std::vector<std::string> sent;
        for (const auto& request : kodi.requests()) sent.push_back(request.method);
        return sent;
    }
    value params_of(const std::string& method) const {
        const auto requests = kodi.requests_for(method);
        EXPECT_EQ(requests.size(), 1u) << method;
        if (requests.empty()) return value();
        const auto& members = requests.back().json.as_object();
        const auto params = members.find(U("params"));
        return params == members.end() ? value() : params->second;
    }
    static bool has_params(const fake_kodi::received_request& request) {
        return request.json.has_field(U("params"));
    }
};

TEST_F(info_item, player_method_asks_for_the_active_player_first) {
    playing(R"([{"playerid": 1, "type": "video"}])");
    kodi.on("Player.GetItem", value::parse(R"({"item": {"title": "Heat", "type": "movie"}})"));
    EXPECT_EQ(function5(const_cast<char*>("Player.GetItem"), const_cast<char*>("title")),
              std::string("Heat"));
    EXPECT_EQ(methods(), (std::vector<std::string>{"Player.GetActivePlayers", "Player.GetItem"}));
    EXPECT_FALSE(has_params(kodi.requests_for("Player.GetActivePlayers").at(0)));
    EXPECT_EQ(params_of("Player.GetItem"),
              value::parse(R"({"properties": ["title"], "playerid": 1})"));
}

TEST_F(info_item, player_methods_are_recognised_in_any_case) {
    playing();
    kodi.on("player.getproperties", value::parse(R"({"percentage": 12.5})"));
    EXPECT_EQ(query_info_item("player.getproperties", "percentage"), "12.500000");
    EXPECT_EQ(methods(),
              (std::vector<std::string>{"Player.GetActivePlayers", "player.getproperties"}));
    EXPECT_EQ(params_of("player.getproperties"),
              value::parse(R"({"properties": ["percentage"], "playerid": 0})"));
}

TEST_F(info_item, member_of_a_property_is_logged_and_selected) {
    playing();
    kodi.on("Player.GetProperties", value::parse(R"({"time": {"hours": 1, "minutes": 2}})"));
    EXPECT_EQ(query_info_item("Player.GetProperties", "time#hours"), "1");
    EXPECT_EQ(params_of("Player.GetProperties"),
              value::parse(R"({"properties": ["time"], "playerid": 0})"));
    EXPECT_TRUE(log_contains("item time, retsubItem hours"));
}

TEST_F(info_item, member_of_element_0_without_params) {
    playing(R"([{"playerid": 0, "type": "picture"}, {"playerid": 1, "type": "audio"}])");
    EXPECT_EQ(query_info_item("Player.GetActivePlayers", "#type"), "picture");
    // Not one of the two player methods: asked once, as it is.
    const auto requests = kodi.requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_FALSE(has_params(requests[0]));
}

TEST_F(info_item, other_methods_go_without_player) {
    kodi.on("Application.GetProperties", value::parse(R"({"volume": 40, "muted": false})"));
    EXPECT_EQ(query_info_item("Application.GetProperties", "volume"), "40");
    EXPECT_EQ(methods(), std::vector<std::string>{"Application.GetProperties"});
    EXPECT_EQ(params_of("Application.GetProperties"),
              value::parse(R"({"properties": ["volume"]})"));
    EXPECT_EQ(query_info_item("Application.GetProperties", "muted"), "");
}

TEST_F(info_item, nothing_playing_answers_empty_after_one_request) {
    playing("[]");
    kodi.on("Player.GetItem", value::parse(R"({"item": {"title": "Heat"}})"));
    EXPECT_EQ(query_info_item("Player.GetItem", "title"), "");
    EXPECT_EQ(methods(), std::vector<std::string>{"Player.GetActivePlayers"});
}

TEST_F(info_item, unanswered_active_player_request_goes_on_without_player_id) {
    kodi.on_error("Player.GetActivePlayers", -32100, "Failed");
    kodi.on("Player.GetItem", value::parse(R"({"item": {"title": "Heat"}})"));
    EXPECT_EQ(query_info_item("Player.GetItem", "title"), "Heat");
    EXPECT_EQ(params_of("Player.GetItem"), value::parse(R"({"properties": ["title"]})"));
}

TEST_F(info_item, texts_keep_the_low_byte_of_each_code_unit) {
    kodi.on("Test.Text", value::parse(R"({"name": "\u0141\u00e9\u20ac"})"));
    EXPECT_EQ(query_info_item("Test.Text", "name"), "\x41\xE9\xAC");
}

TEST_F(info_item, integral_numbers_keep_their_low_32_bits) {
    kodi.on("Test.Numbers", value::parse(R"({"minus": -1, "big": 3000000000, "huge": 4294967297,
        "max": 18446744073709551615, "fraction": 0.25})"));
    EXPECT_EQ(query_info_item("Test.Numbers", "minus"), "-1");
    EXPECT_EQ(query_info_item("Test.Numbers", "big"), "-1294967296");
    EXPECT_EQ(query_info_item("Test.Numbers", "huge"), "1");
    EXPECT_EQ(query_info_item("Test.Numbers", "max"), "-1");
    EXPECT_EQ(query_info_item("Test.Numbers", "fraction"), "0.250000");
}

class info_item_with_rules : public info_item {
  protected:
    std::string extra_config() const override { return "regex=^$,(none)\nregex=Heat,Hitze\n"; }
};

TEST_F(info_item_with_rules, rewrite_rules_apply_to_every_answer) {
    kodi.on("Test.Item", value::parse(R"({"title": "Heat", "flag": true, "list": [1]})"));
    EXPECT_EQ(query_info_item("Test.Item", "title"), "Hitze");
    EXPECT_EQ(query_info_item("Test.Item", "flag"), "(none)");
    EXPECT_EQ(query_info_item("Test.Item", "list"), "(none)");
    EXPECT_EQ(query_info_item("Test.Item", "missing"), "");  // missing values skip the rules
}

TEST_F(info_item, error_reply_gives_its_message) {
    playing();
    kodi.on_error("Player.GetProperties", -32602, "Invalid params.");
    EXPECT_EQ(query_info_item("Player.GetProperties", "nonsense"), "Invalid params.");
    EXPECT_EQ(query_info_item("No.Such.Method", "x"), "Method not found.");
}

TEST_F(info_item, wrong_kind_of_result_is_error_caught) {
    kodi.on("Test.Array", value::parse(R"([{"a": 1}])"));
    kodi.on("Test.String", value::string(U("text")));
    kodi.on("Test.Object", value::parse(R"({"a": {"b": 2}})"));
    EXPECT_EQ(query_info_item("Test.Array", "a#b"), "Error Caught");
    EXPECT_EQ(query_info_item("Test.Array", "a"), "Error Caught");
    EXPECT_EQ(query_info_item("Test.Array", "#a"), "1");
    EXPECT_EQ(query_info_item("Test.String", "a"), "Error Caught");
    EXPECT_EQ(query_info_item("Test.Object", "#a"), "Error Caught");
    EXPECT_EQ(query_info_item("Test.Object", "a#b#c"), "");
    EXPECT_TRUE(log_contains("item a, retsubItem b#c"));
}

TEST_F(info_item, null_and_deep_results_answer_empty) {
    kodi.on("Test.Null", value());
    std::string nested = "1";
    for (int level = 0; level < 10; ++level) nested = R"({"a": )" + nested + "}";
    kodi.on("Test.Deep", value::parse(nested));
    EXPECT_EQ(query_info_item("Test.Null", "a"), "");
    EXPECT_EQ(query_info_item("Test.Null", "a#b"), "");
    EXPECT_EQ(query_info_item("Test.Deep", "a"), "");    // an object shows as nothing
    EXPECT_EQ(query_info_item("Test.Deep", "a#a"), "");  // so does an object member
}

TEST_F(info_item, empty_item_spec_sends_no_params) {
    kodi.on("JSONRPC.Version", value::parse(R"({"version": {"major": 12}})"));
    EXPECT_EQ(query_info_item("JSONRPC.Version", ""), "");
    EXPECT_EQ(query_info_item("JSONRPC.Version", "version#major"), "12");
    EXPECT_FALSE(has_params(kodi.requests_for("JSONRPC.Version").at(0)));
}

TEST_F(info_item, huge_answers_fill_the_result_buffer_only) {
    const std::string title(100000, 'x');
    kodi.on("Test.Huge", value::parse(R"({"title": ")" + title + R"("})"));
    EXPECT_EQ(query_info_item("Test.Huge", "title"), title);
    EXPECT_EQ(std::string(function5(const_cast<char*>("Test.Huge"), const_cast<char*>("title"))),
              title.substr(0, 254));
}

TEST_F(info_item, bad_host_texts_still_reach_kodi) {
    const std::string long_text(10000, 'm');
    EXPECT_EQ(query_info_item(long_text, long_text), "Method not found.");
    EXPECT_EQ(query_info_item("", ""), "Method not found.");

    // Invalid UTF-8 would make the send fail; the request goes out with U+FFFD instead.
    EXPECT_EQ(query_info_item("Bad.\xFF\xC3", "na\x80me"), "Method not found.");
    const auto sent = kodi.requests_for("Bad.\xEF\xBF\xBD\xEF\xBF\xBD");
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].json.at(U("params")), value::parse(R"({"properties": ["na\ufffdme"]})"));
    EXPECT_EQ(query_info_item("Bad.\xED\xA0\x80", "a#b#c"),
              "Method not found.");  // an encoded surrogate
}

}  // namespace
