#include <climits>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "settings/config.h"
#include "support/test_env.h"
#include "support/test_platform.h"

namespace {

class settings_file : public testenv::host_folder_test {
  protected:
    void read(const std::string& contents) {
        write_config(contents);
        init_config();
    }
    static std::string text(config_index index) { return get_config_item(index); }
};

TEST_F(settings_file, without_a_file_every_default_stands) {
    init_config();
    struct expected {
        const char* name;
        int32_t type;
        int32_t int_value;
        const char* text_value;
    };
    const expected table[cfg_count] = {
        {"logging", 0, 0, ""},
        {"newfile", 0, 1, ""},
        {"port", 1, 0, "9090"},
        {"lcd_width", 0, 20, ""},
        {"use_bars", 0, 1, ""},
        {"reset_delay", 0, 3, ""},
        {"kodiexe", 1, 0, "Kodi.exe"},
        {"connect_delay", 0, 1, ""},
        {"time_format", 1, 0, "mm/dd/yy hh:nn"},
        {"disable_icon", 0, 0, ""},
        {"idle_timer", 0, 0, ""},
        {"welcome", 1, 0, "Kodi Media Center"},
        {"stop_str", 1, 0, "Stop"},
        {"track_str", 1, 0, "Track"},
        {"channel_str", 1, 0, "Channel"},
        {"ff_str", 1, 0, "Fast-Forward"},
        {"rewind_str", 1, 0, "Rewind"},
        {"volume_str", 1, 0, "Volume"},
        {"knf_str", 1, 0, "Kodi not found"},
    };
    for (unsigned i = 0; i < cfg_count; ++i) {
        SCOPED_TRACE(table[i].name);
        EXPECT_STREQ(config_items[i].name, table[i].name);
        EXPECT_EQ(config_items[i].type, table[i].type);
        EXPECT_EQ(config_items[i].int_value, table[i].int_value);
        EXPECT_STREQ(get_config_item(i), table[i].text_value);
    }
    EXPECT_EQ(get_config_item(cfg_count), nullptr);
    EXPECT_EQ(get_config_item(UINT_MAX), nullptr);
}

TEST_F(settings_file, without_a_plugins_folder_every_default_stands) {
    std::filesystem::remove_all("plugins");
    init_config();
    EXPECT_EQ(text(cfg_port), "9090");
    EXPECT_EQ(config_int(cfg_lcd_width), 20);
}

TEST_F(settings_file, keys_match_without_case_over_their_whole_length_and_are_not_trimmed) {
    read(
        "PORT=9091\nKodiExe=kodi.bin\nwelcome =spaced\n welcome=lead\nwelcom=short\n"
        "welcomes=long\ntime_format= hh:nn \n");
    EXPECT_EQ(text(cfg_port), "9091");
    EXPECT_EQ(text(cfg_kodiexe), "kodi.bin");
    EXPECT_EQ(text(cfg_welcome), "Kodi Media Center");
    EXPECT_EQ(text(cfg_time_format), " hh:nn ");
}

TEST_F(settings_file, spaces_around_the_equals_sign_belong_to_the_key) {
    read("port = 9091\n");
    EXPECT_EQ(text(cfg_port), "9090");
}

TEST_F(settings_file, line_ends_are_removed_whether_lf_or_cr_lf) {
    read("port=9091\r\nwelcome=crlf\r\nstop_str=lf\nknf_str=last line without end");
    EXPECT_EQ(text(cfg_port), "9091");
    EXPECT_EQ(text(cfg_welcome), "crlf");
    EXPECT_EQ(text(cfg_stop_str), "lf");
    EXPECT_EQ(text(cfg_knf_str), "last line without end");
}

TEST_F(settings_file, integers_convert_like_strtol_and_clamp_to_32_bits) {
    read(
        "lcd_width=16x2\nuse_bars=abc\nreset_delay=  -7\ndisable_icon=+5\n"
        "idle_timer=99999999999\nconnect_delay=-99999999999999999999999\nnewfile=\n"
        "logging=2147483647\n");
    EXPECT_EQ(config_int(cfg_lcd_width), 16);
    EXPECT_EQ(config_int(cfg_use_bars), 0);
    EXPECT_EQ(config_int(cfg_reset_delay), -7);
    EXPECT_EQ(config_int(cfg_disable_icon), 5);
    EXPECT_EQ(config_int(cfg_idle_timer), INT32_MAX);
    EXPECT_EQ(config_int(cfg_connect_delay), INT32_MIN);
    EXPECT_EQ(config_int(cfg_newfile), 0);
    EXPECT_EQ(config_int(cfg_logging), INT32_MAX);
}

TEST_F(settings_file, comments_only_in_the_first_column_and_the_first_equals_splits) {
    read("//port=1\n //stop_str=2\nwelcome=a=b\nno equals sign here\n/=x\n");
    EXPECT_EQ(text(cfg_port), "9090");
    EXPECT_EQ(text(cfg_stop_str), "Stop");
    EXPECT_EQ(text(cfg_welcome), "a=b");
}

TEST_F(settings_file, the_last_value_of_a_key_wins) {
    read("port=1\nlcd_width=10\nPORT=2\nlcd_width=40\n");
    EXPECT_EQ(text(cfg_port), "2");
    EXPECT_EQ(config_int(cfg_lcd_width), 40);
}

TEST_F(settings_file, text_values_are_cut_to_63_characters) {
    const std::string exact(63, 'e');
    const std::string longer = std::string(63, 'l') + "Z";
    read("welcome=" + exact + "\nstop_str=" + longer + "\n");
    EXPECT_EQ(text(cfg_welcome), exact);
    EXPECT_EQ(text(cfg_stop_str), std::string(63, 'l'));
}

TEST_F(settings_file, a_long_line_is_read_in_pieces_of_127_characters) {
    // 127 characters, then 73 that form a line of their own.
    const std::string first = "welcome=" + std::string(119, 'a');
    const std::string second = "track_str=" + std::string(63, 'c');
    ASSERT_EQ(first.size() + second.size(), 200u);
    read(first + second + "\nport=9091\n");
    EXPECT_EQ(text(cfg_welcome), std::string(63, 'a'));
    EXPECT_EQ(text(cfg_track_str), std::string(63, 'c'));
    EXPECT_EQ(text(cfg_port), "9091");
}

TEST_F(settings_file, a_value_of_10000_characters_costs_nothing_beyond_its_line) {
    read("welcome=" + std::string(10000, 'w') + "\nport=9091\nwelcome_tail=1\n");
    EXPECT_EQ(text(cfg_welcome), std::string(63, 'w'));
    EXPECT_EQ(text(cfg_port), "9091");
}

TEST_F(settings_file, binary_and_nul_bytes_never_break_the_reader) {
    std::string contents = "\x01\x02\xff\xfe=\x80\x81\n";
    contents += std::string(
        "port=90\0"
        "99\n",
        11);                                             // NUL ends the C-string
    contents += std::string("\0stop_str=hidden\n", 17);  // NUL in column 1: empty line
    contents += "welcome=\xc3\xa9\xff\x7f\n";            // bytes are kept as they are
    contents += std::string(300, '\xff') + "=" + std::string(300, '\0') + "\n";
    contents += "lcd_width=12\n";
    read(contents);
    EXPECT_EQ(text(cfg_port), "90");
    EXPECT_EQ(text(cfg_stop_str), "Stop");
    EXPECT_EQ(text(cfg_welcome), "\xc3\xa9\xff\x7f");
    EXPECT_EQ(config_int(cfg_lcd_width), 12);
}

TEST_F(settings_file, reading_writes_the_debug_output_lines) {
    testenv::start_debug_capture();
    read("PORT=9091\nunknown=x\n// comment=1\n");
    const std::string output = testenv::finish_debug_capture();
    // The value is shown once as read (with its line end) and once as stored.
    EXPECT_EQ(output,
              "config item\nPORT\n9091\n\n"
              "Setting config item\nPORT\n9091\n"
              "config item\nunknown\nx\n\n");
}

}  // namespace
