#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <string>
#include <thread>
#include <vector>

// GoogleTest before the JSON library's headers, whose macro U clashes with its templates.
#include "support/test_env.h"

#include "platform/text_encoding.h"
#include "settings/config.h"
#include "settings/log.h"

namespace fs = std::filesystem;

namespace {

class log_file : public testenv::host_folder_test {
  protected:
    void start(const std::string& settings) {
        write_config(settings);
        init_config();
        init_logging();
    }
    void leave_previous_log(const std::string& contents) {
        std::ofstream(fs::path("plugins") / "plinthar.log", std::ios::binary) << contents;
    }
    static bool log_exists() { return fs::exists(fs::path("plugins") / "plinthar.log"); }
};

TEST_F(log_file, logging_0_creates_no_file_even_with_newfile_1) {
    start("logging=0\nnewfile=1\n");
    write_log("never %d", 1);
    EXPECT_FALSE(logging_enabled());
    EXPECT_FALSE(log_exists());
}

TEST_F(log_file, logging_0_leaves_a_previous_log_untouched) {
    leave_previous_log("old line\n");
    start("logging=0\nnewfile=1\n");
    write_log("never");
    EXPECT_EQ(log_lines(), std::vector<std::string>{"old line"});
}

TEST_F(log_file, newfile_1_starts_a_new_log_with_the_init_line) {
    leave_previous_log("old line\n");
    start("logging=1\nnewfile=1\n");
    write_log("SmartieInit");
    EXPECT_TRUE(logging_enabled());
    EXPECT_EQ(log_lines(), (std::vector<std::string>{"Init", "SmartieInit"}));
}

TEST_F(log_file, newfile_0_appends_to_the_previous_log) {
    leave_previous_log("old line\n");
    start("logging=1\nnewfile=0\n");
    EXPECT_EQ(log_lines(), (std::vector<std::string>{"old line", "Init"}));
}

TEST_F(log_file, lines_carry_the_time_stamp_and_printf_formatting) {
    start("logging=1\n");
    write_log("plain text, 100%% done");
    write_log("Client Close Detected: status=%d", -3);
    write_log("item %s, retsubItem %s", "a", "b");
    const std::regex stamped(R"(\d\d/\d\d/\d\d \d\d:\d\d:\d\d: .*)");
    for (const auto& line : raw_log_lines()) EXPECT_TRUE(std::regex_match(line, stamped)) << line;
    EXPECT_EQ(log_lines(), (std::vector<std::string>{"Init", "plain text, 100% done",
                                                     "Client Close Detected: status=-3",
                                                     "item a, retsubItem b"}));
}

TEST_F(log_file, wide_texts_are_written_as_utf8) {
    start("logging=1\n");
    const std::string title = "Café – 日本語 🎵 Ünïcode";
    write_log("title %ls", utf8_to_wide(title).c_str());
    write_log("Mode set to %ls", utf8_to_wide("bad \xff byte").c_str());
    EXPECT_TRUE(log_contains("title " + title));
    EXPECT_TRUE(log_contains("Mode set to bad \xEF\xBF\xBD byte"));
}

TEST_F(log_file, long_messages_are_written_whole) {
    start("logging=1\n");
    const std::string narrow(20000, 'n');
    const std::wstring wide(5000, L'ü');
    write_log("Received: %s", narrow.c_str());
    write_log("Sending: %ls", wide.c_str());
    std::string utf8_wide;
    for (int i = 0; i < 5000; ++i) utf8_wide += "ü";
    EXPECT_TRUE(log_contains("Received: " + narrow));
    EXPECT_TRUE(log_contains("Sending: " + utf8_wide));
}

TEST_F(log_file, many_threads_append_whole_lines) {
    start("logging=1\n");
    constexpr int thread_count = 8;
    constexpr int lines_per_thread = 150;
    std::vector<std::thread> threads;
    for (int t = 0; t < thread_count; ++t) {
        threads.emplace_back([t] {
            // Lines of different lengths make torn or interleaved writes visible.
            for (int i = 0; i < lines_per_thread; ++i)
                write_log("thread %d line %d %s", t, i,
                          std::string(50 + (i * 37) % 900, 'x').c_str());
        });
    }
    for (auto& thread : threads) thread.join();

    const auto lines = log_lines();
    ASSERT_EQ(lines.size(), 1u + thread_count * lines_per_thread);
    std::set<std::string> seen;
    const std::regex whole(R"(thread (\d+) line (\d+) (x+))");
    for (size_t i = 1; i < lines.size(); ++i) {
        std::smatch match;
        ASSERT_TRUE(std::regex_match(lines[i], match, whole)) << lines[i].substr(0, 80);
        const int line = std::stoi(match[2]);
        EXPECT_EQ(match[3].length(), static_cast<size_t>(50 + (line * 37) % 900));
        seen.insert(match[1].str() + ":" + match[2].str());
    }
    EXPECT_EQ(seen.size(), static_cast<size_t>(thread_count * lines_per_thread));
}

TEST_F(log_file, without_a_plugins_folder_nothing_is_logged_and_nothing_fails) {
    write_config("logging=1\nnewfile=1\n");
    init_config();
    fs::remove_all("plugins");
    init_logging();
    write_log("SmartieInit");
    EXPECT_TRUE(logging_enabled());
    EXPECT_FALSE(fs::exists("plugins"));
}

}  // namespace
