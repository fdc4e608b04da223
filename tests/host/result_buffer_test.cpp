#include "host/result_buffer.h"

#include <cstring>
#include <string>

#include <gtest/gtest.h>

TEST(result_buffer, keeps_texts_up_to_254_characters_whole_and_cuts_longer_ones) {
    result_buffer buffer;
    std::memset(buffer, 'x', sizeof buffer);

    EXPECT_STREQ(copy_result(buffer, std::string(254, 'a')), std::string(254, 'a').c_str());
    EXPECT_STREQ(copy_result(buffer, std::string(255, 'b')), std::string(254, 'b').c_str());
    EXPECT_STREQ(copy_result(buffer, std::string(100000, 'c')), std::string(254, 'c').c_str());
    EXPECT_EQ(buffer[254], '\0');
    EXPECT_EQ(buffer[255], 'x');  // never written past the bound
    EXPECT_STREQ(copy_result(buffer, ""), "");
}
