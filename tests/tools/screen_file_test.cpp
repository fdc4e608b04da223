#include "host/screen_file.h"

#include <fstream>
#include <iterator>

#include <gtest/gtest.h>

#include "support/test_env.h"

namespace {

using lcd::screen_part;

testing::AssertionResult parses_to(const std::string& text,
                                   const std::vector<lcd::screen_row>& rows) {
    lcd::screen_error error;
    const auto parsed = lcd::parse_screen(text, &error);
    if (!parsed)
        return testing::AssertionFailure() << "line " << error.line << ": " << error.message;
    if (parsed->rows.size() != rows.size())
        return testing::AssertionFailure() << parsed->rows.size() << " rows";
    for (size_t r = 0; r < rows.size(); ++r) {
        if (parsed->rows[r].size() != rows[r].size())
            return testing::AssertionFailure()
                   << "row " << r << " has " << parsed->rows[r].size() << " parts";
        for (size_t p = 0; p < rows[r].size(); ++p) {
            const auto& got = parsed->rows[r][p];
            const auto& want = rows[r][p];
            if (got.function != want.function || got.text != want.text ||
                got.first_parameter != want.first_parameter ||
                got.second_parameter != want.second_parameter)
                return testing::AssertionFailure()
                       << "row " << r << " part " << p << ": {" << got.function << ":"
                       << got.first_parameter << ":" << got.second_parameter << "} '" << got.text
                       << "'";
        }
    }
    return testing::AssertionSuccess();
}

screen_part literal(const std::string& text) {
    return screen_part{0, text, "", ""};
}
screen_part call(int function, const std::string& first = "", const std::string& second = "") {
    return screen_part{function, "", first, second};
}

int error_line(const std::string& text) {
    lcd::screen_error error;
    if (lcd::parse_screen(text, &error)) return -1;
    EXPECT_FALSE(error.message.empty());
    return error.line;
}

TEST(screen_file, calls_parameters_and_text_around_them) {
    EXPECT_TRUE(parses_to("{1}\n{2}\n", {{call(1)}, {call(2)}}));
    EXPECT_TRUE(parses_to("{5:Player.GetProperties:time#hours}h",
                          {{call(5, "Player.GetProperties", "time#hours"), literal("h")}}));
    EXPECT_TRUE(parses_to("Kodi {3} link {11}",
                          {{literal("Kodi "), call(3), literal(" link "), call(11)}}));
    // One parameter; an empty first; the second runs on over further colons.
    EXPECT_TRUE(
        parses_to("{7:XBMC.GetInfoLabels}{5::x}{7:a:b:c}",
                  {{call(7, "XBMC.GetInfoLabels"), call(5, "", "x"), call(7, "a", "b:c")}}));
    EXPECT_TRUE(parses_to("{{1}} {{{1}}}", {{literal("{1} {"), call(1), literal("}")}}));
}

TEST(screen_file, comments_blank_rows_and_line_ends) {
    EXPECT_TRUE(parses_to("# title\n{1}\r\n\n  # not a comment\n",
                          {{call(1)}, {}, {literal("  # not a comment")}}));
    EXPECT_TRUE(parses_to("", {}));
    const lcd::screen standard = lcd::default_screen();
    ASSERT_EQ(standard.rows.size(), 2u);
    EXPECT_EQ(standard.rows[0][0].function, 1);
    EXPECT_EQ(standard.rows[1][0].function, 2);
}

TEST(screen_file, mistakes_are_reported_with_their_line) {
    EXPECT_EQ(error_line("{1}\n{12}"), 2);
    EXPECT_EQ(error_line("{0}"), 1);
    EXPECT_EQ(error_line("# c\n{x}"), 2);
    EXPECT_EQ(error_line("{}"), 1);
    EXPECT_EQ(error_line("{-1}"), 1);
    EXPECT_EQ(error_line("{1"), 1);
    EXPECT_EQ(error_line("a } b"), 1);
    EXPECT_EQ(error_line("{999999999999999999999}"), 1);
}

TEST(screen_file, the_display_hosts_own_dll_calls) {
    EXPECT_TRUE(
        parses_to("$dll(plinthar,1,,)\n$dll(plinthar,5,Player.GetProperties,time#hours)h",
                  {{call(1)}, {call(5, "Player.GetProperties", "time#hours"), literal("h")}}));
    // 0 stands for function10; the name may differ in case and end in .dll; numbers up to
    // 20 are calls, whether or not the plug-in has them.
    EXPECT_TRUE(
        parses_to("$dll(Plinthar.DLL,0,,)$dll(plinthar,20,a,b)", {{call(10), call(20, "a", "b")}}));
    // Parameters are taken as they are, and the text around stays for the host's macros.
    EXPECT_TRUE(parses_to("$Center($dll(plinthar,7, a ,b:c{))",
                          {{literal("$Center("), call(7, " a ", "b:c{"), literal(")")}}));
    lcd::screen_error error;
    const auto other = lcd::parse_screen("$dll(plinthar-test,3,,)", &error, "plinthar-test");
    ASSERT_TRUE(other && other->rows[0].size() == 1);
    EXPECT_EQ(other->rows[0][0].function, 3);
}

TEST(screen_file, a_dll_call_the_host_cannot_make_shows_why_in_its_row) {
    const auto row_text = [](const std::string& line) -> std::string {
        const auto parsed = lcd::parse_screen(line);
        if (!parsed || parsed->rows.size() != 1 || parsed->rows[0].size() != 1 ||
            parsed->rows[0][0].function != 0)
            return "not one text";
        return parsed->rows[0][0].text;
    };
    EXPECT_EQ(row_text("$dll(other,1,,)"), "[Dll: cannot load the plug-in other]");
    EXPECT_EQ(row_text("$dll(plinthar,21,,)"), "[Dll: function 21 is not 0 to 20]");
    EXPECT_EQ(row_text("$dll(plinthar,-1,,)"), "[Dll: function -1 is not 0 to 20]");
    EXPECT_EQ(row_text("$dll(plinthar,,,)"), "[Dll: function  is not 0 to 20]");
    EXPECT_EQ(row_text("$dll(plinthar,1,,"), "[Dll: $dll( without its closing bracket]");
    const std::string arguments = "[Dll: $dll( takes 4 arguments (name,number,param1,param2), not ";
    EXPECT_EQ(row_text("$dll(plinthar,1,a)"), arguments + "3]");
    EXPECT_EQ(row_text("$dll(plinthar,1,a,b,c)"), arguments + "5]");
    EXPECT_EQ(row_text("$dll()"), arguments + "1]");
    EXPECT_TRUE(parses_to("a $dll(x,1,,) b $dll(plinthar,3,,)",
                          {{literal("a [Dll: cannot load the plug-in x] b "), call(3)}}));
}

class screen_files : public testenv::host_folder_test {};

TEST_F(screen_files, files_are_read_and_shipped_screens_parse) {
    lcd::screen_error error;
    EXPECT_FALSE(lcd::load_screen("missing.screen", error));
    EXPECT_EQ(error.line, 0);
    EXPECT_FALSE(error.message.empty());
    EXPECT_FALSE(lcd::load_screen("plugins", error)) << "a folder is no screen file";

    for (const char* name : {"default.screen", "four-rows.screen"}) {
        const std::string path = std::string(PLINTHAR_SOURCE_DIR) + "/tools/screens/" + name;
        const auto loaded = lcd::load_screen(path, error);
        ASSERT_TRUE(loaded) << name << ":" << error.line << ": " << error.message;
        EXPECT_GE(loaded->rows.size(), 2u);
        EXPECT_LE(loaded->rows.size(), 4u);
        // In the display host's own syntax, so that they can be pasted into its screens.
        for (const auto& row : loaded->rows)
            for (const auto& part : row) EXPECT_EQ(part.text.find("[Dll:"), std::string::npos);
        std::ifstream file(path);
        const std::string text((std::istreambuf_iterator<char>(file)),
                               std::istreambuf_iterator<char>());
        EXPECT_NE(text.find("$dll(plinthar,1,,)"), std::string::npos) << name;
    }
}

}  // namespace
