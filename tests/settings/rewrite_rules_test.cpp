#include <cstdlib>
#include <string>

#include "settings/config.h"
#include "settings/rewrite_rules.h"
#include "support/test_env.h"
#include "support/test_platform.h"

namespace {

class rewrite_rules : public testenv::host_folder_test {
  protected:
    // A rule gives up after 20 ms of its thread's processor time. An emulated machine counts
    // the emulator's own delays as its threads' time, so any rule may give up there.
    void SetUp() override {
        testenv::host_folder_test::SetUp();
        if (testenv::slowdown() > 1)
            GTEST_SKIP() << "rules are not judged on an emulated processor";
    }
    void read(const std::string& contents) {
        write_config(contents);
        init_config();
    }
    // The settings file is read with the debug output captured.
    std::string read_with_debug_output(const std::string& contents) {
        testenv::start_debug_capture();
        read(contents);
        return testenv::finish_debug_capture();
    }
    static std::string rewrite(std::string text) {
        apply_rewrite_rules(text);
        return text;
    }
};

TEST_F(rewrite_rules, without_rules_texts_pass_unchanged) {
    read("port=9091\n");
    EXPECT_EQ(rewrite("The Example"), "The Example");
    EXPECT_EQ(rewrite(""), "");
}

TEST_F(rewrite_rules, a_rule_moves_the_article_behind_the_title) {
    read("regex=^The (.*),$1, The\n");
    EXPECT_EQ(rewrite("The Example"), "Example, The");
    EXPECT_EQ(rewrite("Another Example"), "Another Example");
}

TEST_F(rewrite_rules, backslash_comma_belongs_to_the_pattern) {
    read("regex=a\\,b,x\n");
    EXPECT_EQ(rewrite("1a,b2a,b"), "1x2x");
    EXPECT_EQ(rewrite("ab"), "ab");
}

TEST_F(rewrite_rules, the_replacement_is_taken_whole_with_its_commas_and_formats) {
    read("REGEX=o,[$&],\nRegex=(\\d+)$,#$1$$\n");
    EXPECT_EQ(rewrite("foo 42"), "f[o],[o], #42$");
}

TEST_F(rewrite_rules, rules_apply_in_the_order_of_the_lines) {
    read("regex=a,b\nregex=b,c\n");
    EXPECT_EQ(rewrite("a"), "c");
}

TEST_F(rewrite_rules, a_later_line_sees_the_output_of_an_earlier_one_only) {
    read("regex=b,c\nregex=a,b\n");
    EXPECT_EQ(rewrite("ab"), "bc");  // the other order would give "cc"
}

TEST_F(rewrite_rules, an_empty_replacement_deletes_the_matches) {
    read("regex=\\s+,\n");
    EXPECT_EQ(rewrite(" a b  c "), "abc");
}

TEST_F(rewrite_rules, a_bad_pattern_is_skipped_and_reported_and_later_rules_still_apply) {
    const std::string output = read_with_debug_output("regex=(unclosed,x\nregex=y,z\nport=1\n");
    EXPECT_NE(output.find("Bad RegEx found\n(unclosed\nx\n"), std::string::npos) << output;
    EXPECT_NE(output.find("Adding regex\ny\nz\n"), std::string::npos) << output;
    EXPECT_EQ(output.find("Adding regex\n(unclosed"), std::string::npos) << output;
    EXPECT_EQ(rewrite("(unclosed y"), "(unclosed z");
    EXPECT_STREQ(get_config_item(cfg_port), "1");
}

TEST_F(rewrite_rules, a_line_without_a_free_comma_is_no_rule) {
    const std::string output = read_with_debug_output("regex=abc\nregex=a\\,b\nregex=d,e\n");
    EXPECT_NE(output.find("Bad RegEx found\nabc\n\n"), std::string::npos) << output;
    EXPECT_NE(output.find("Bad RegEx found\na\\,b\n\n"), std::string::npos) << output;
    EXPECT_EQ(rewrite("abc a,b d"), "abc a,b e");
}

TEST_F(rewrite_rules, a_pattern_prone_to_backtracking_does_not_stop_start_up) {
    read("regex=(a+)+b,x\nregex=(x|x)*y,z\nport=9091\n");
    EXPECT_STREQ(get_config_item(cfg_port), "9091");
    EXPECT_EQ(rewrite("aab"), "x");
}

}  // namespace

namespace {

TEST_F(rewrite_rules, a_very_long_text_is_cut_to_a_display_sized_length_instead_of_crashing) {
    read("regex=^The (.*),$1, The\n");
    const std::string rewritten = rewrite("The " + std::string(200000, 'x'));
    EXPECT_EQ(rewritten, std::string(1020, 'x') + ", The");
}

}  // namespace

namespace {

// Patterns and texts of the kinds users write, with what the standard library's ECMAScript
// matcher and replacement format give for them; the rules must give the same.
struct ordinary_case {
    const char* line;
    const char* text;
    const char* expected;
};

TEST_F(rewrite_rules, ordinary_patterns_rewrite_as_the_standard_matcher_does) {
    const ordinary_case cases[] = {
        {"regex=x*,-", "abc", "-a-b-c-"},
        {"regex=a*,-", "baaac", "-b--c-"},
        {"regex=^,>", "abc", ">abc"},
        {"regex=$,<", "abc", "abc<"},
        {"regex=c$,C", "abc\n", "abc\n"},
        {"regex=.,x", "a\rb\nc", "x\rx\nx"},
        {"regex=\\bfoo\\b,bar", "foo food foo", "bar food bar"},
        {"regex=(\\w+) - (\\w+),$2 by $1", "Artist - Song", "Song by Artist"},
        {"regex=(a)|(b),[$1|$2]", "ab", "[a|][|b]"},
        {"regex=(b),$`|$'", "abc", "aa|cc"},
        {"regex=(b),$10$9$", "abc", "a$c"},
        {"regex=(.)\\1,<$1>", "aabbc", "<a><b>c"},
        {"regex=\\u0041\\x42,ok", "ABC", "okC"},
        {"regex=[^]+?,.", "ab", ".."},
        {"regex=(?:the|a) ,", "the cat and a dog", "cat and dog"},
        {"regex=(?=b),^", "abab", "a^ba^b"},
        {"regex=\\s*\\(\\d{4}\\)$,", "Movie (2019)", "Movie"},
        {"regex=é,e", "Café Été", "Cafe Éte"},
    };
    for (const ordinary_case& c : cases) {
        clear_rewrite_rules();
        read(std::string(c.line) + "\n");
        EXPECT_EQ(rewrite(c.text), c.expected) << c.line << " on " << c.text;
    }
}

TEST_F(rewrite_rules, a_pattern_that_backtracks_without_end_gives_up_and_leaves_the_text) {
    read("regex=(a+)+$,x\nregex=(x|x|xx)*y,z\nregex=done,DONE\n");
    const std::string text = std::string(64, 'a') + "b " + std::string(64, 'x') + " done";
    EXPECT_EQ(rewrite(text), std::string(64, 'a') + "b " + std::string(64, 'x') + " DONE");
    EXPECT_EQ(rewrite("aaa"), "x");
}

TEST_F(rewrite_rules, deeply_nested_patterns_are_refused_or_matched_without_crashing) {
    // Settings lines are cut into short pieces, so a pattern this long only comes in whole
    // through the rule parser itself.
    const std::string nested = std::string(400, '(') + "a" + std::string(400, ')');
    read("regex=c,d\n");
    testenv::start_debug_capture();
    add_rewrite_rule(nested + ",b");
    const std::string output = testenv::finish_debug_capture();
    EXPECT_NE(output.find("Bad RegEx found\n" + nested), std::string::npos);
    EXPECT_EQ(rewrite("ac"), "ad");

    clear_rewrite_rules();
    read("regex=(?:a|(?:b|(?:c|(?:d|e)))*)*z,!\n");
    EXPECT_EQ(rewrite(std::string(1000, 'e') + "z"), "!");
}

}  // namespace
