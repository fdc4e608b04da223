// Plays a movie and a song on a real Kodi 20 and checks, through the plug-in's exports as a
// display host calls them, that the title line, the status line and the info item query
// follow what Kodi does. Run by run.sh inside a loopback-only network namespace in which
// Kodi already listens; REAL_KODI_MEDIA names the media folder, REAL_KODI_PORT the port,
// REAL_KODI_PLUGIN another plug-in than the one built here, REAL_KODI_HOST_FOLDER the host's
// folder (plugins/plinthar.cfg and the log go there; a temporary folder by default).
#include <dlfcn.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <regex>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "real_kodi/kodi_rpc.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using real_kodi::clock;
using text_function = char* (*)(char*, char*);
using json = web::json::value;

// The host may call the text functions no more often than this.
constexpr auto refresh_interval = 300ms;

const std::string play_icon = "$CustomChar(7, 16, 24, 28, 30, 28, 24, 16, 0)$Chr(135)";
const std::string pause_icon = "$CustomChar(7, 27, 27, 27, 27, 27, 27, 27, 0)$Chr(135)";
const std::string stop_icon = "$CustomChar(7, 14, 14, 14, 14, 14, 14, 14, 0)$Chr(135)";
const std::string muted_icon = "$CustomChar(7, 8, 13, 10, 15, 11, 26, 12, 8)$Chr(135)";
const std::string welcome_line = "  Kodi Media Center";
const std::string clock_line = "$Center($Time(mm/dd/yy hh:nn))";

std::string env_or(const char* name, const std::string& fallback) {
    const char* value = std::getenv(name);
    return value && *value ? value : fallback;
}

json parse(const std::string& text) {
    return json::parse(text);
}

// -1 when the text is not a plain decimal number.
int number_in(const std::string& text) {
    static const std::regex digits("^-?[0-9]+$");
    return std::regex_match(text, digits) ? std::stoi(text) : -1;
}

// The percentage of a "$Bar(N,100,20)" progress line, -1 for any other line.
int bar_value(const std::string& line) {
    static const std::regex bar(R"(^\$Bar\(([0-9]+),100,20\)$)");
    std::smatch match;
    return std::regex_match(line, match, bar) ? std::stoi(match[1]) : -1;
}

std::string joined(const std::vector<std::string>& texts) {
    std::string all;
    for (const auto& text : texts) all += "\n    [" + text + "]";
    return all;
}

class real_kodi_check : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        started_ = clock::now();
        try {
            set_up();
        } catch (const std::exception& e) {
            setup_error_ = e.what();
        }
    }

    static void TearDownTestSuite() {
        if (fini_) fini_();
        if (module_) dlclose(module_);
        print_notifications();
        const bool failed =
            ::testing::UnitTest::GetInstance()->failed_test_count() > 0 || !setup_error_.empty();
        if (failed) print_log();
        delete rpc_;
        rpc_ = nullptr;
        std::error_code ignored;
        fs::current_path("/", ignored);
        if (!failed && own_folder_) fs::remove_all(folder_, ignored);
    }

    void SetUp() override { ASSERT_TRUE(setup_error_.empty()) << setup_error_; }

    static void set_up() {
        folder_ = env_or("REAL_KODI_HOST_FOLDER", "");
        if (folder_.empty()) {
            char pattern[] = "/tmp/plinthar-real-kodi-XXXXXX";
            if (!mkdtemp(pattern)) throw std::runtime_error("cannot make a host folder");
            folder_ = pattern;
            own_folder_ = true;
        }
        fs::create_directories(fs::path(folder_) / "plugins");
        fs::current_path(folder_);
        std::ofstream(fs::path(folder_) / "plugins" / "plinthar.cfg")
            << "kodiexe=kodi.bin\nport=" << port() << "\nlogging=1\nreset_delay=2\n";

        const std::string plugin = env_or("REAL_KODI_PLUGIN", PLINTHAR_MODULE_PATH);
        module_ = dlopen(plugin.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!module_) throw std::runtime_error(std::string("dlopen: ") + dlerror());
        auto init = reinterpret_cast<void (*)()>(dlsym(module_, "SmartieInit"));
        fini_ = reinterpret_cast<void (*)()>(dlsym(module_, "SmartieFini"));
        for (int i = 1; i <= 11; ++i)
            functions_[i] = reinterpret_cast<text_function>(
                dlsym(module_, ("function" + std::to_string(i)).c_str()));
        if (!init || !fini_) throw std::runtime_error("SmartieInit or SmartieFini missing");
        for (int i = 1; i <= 11; ++i)
            if (!functions_[i])
                throw std::runtime_error("function" + std::to_string(i) + " missing");

        rpc_ = new real_kodi::kodi_rpc;
        rpc_->connect(port());
        init();
    }

    static uint16_t port() {
        return static_cast<uint16_t>(std::stoi(env_or("REAL_KODI_PORT", "9090")));
    }
    static std::string media(const std::string& name) {
        return env_or("REAL_KODI_MEDIA", "/tmp/kodi-media") + "/" + name;
    }

    // One host call of functionN with the two parameter texts.
    static std::string call(int n, const std::string& first = "", const std::string& second = "") {
        std::vector<char> a(first.begin(), first.end()), b(second.begin(), second.end());
        a.push_back('\0');
        b.push_back('\0');
        const char* text = functions_[n](a.data(), b.data());
        return text ? text : "(null)";
    }

    // Calls functionN at the host's refresh rate until its text satisfies done or the
    // timeout passes; seen keeps every distinct text in order, for the failure message.
    static bool poll(int n, const std::function<bool(const std::string&)>& done,
                     std::chrono::milliseconds timeout, std::vector<std::string>* seen = nullptr,
                     const std::string& first = "", const std::string& second = "") {
        std::vector<std::string> own;
        if (!seen) seen = &own;
        const auto deadline = clock::now() + timeout;
        for (;;) {
            const std::string text = call(n, first, second);
            if (seen->empty() || seen->back() != text) seen->push_back(text);
            if (done(text)) return true;
            if (clock::now() >= deadline) return false;
            rpc_->listen_for(refresh_interval);
        }
    }

    static bool poll_for(int n, const std::string& expected, std::chrono::milliseconds timeout,
                         std::vector<std::string>* seen) {
        return poll(
            n, [&](const std::string& text) { return text == expected; }, timeout, seen);
    }

    // Every host call of functionN over this long answers expected.
    static void expect_steady(int n, const std::string& expected, std::chrono::milliseconds span) {
        std::vector<std::string> seen;
        poll(
            n, [&](const std::string& text) { return text != expected; }, span, &seen);
        EXPECT_EQ(seen, std::vector<std::string>{expected}) << "function" << n << " changed";
    }

    static json rpc(const std::string& method, const std::string& params) {
        return rpc_->call(method, params.empty() ? json::null() : parse(params));
    }

    // Kodi's own elapsed time, whole seconds part.
    static int kodi_seconds(int player) {
        const json reply = rpc("Player.GetProperties", R"({"playerid":)" + std::to_string(player) +
                                                           R"(,"properties":["time"]})");
        return reply.at("result").at("time").at("seconds").as_integer();
    }

    static double kodi_percentage(int player) {
        const json reply = rpc("Player.GetProperties", R"({"playerid":)" + std::to_string(player) +
                                                           R"(,"properties":["percentage"]})");
        return reply.at("result").at("percentage").as_double();
    }

    static int seconds_shown() {
        return number_in(call(5, "Player.GetProperties", "time#seconds"));
    }

    // function5's "time#seconds" lies between Kodi's answers just before and just after it.
    static void expect_seconds_follow_kodi(int player) {
        const int before = kodi_seconds(player);
        const int shown = seconds_shown();
        const int after = kodi_seconds(player);
        EXPECT_LE(before, shown) << "Kodi said " << before << " s, then " << after << " s";
        EXPECT_LE(shown, after) << "Kodi said " << before << " s, then " << after << " s";
    }

    static void expect_seconds_advance(int from) {
        std::vector<std::string> seen;
        EXPECT_TRUE(poll(
            5, [&](const std::string& text) { return number_in(text) > from; }, 5s, &seen,
            "Player.GetProperties", "time#seconds"))
            << "time#seconds stayed at " << from << joined(seen);
    }

    static double since_start(clock::time_point at) {
        return std::chrono::duration<double>(at - started_).count();
    }

    static void print_notifications() {
        if (!rpc_) return;
        std::printf("Kodi's notifications (seconds since start):\n");
        for (const auto& note : rpc_->notifications())
            std::printf("  %7.3f %s %s\n", since_start(note.arrived), note.method.c_str(),
                        note.data.serialize().substr(0, 200).c_str());
    }

    static void print_log() {
        std::ifstream in(fs::path(folder_) / "plugins" / "plinthar.log");
        std::string line;
        std::printf("plugins/plinthar.log (%s):\n", folder_.c_str());
        while (std::getline(in, line)) std::printf("  %s\n", line.c_str());
    }

    static void report(const char* what, clock::time_point from) {
        const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(clock::now() - from);
        std::printf("  %-48s %5lld ms\n", what, static_cast<long long>(ms.count()));
    }

    static inline std::string setup_error_;
    static inline std::string folder_;
    static inline bool own_folder_ = false;
    static inline void* module_ = nullptr;
    static inline void (*fini_)() = nullptr;
    static inline text_function functions_[12] = {};
    static inline real_kodi::kodi_rpc* rpc_ = nullptr;
    static inline clock::time_point started_;
};

TEST_F(real_kodi_check, connects_to_the_running_kodi) {
    EXPECT_EQ(call(3), "1") << "no process ending in kodi.bin found";
    std::vector<std::string> seen;
    EXPECT_TRUE(poll_for(11, "1", 5s, &seen)) << "not connected" << joined(seen);
    EXPECT_EQ(call(1), welcome_line);
    EXPECT_EQ(call(2), clock_line);
    EXPECT_EQ(call(9), "1");
}

TEST_F(real_kodi_check, follows_a_movie) {
    std::vector<std::string> seen;
    const std::string title = "movie.mp4";  // Kodi announces the file name, not the title tag
    auto at = clock::now();
    const json opened = rpc("Player.Open", R"({"item":{"file":")" + media(title) + R"("}})");
    ASSERT_EQ(opened.at("result").serialize(), R"("OK")") << opened.serialize();
    ASSERT_TRUE(poll_for(1, play_icon + " " + title, 20s, &seen)) << joined(seen);
    report("movie: Player.Open sent -> title line", at);
    EXPECT_EQ(call(6), play_icon);
    EXPECT_EQ(call(9), "2");

    // The progress bar, from the plug-in's own polls, keeps up with Kodi.
    seen.clear();
    at = clock::now();
    ASSERT_TRUE(poll(
        2, [](const std::string& line) { return bar_value(line) >= 1; }, 10s, &seen))
        << joined(seen);
    report("movie: title line -> progress bar above 0", at);
    {
        const double before = kodi_percentage(1);
        const int shown = bar_value(call(2));
        const double after = kodi_percentage(1);
        // A poll every second: the bar may be a poll or two (1.7 % each) behind.
        EXPECT_GE(shown, static_cast<int>(before) - 5) << "Kodi: " << before << " %";
        EXPECT_LE(shown, static_cast<int>(after)) << "Kodi: " << after << " %";
    }
    expect_seconds_follow_kodi(1);
    expect_seconds_advance(seconds_shown());

    // A volume change shows the volume screen, then the movie again.
    seen.clear();
    at = clock::now();
    rpc("Application.SetVolume", R"({"volume":40})");
    EXPECT_TRUE(poll_for(2, "$Bar(40,100,20)", 5s, &seen)) << joined(seen);
    report("movie: SetVolume sent -> volume bar", at);
    EXPECT_EQ(call(1), play_icon + "       Volume");
    seen.clear();
    EXPECT_TRUE(poll_for(1, play_icon + " " + title, 5s, &seen)) << joined(seen);

    // Mute changes the icon only.
    seen.clear();
    rpc("Application.SetMute", R"({"mute":true})");
    EXPECT_TRUE(poll_for(1, muted_icon + " " + title, 5s, &seen)) << joined(seen);
    seen.clear();
    rpc("Application.SetMute", R"({"mute":false})");
    EXPECT_TRUE(poll_for(1, play_icon + " " + title, 5s, &seen)) << joined(seen);

    // Pause: the pause icon, and the time stands still.
    seen.clear();
    at = clock::now();
    const json paused = rpc("Player.PlayPause", R"({"playerid":1})");
    EXPECT_EQ(paused.at("result").serialize(), R"({"speed":0})");
    ASSERT_TRUE(poll_for(1, pause_icon + " " + title, 5s, &seen)) << joined(seen);
    report("movie: PlayPause sent -> pause icon", at);
    EXPECT_EQ(call(9), "4");
    const int paused_at = seconds_shown();
    EXPECT_EQ(paused_at, kodi_seconds(1));
    std::vector<std::string> paused_seconds;
    poll(
        5, [](const std::string&) { return false; }, 1500ms, &paused_seconds,
        "Player.GetProperties", "time#seconds");
    EXPECT_EQ(paused_seconds, std::vector<std::string>{std::to_string(paused_at)});

    // Resume: Kodi sends "Player.OnResume"; playing again, the title kept, the time moving.
    seen.clear();
    at = clock::now();
    const json resumed = rpc("Player.PlayPause", R"({"playerid":1})");
    EXPECT_EQ(resumed.at("result").serialize(), R"({"speed":1})");
    ASSERT_TRUE(poll_for(1, play_icon + " " + title, 5s, &seen)) << joined(seen);
    report("movie: PlayPause sent -> play icon again", at);
    expect_seconds_advance(paused_at);

    // Stop: the stop screen, then (reset_delay 2 s) the welcome screen and the clock.
    seen.clear();
    at = clock::now();
    rpc("Player.Stop", R"({"playerid":1})");
    ASSERT_TRUE(poll_for(1, stop_icon + " Stop", 5s, &seen)) << joined(seen);
    report("movie: Player.Stop sent -> Stop", at);
    EXPECT_EQ(call(9), "3");
    EXPECT_TRUE(poll_for(1, welcome_line, 5s, &seen)) << joined(seen);
    EXPECT_EQ(call(2), clock_line);
    EXPECT_EQ(call(5, "Player.GetProperties", "time#seconds"), "") << "nothing plays";
}

TEST_F(real_kodi_check, follows_a_song) {
    std::vector<std::string> seen;
    const std::string title = "Test Song Title";  // only Player.GetItem tells it
    auto at = clock::now();
    const json opened = rpc("Player.Open", R"({"item":{"file":")" + media("song.mp3") + R"("}})");
    ASSERT_EQ(opened.at("result").serialize(), R"("OK")") << opened.serialize();
    ASSERT_TRUE(poll_for(1, play_icon + " " + title, 20s, &seen)) << joined(seen);
    report("song: Player.Open sent -> title line", at);

    // Artist, album and track in turn, then the progress bar.
    seen.clear();
    at = clock::now();
    bool track_seen = false;
    const bool reached_bar = poll(
        2,
        [&](const std::string& line) {
            if (line == "$Center(Track3)") track_seen = true;
            return track_seen && bar_value(line) >= 0;
        },
        20s, &seen);
    EXPECT_TRUE(reached_bar) << joined(seen);
    report("song: title line -> progress bar after the details", at);
    const std::vector<std::string> details = {"$Center(Test Artist)", "$Center(Test Album)",
                                              "$Center(Track3)"};
    auto next = seen.begin();
    for (const auto& detail : details) {
        next = std::find(next, seen.end(), detail);
        EXPECT_NE(next, seen.end()) << detail << " missing or out of order in" << joined(seen);
    }
    expect_seconds_follow_kodi(0);

    // Pause: Kodi's audio player adds "Player.OnSpeedChanged" with speed 0; still paused.
    seen.clear();
    size_t mark = rpc_->notifications().size();
    at = clock::now();
    rpc("Player.PlayPause", R"({"playerid":0})");
    ASSERT_TRUE(poll_for(1, pause_icon + " " + title, 5s, &seen)) << joined(seen);
    report("song: PlayPause sent -> pause icon", at);
    EXPECT_TRUE(rpc_->wait_notification("Player.OnSpeedChanged", mark, 5s));
    expect_steady(1, pause_icon + " " + title, 1200ms);

    // Resume: "Player.OnResume" and speed 1; playing, title kept.
    seen.clear();
    mark = rpc_->notifications().size();
    at = clock::now();
    rpc("Player.PlayPause", R"({"playerid":0})");
    ASSERT_TRUE(poll_for(1, play_icon + " " + title, 5s, &seen)) << joined(seen);
    report("song: PlayPause sent -> play icon again", at);
    EXPECT_TRUE(rpc_->wait_notification("Player.OnSpeedChanged", mark, 5s));
    expect_steady(1, play_icon + " " + title, 1200ms);
    expect_seconds_follow_kodi(0);

    seen.clear();
    at = clock::now();
    rpc("Player.Stop", R"({"playerid":0})");
    ASSERT_TRUE(poll_for(1, stop_icon + " Stop", 5s, &seen)) << joined(seen);
    report("song: Player.Stop sent -> Stop", at);
}

}  // namespace
