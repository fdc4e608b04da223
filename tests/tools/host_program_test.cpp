// The plinthar-host program with a recording stand-in plug-in: call order, signals,
// the host folder and clear errors.
#include <algorithm>
#include <fstream>
#include <sstream>

#include <gtest/gtest.h>

#include "support/child_process.h"
#include "support/test_env.h"

namespace {

using namespace std::chrono_literals;
using tooltest::binary;
using tooltest::child_process;

struct logged_call {
    long long ms;
    std::string name;
    std::string rest;
};

std::vector<logged_call> read_calls(const std::string& path) {
    std::vector<logged_call> calls;
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        logged_call call;
        fields >> call.ms >> call.name;
        std::getline(fields, call.rest);
        calls.push_back(call);
    }
    return calls;
}

class host_program : public testenv::host_folder_test {
  protected:
    std::string plugin(const std::string& name = "recording_plugin") {
        return tooltest::test_plugin(name);
    }
    std::string calls_path() const { return folder() + "/calls.log"; }
    void write_file(const std::string& name, const std::string& text) {
        std::ofstream(folder() + "/" + name, std::ios::binary) << text;
    }

    // Runs the host to its end and expects a failure with a one-line message.
    void expect_clear_failure(const std::vector<std::string>& args, const std::string& part) {
        child_process host(binary("plinthar-host"), args, folder() + "/out.txt",
                           folder() + "/err.txt");
        ASSERT_TRUE(host.wait(10s));
        EXPECT_TRUE(host.exited_normally()) << "no crash";
        EXPECT_NE(host.exit_code(), 0);
        const std::string err = host.err();
        EXPECT_NE(err.find(part), std::string::npos) << err;
        EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
        EXPECT_EQ(err.rfind("plinthar-host: ", 0), 0u) << err;
    }
};

TEST_F(host_program, sigterm_ends_it_promptly_with_fini_last) {
    write_file("s.screen", "{1}\n{5:Player.GetProperties:time#hours}\n");
    child_process host(
        binary("plinthar-host"),
        {"--plugin", plugin(), "--folder", "plugins", "--screen", "s.screen", "--plain"},
        folder() + "/out.txt", folder() + "/err.txt", {{"RECORDING_PLUGIN_INTERVAL", "100"}});
    const std::string calls_file = folder() + "/plugins/calls.log";  // the host's folder
    ASSERT_TRUE(testenv::wait_until([&] { return read_calls(calls_file).size() >= 20; }, 10s));
    host.ask_to_stop();
    ASSERT_TRUE(host.wait(3s)) << "SIGTERM must end the host promptly";
    EXPECT_EQ(host.exit_code(), 0) << host.err();

    const auto calls = read_calls(calls_file);
    ASSERT_GE(calls.size(), 5u);
    // As the display host loads it: SmartieInit before anything else is looked up.
    EXPECT_EQ(calls[0].name, "SmartieInit");
    EXPECT_EQ(calls[1].name, "GetMinRefreshInterval");
    EXPECT_EQ(calls.back().name, "SmartieFini");
    long long last_function1 = -1;
    for (size_t i = 2; i + 1 < calls.size(); ++i) {
        EXPECT_NE(calls[i].name, "SmartieInit");
        EXPECT_NE(calls[i].name, "SmartieFini");
        if (calls[i].name == "function5") {
            EXPECT_EQ(calls[i].rest, " [Player.GetProperties] [time#hours]") << "fresh copies";
        }
        if (calls[i].name != "function1") continue;
        if (last_function1 >= 0) {
            EXPECT_GE(calls[i].ms - last_function1, 100);
        }
        last_function1 = calls[i].ms;
    }
    EXPECT_NE(host.out().find("\u25B6 Hello"), std::string::npos) << host.out();
}

TEST_F(host_program, plain_mode_prints_changed_frames_and_seconds_ends_it) {
    child_process host(
        binary("plinthar-host"),
        {"--plugin", plugin(), "--plain", "--seconds", "1", "--width", "12", "--height", "2"},
        folder() + "/out.txt", folder() + "/err.txt");
    ASSERT_TRUE(host.wait(10s));
    EXPECT_EQ(host.exit_code(), 0) << host.err();
    // The same frame each time: printed once. The bar is 5 of 10 cells, then 2 blanks.
    EXPECT_EQ(host.out(), "\u25B6 Hello     \n\u2588\u2588\u2588\u2588\u2588       \n\n");
    const auto calls = read_calls(calls_path());
    ASSERT_FALSE(calls.empty());
    EXPECT_EQ(calls.back().name, "SmartieFini");
}

TEST_F(host_program, the_fancy_view_draws_a_framed_lcd) {
    child_process host(binary("plinthar-host"), {"--plugin", plugin(), "--seconds", "0.5"},
                       folder() + "/out.txt", folder() + "/err.txt");
    ASSERT_TRUE(host.wait(10s));
    EXPECT_EQ(host.exit_code(), 0);
    const std::string out = host.out();
    EXPECT_NE(out.find("\u256D"), std::string::npos);  // frame corner
    EXPECT_NE(out.find("\u25B6 Hello"), std::string::npos);
    EXPECT_NE(out.find("\x1b[?25h"), std::string::npos) << "the cursor comes back";
}

TEST_F(host_program, a_function_the_plugin_lacks_is_shown_as_missing_in_its_row) {
    write_file("s.screen",
               "$dll(recording_plugin_partial,7,,)\n$dll(recording_plugin_partial,6,,)\n");
    child_process host(binary("plinthar-host"),
                       {"--plugin", plugin("recording_plugin_partial"), "--screen", "s.screen",
                        "--plain", "--seconds", "0.5", "--width", "20", "--height", "2"},
                       folder() + "/out.txt", folder() + "/err.txt");
    ASSERT_TRUE(host.wait(10s));
    EXPECT_EQ(host.exit_code(), 0) << host.err();
    EXPECT_EQ(host.out(), "[Dll: no function7] \n6                   \n\n");
}

TEST_F(host_program, info_prints_both_help_texts_of_the_plugin) {
    write_file("plugins/plinthar.cfg", "port=1\n");
    child_process host(binary("plinthar-host"), {"--info", "--plugin", PLINTHAR_MODULE_PATH},
                       folder() + "/out.txt", folder() + "/err.txt");
    ASSERT_TRUE(host.wait(10s));
    EXPECT_EQ(host.exit_code(), 0) << host.err();
    const std::string out = host.out();
    EXPECT_EQ(out.rfind("SmartieInfo:\nDeveloper: ", 0), 0u) << out;
    EXPECT_NE(out.find("\nVersion: 2.0 "), std::string::npos) << out;
    EXPECT_NE(out.find("\n\nSmartieDemo:\n"), std::string::npos) << out;
    EXPECT_NE(out.find("\n$dll(plinthar,7,XBMC.GetInfoLabels,System.Time)\n"), std::string::npos);
    EXPECT_EQ(out.find('\r'), std::string::npos) << "lines ended for the terminal";
}

TEST_F(host_program, failures_give_one_clear_line_and_a_non_zero_exit) {
    expect_clear_failure({"--plugin", folder() + "/nothing.so"}, "cannot find the plug-in");
    write_file("broken.so", "this is no library");
    expect_clear_failure({"--plugin", folder() + "/broken.so"}, "cannot load the plug-in");
    expect_clear_failure({"--plugin", plugin(), "--screen", "missing.screen"},
                         "cannot read the screen file missing.screen");
    write_file("bad.screen", "{1}\n{2}\n{13}\n");
    expect_clear_failure({"--plugin", plugin(), "--screen", "bad.screen"}, "bad.screen:3:");
    write_file("tall.screen", "1\n2\n3\n");
    expect_clear_failure({"--plugin", plugin(), "--screen", "tall.screen", "--height", "2"},
                         "3 rows");
    expect_clear_failure({"--plugin", plugin(), "--folder", "no/such/folder"},
                         "cannot enter the host folder");
    EXPECT_FALSE(std::ifstream(calls_path()).good()) << "no plug-in call after a failure";
}

}  // namespace
