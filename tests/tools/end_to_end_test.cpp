// Host, plug-in and Kodi simulator together, as a user runs them.
#include <fstream>
#include <regex>

#include <gtest/gtest.h>

#include "support/child_process.h"
#include "support/test_env.h"

namespace {

using namespace std::chrono_literals;
using tooltest::binary;
using tooltest::child_process;

class end_to_end : public testenv::host_folder_test {
  protected:
    // Starts the simulator on a free port and returns the port, 0 on failure.
    int start_simulator(const std::vector<std::string>& extra = {}) {
        std::vector<std::string> args = {"--port", "0", "--speed", "4"};
        args.insert(args.end(), extra.begin(), extra.end());
        simulator = std::make_unique<child_process>(binary("plinthar-kodi-sim"), args,
                                                    folder() + "/sim.out", folder() + "/sim.err");
        static const std::regex listening(R"(listening on 127\.0\.0\.1:(\d+))");
        std::smatch match;
        std::string out;
        if (!testenv::wait_until(
                [&] {
                    out = simulator->out();
                    return std::regex_search(out, match, listening);
                },
                10s))
            return 0;
        return std::stoi(match[1]);
    }

    std::unique_ptr<child_process> simulator;
};

TEST_F(end_to_end, the_host_shows_the_simulated_movie_through_the_plugin) {
    const int port = start_simulator();
    ASSERT_NE(port, 0) << simulator->err();
    write_config("port=" + std::to_string(port) + "\nkodiexe=plinthar-kodi-sim\n");

    child_process host(binary("plinthar-host"),
                       {"--plugin", PLINTHAR_MODULE_PATH, "--plain", "--seconds", "30"},
                       folder() + "/host.out", folder() + "/host.err");
    const bool shown = testenv::wait_until(
        [&] { return host.out().find("\u25B6 Harbour Lights") != std::string::npos; }, 15s);
    host.ask_to_stop(true);
    ASSERT_TRUE(host.wait(10s)) << "Ctrl-C must end the host";
    EXPECT_EQ(host.exit_code(), 0) << host.err();
    EXPECT_TRUE(shown) << host.out() << "\nsimulator:\n" << simulator->out();

    simulator->ask_to_stop();
    ASSERT_TRUE(simulator->wait(5s));
    EXPECT_EQ(simulator->exit_code(), 0);
}

}  // namespace
