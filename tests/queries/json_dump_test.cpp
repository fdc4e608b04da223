#include <gtest/gtest.h>

#include <iostream>
#include <sstream>
#include <string>

#include "queries/json_dump.h"

namespace {

using web::json::value;

// Collects what display writes to std::wcout.
class json_dump : public ::testing::Test {
  protected:
    void SetUp() override { previous_ = std::wcout.rdbuf(output_.rdbuf()); }
    void TearDown() override { std::wcout.rdbuf(previous_); }
    std::wstring output() const { return output_.str(); }

  private:
    std::wostringstream output_;
    std::wstreambuf* previous_ = nullptr;
};

TEST_F(json_dump, empty_object_writes_nothing) {
    display(value::object(), U("> "));
    EXPECT_EQ(output(), L"");
}

TEST_F(json_dump, one_line_per_member_that_is_no_array) {
    display(value::parse(R"({"s": "t\"x", "n": 47, "b": true, "z": null, "o": {"k": [1, 2]}})"),
            U("> "));
    // Members come in the JSON object's own (sorted) order.
    EXPECT_EQ(output(),
              L"> b = true\n> n = 47\n> o = {\"k\":[1,2]}\n> s = \"t\\\"x\"\n> z = null\n");
}

TEST_F(json_dump, arrays_show_only_their_first_element_indented) {
    display(
        value::parse(R"({"item": [{"title": "\u00e9\u20ac", "cast": [{"name": "A"}, {"name": "B"}]},
                                       {"title": "second"}]})"),
        U(""));
    EXPECT_EQ(output(), L"item\n  cast\n    name = \"A\"\n  title = \"\u00e9\u20ac\"\n");
}

TEST_F(json_dump, empty_array_member_raises_the_type_error_after_its_key_line) {
    EXPECT_THROW(display(value::parse(R"({"a": 1, "list": [], "z": 2})"), U("")),
                 web::json::json_exception);
    EXPECT_EQ(output(), L"a = 1\nlist\n");
}

TEST_F(json_dump, values_that_are_no_objects_raise_the_type_error) {
    EXPECT_THROW(display(value::number(1), U("")), web::json::json_exception);
    EXPECT_THROW(display(value::parse(R"({"list": [1]})"), U("")), web::json::json_exception);
    EXPECT_EQ(output(), L"list\n");
}

TEST(json_dump_stdout, non_ascii_reaches_standard_output) {
    testing::internal::CaptureStdout();
    display(value::parse(R"({"title": "\u00e9\u20ac"})"), U(""));
    std::wcout.flush();
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "title = \"\xC3\xA9\xE2\x82\xAC\"\n");
    EXPECT_TRUE(std::wcout.good());
}

}  // namespace
