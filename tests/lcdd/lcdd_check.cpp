// The host draws the plug-in's screens on a real LCDd while the Kodi simulator plays: the
// frames LCDd renders (its text driver, headless) must show what a user would see.
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "support/child_process.h"
#include "support/test_env.h"

namespace {

using namespace std::chrono_literals;
using tooltest::binary;
using tooltest::child_process;

constexpr int display_width = 16;
constexpr int scroll_ms = 250;
constexpr int scroll_pause_ms = 1000;

// One row's text and for how many rendered frames in a row it stood.
struct row_run {
    std::string text;
    int frames = 0;
};

struct lcd_frames {
    std::vector<std::vector<std::string>> frames;  // every rendered frame, rows without the box

    std::vector<row_run> runs(size_t row) const {
        std::vector<row_run> result;
        for (const auto& f : frames) {
            const std::string text = row < f.size() ? f[row] : "";
            if (result.empty() || result.back().text != text) result.push_back({text, 0});
            ++result.back().frames;
        }
        return result;
    }

    std::string tail(size_t count) const {
        std::string text;
        std::vector<std::string> last;
        for (size_t i = frames.size() > count * 40 ? frames.size() - count * 40 : 0;
             i < frames.size(); ++i) {
            std::string joined;
            for (const auto& r : frames[i]) joined += "|" + r + "|\n";
            if (last.empty() || joined != last.back()) last.push_back(joined);
        }
        for (size_t i = last.size() > count ? last.size() - count : 0; i < last.size(); ++i)
            text += last[i] + "\n";
        return text;
    }
};

// LCDd started and stopped through the headless script, with its frames in DIR/frames.txt.
class lcdd_server {
  public:
    lcdd_server(std::string script, std::string dir, int port)
        : script_(std::move(script)), dir_(std::move(dir)), port_(port) {}
    ~lcdd_server() { stop(); }

    bool start() {
        const std::string command = "bash " + script_ + " start " + dir_ + " " +
                                    std::to_string(port_) + " " + std::to_string(display_width) +
                                    "x2 >/dev/null";
        started_ = std::system(command.c_str()) == 0;
        return started_;
    }
    void stop() {
        if (!started_) return;
        const std::string command = "bash " + script_ + " stop " + dir_;
        if (std::system(command.c_str()) != 0) ADD_FAILURE() << "cannot stop LCDd in " << dir_;
        started_ = false;
    }
    pid_t pid() const {
        std::ifstream in(dir_ + "/lcdd.pid");
        pid_t value = -1;
        in >> value;
        return value;
    }

    lcd_frames frames() const {
        lcd_frames result;
        std::ifstream in(dir_ + "/frames.txt", std::ios::binary);
        std::string line;
        std::vector<std::string> box;
        bool inside = false;
        while (std::getline(in, line)) {
            if (line.size() >= 2 && line.front() == '+' && line.back() == '+') {
                if (inside) result.frames.push_back(box);
                inside = !inside;
                box.clear();
            } else if (inside && line.size() >= 2) {
                box.push_back(line.substr(1, line.size() - 2));
            }
        }
        return result;
    }

  private:
    std::string script_;
    std::string dir_;
    int port_;
    bool started_ = false;
};

int free_port() {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    int port = 0;
    if (bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
        getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0)
        port = ntohs(address.sin_port);
    close(fd);
    return port;
}

// Polls at a pace that suits a file written 8 times a second.
bool poll_until(const std::function<bool()>& condition, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (true) {
        if (condition()) return true;
        if (std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::sleep_for(100ms);
    }
}

bool is_bar(const std::string& row) {
    static const std::regex bar("-+ *");
    return std::regex_match(row, bar);
}

bool is_clock(const std::string& row) {
    static const std::regex clock(R"( *\d\d/\d\d/\d\d \d\d:\d\d *)");
    return std::regex_match(row, clock);
}

// The window of line shown at offset, or -1 when text is no window of it.
int window_offset(const std::string& text, const std::string& line) {
    for (size_t offset = 0; offset + display_width <= line.size(); ++offset)
        if (line.compare(offset, display_width, text) == 0) return static_cast<int>(offset);
    return -1;
}

const std::string song_row = "> Salt on the Window";  // 20 cells on a 16-cell display

class lcdd_check : public testenv::host_folder_test {
  protected:
    void SetUp() override {
        host_folder_test::SetUp();
        const char* script = std::getenv("LCDD_SCRIPT");
        const char* work = std::getenv("LCDD_WORK");
        if (!script || !work) GTEST_SKIP() << "run through run.sh (LCDD_SCRIPT, LCDD_WORK)";
        script_ = script;
        work_ = work;
    }

    int start_simulator() {
        simulator = std::make_unique<child_process>(
            binary("plinthar-kodi-sim"), std::vector<std::string>{"--port", "0", "--speed", "2"},
            folder() + "/sim.out", folder() + "/sim.err");
        static const std::regex listening(R"(listening on 127\.0\.0\.1:(\d+))");
        std::smatch match;
        std::string out;
        if (!poll_until(
                [&] {
                    out = simulator->out();
                    return std::regex_search(out, match, listening);
                },
                10s))
            return 0;
        return std::stoi(match[1]);
    }

    std::string script_;
    std::string work_;
    std::unique_ptr<child_process> simulator;
};

TEST_F(lcdd_check, the_host_draws_the_programme_on_lcdd_and_survives_its_restart) {
    const auto started = std::chrono::steady_clock::now();
    const int lcdd_port = free_port();
    ASSERT_NE(lcdd_port, 0);
    auto lcdd = std::make_unique<lcdd_server>(script_, work_ + "/lcdd1", lcdd_port);
    ASSERT_TRUE(lcdd->start()) << "LCDd did not start; see " << work_ << "/lcdd1/lcdd.log";

    const int kodi_port = start_simulator();
    ASSERT_NE(kodi_port, 0) << simulator->err();
    write_config("port=" + std::to_string(kodi_port) +
                 "\nkodiexe=plinthar-kodi-sim\nlcd_width=16\nreset_delay=1\n");

    child_process host(
        binary("plinthar-host"),
        {"--plugin", PLINTHAR_MODULE_PATH, "--plain", "--lcdproc",
         "127.0.0.1:" + std::to_string(lcdd_port), "--scroll-ms", std::to_string(scroll_ms),
         "--scroll-pause", std::to_string(scroll_pause_ms)},
        folder() + "/host.out", folder() + "/host.err");

    // The whole programme up to the song's end and the welcome screen after it.
    lcd_frames seen;
    auto song_done = [&] {
        seen = lcdd->frames();
        bool song = false, stopped = false;
        for (const auto& f : seen.frames) {
            if (f.size() < 2) continue;
            if (window_offset(f[0], song_row) >= 0) song = true;
            if (song && f[0].find("Stop") != std::string::npos) stopped = true;
            if (stopped && f[0].find("Kodi Media") != std::string::npos && is_clock(f[1]))
                return true;
        }
        return false;
    };
    const bool programme_seen = poll_until(song_done, 75s);
    ASSERT_TRUE(programme_seen) << "last frames:\n" << seen.tail(12) << "host:\n" << host.err();
    const auto programme_time = std::chrono::steady_clock::now() - started;

    bool title = false, movie_bar = false, volume = false, song_bar = false, welcome = false;
    bool stopped = false;
    for (const auto& f : seen.frames) {
        ASSERT_EQ(f.size(), 2u);
        if (f[0] == "> Harbour Lights") title = true;
        if (f[0] == "> Harbour Lights" && is_bar(f[1])) movie_bar = true;
        if (f[0].find("Volume") != std::string::npos && is_bar(f[1])) volume = true;
        if (window_offset(f[0], song_row) >= 0 && is_bar(f[1])) song_bar = true;
        if (f[0].find("Stop") != std::string::npos) stopped = true;
        if (stopped && f[0].find("Kodi Media") != std::string::npos && is_clock(f[1]))
            welcome = true;
    }
    EXPECT_TRUE(title) << "the movie's title row with the play icon";
    EXPECT_TRUE(movie_bar) << "the movie's progress bar";
    EXPECT_TRUE(volume) << "the volume screen with its bar";
    EXPECT_TRUE(song_bar) << "the song's progress bar under its title";
    EXPECT_TRUE(welcome) << "the welcome screen with the clock after a stop";

    // The song's title row scrolls: offsets 0 1 2 3 4 0, waiting at both ends.
    const auto runs = seen.runs(0);
    bool cycle = false;
    for (size_t i = 0; i + 5 < runs.size() && !cycle; ++i) {
        bool in_order = true;
        for (int k = 0; k <= 5; ++k)
            in_order = in_order && window_offset(runs[i + k].text, song_row) == (k == 5 ? 0 : k);
        if (!in_order) continue;
        cycle = true;
        int longest_step = 0;
        for (int k = 1; k <= 3; ++k) longest_step = std::max(longest_step, runs[i + k].frames);
        EXPECT_GE(runs[i].frames, 2 * longest_step) << "the pause at the start";
        EXPECT_GE(runs[i + 4].frames, 2 * longest_step) << "the pause at the end";
    }
    EXPECT_TRUE(cycle) << "no full scroll cycle of \"" << song_row << "\":\n" << seen.tail(40);

    // The host took LCDd's size.
    const std::string plain = host.out();
    EXPECT_NE(plain.find("\u25B6 Harbour Lights\n"), std::string::npos);

    // LCDd frozen: the host goes on refreshing (the live TV row keeps scrolling).
    const pid_t lcdd_pid = lcdd->pid();
    ASSERT_GT(lcdd_pid, 0);
    kill(lcdd_pid, SIGSTOP);
    const size_t before = host.out().size();
    const bool refreshed = poll_until([&] { return host.out().size() > before + 100; }, 10s);
    kill(lcdd_pid, SIGCONT);
    EXPECT_TRUE(refreshed) << "the host stalled while LCDd did not read";

    // LCDd restarts on the same port: the host comes back by itself.
    lcdd->stop();
    lcdd = std::make_unique<lcdd_server>(script_, work_ + "/lcdd2", lcdd_port);
    ASSERT_TRUE(lcdd->start());
    const bool back = poll_until(
        [&] {
            seen = lcdd->frames();
            return !seen.frames.empty() && seen.frames.back().size() == 2 &&
                   seen.frames.back()[0].find_first_not_of(' ') != std::string::npos;
        },
        20s);
    EXPECT_TRUE(back) << "nothing drawn after LCDd's restart:\n" << seen.tail(3) << host.err();

    host.ask_to_stop(true);
    ASSERT_TRUE(host.wait(10s)) << "Ctrl-C must end the host";
    EXPECT_EQ(host.exit_code(), 0) << host.err();
    const std::string log = host.err();
    size_t connections = 0;
    for (size_t at = log.find("connected to LCDd"); at != std::string::npos;
         at = log.find("connected to LCDd", at + 1))
        ++connections;
    EXPECT_EQ(connections, 2u) << log;

    simulator->ask_to_stop();
    EXPECT_TRUE(simulator->wait(5s));
    lcdd->stop();
    std::printf("programme drawn in %.1f s, whole check %.1f s\n",
                std::chrono::duration<double>(programme_time).count(),
                std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count());
}

}  // namespace
