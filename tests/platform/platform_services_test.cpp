#include <string>

// GoogleTest before the JSON library's headers, whose macro U clashes with its templates.
#include "support/test_env.h"
#include "support/test_platform.h"

#include "platform/debug_output.h"
#include "platform/process_list.h"
#include "platform/text_encoding.h"

namespace {

class platform_services : public testenv::host_folder_test {};

TEST_F(platform_services, utf8_decodes_into_utf16_with_surrogate_pairs) {
    EXPECT_EQ(utf8_to_utf16_lenient("A\xc3\xa9\xe2\x82\xac\xf0\x9f\x8e\xb5"),
              (std::u16string{u'A', 0x00E9, 0x20AC, 0xD83C, 0xDFB5}));
    EXPECT_TRUE(is_valid_utf8("A\xc3\xa9\xe2\x82\xac\xf0\x9f\x8e\xb5"));
    EXPECT_TRUE(is_valid_utf8(""));
    EXPECT_EQ(utf16_units(utf8_to_wide("\xc3\xa9\xf0\x9f\x8e\xb5")),
              (std::u16string{0x00E9, 0xD83C, 0xDFB5}));
}

TEST_F(platform_services, each_broken_sequence_becomes_one_replacement_character) {
    const char16_t bad = 0xFFFD;
    struct sample {
        std::string utf8;
        std::u16string utf16;
    };
    const sample samples[] = {
        {"a\xff"
         "b",
         {u'a', bad, u'b'}},                         // never a lead byte
        {"\xc0\x80", {bad, bad}},                    // overlong NUL
        {"\xe0\x80\xaf", {bad, bad, bad}},           // overlong slash
        {"\xed\xa0\x80", {bad, bad, bad}},           // surrogate
        {"\xf4\x90\x80\x80", {bad, bad, bad, bad}},  // beyond U+10FFFF
        {"\xe2\x82", {bad}},                         // cut off at the end
        {"\xe2\x82"
         "A",
         {bad, u'A'}},                              // cut off before ASCII
        {"\x80\xbf", {bad, bad}},                   // stray continuation bytes
        {std::string("a\0b", 3), {u'a', 0, u'b'}},  // NUL is a character
    };
    for (const auto& s : samples) {
        EXPECT_EQ(utf8_to_utf16_lenient(s.utf8), s.utf16);
        const bool has_bad = s.utf16.find(bad) != std::u16string::npos;
        EXPECT_EQ(is_valid_utf8(s.utf8), !has_bad);
        EXPECT_EQ(utf16_units(utf8_to_wide(s.utf8)), s.utf16);
        // Long ASCII runs are checked eight bytes at a time: the sequence between them, and
        // one split by their edge, are still found.
        for (const std::string pad : {"12345678", "123456789"})
            EXPECT_EQ(is_valid_utf8(pad + s.utf8 + pad + pad), !has_bad) << pad;
    }
    EXPECT_FALSE(
        is_valid_utf8("1234567\xe2\x82"
                      "12345678"));
}

TEST_F(platform_services, debug_output_takes_one_text_per_call) {
    testenv::start_debug_capture();
    debug_output("shown");
    debug_output("");
    debug_output(nullptr);
    EXPECT_EQ(testenv::finish_debug_capture(), "shown\n\n\n");
}

TEST_F(platform_services, the_process_list_holds_this_test_and_stops_when_asked) {
    const std::string own_image = testenv::own_executable();
    ASSERT_FALSE(own_image.empty());

    bool found = false;
    int visits = 0;
    EXPECT_TRUE(for_each_process_image([&](const std::string& image) {
        ++visits;
        found = found || image == own_image;
        return true;
    }));
    EXPECT_TRUE(found);

    int visits_when_stopping = 0;
    EXPECT_TRUE(for_each_process_image([&](const std::string&) {
        ++visits_when_stopping;
        return false;
    }));
    EXPECT_EQ(visits_when_stopping, 1);
}

}  // namespace
