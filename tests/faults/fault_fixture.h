// A library started through its exports against a fake Kodi that plays scenes, with the
// checks every fault test ends with: the lines are right again, no request is left
// waiting, no thread or descriptor has leaked, and nothing hung (a watchdog aborts).
#pragma once

// GoogleTest before the JSON library, whose macro U clashes with its templates.
#include "support/fake_kodi_fixture.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "host/exports.h"
#include "kodi/connection.h"
#include "kodi/request.h"
#include "platform/task_pool.h"
#include "support/kodi_process.h"
#include "support/test_platform.h"
#include "support/texts.h"

namespace faults {

using namespace std::chrono_literals;
using testenv::wait_until;

inline web::json::value json(const std::string& text) {
    return web::json::value::parse(testenv::text(text));
}

inline size_t thread_count() {
    return static_cast<size_t>(testenv::thread_count());
}
inline size_t descriptor_count() {
    return static_cast<size_t>(testenv::open_handle_count());
}

// Calls an export the way a host does, with writable parameter texts.
inline std::string call(char*(PLINTHAR_CALL* export_fn)(char*, char*), std::string a = "",
                        std::string b = "") {
    const char* answer = export_fn(a.data(), b.data());
    return answer ? std::string(answer) : std::string("(null)");
}

// Ends the process with a message when it is not disarmed before its deadline: a hang
// shows up as a clear failure instead of a test killed by the CTest time-out.
class watchdog {
  public:
    watchdog(std::chrono::seconds allowed, std::string what) {
        const std::chrono::seconds deadline = allowed * testenv::slowdown();
        thread_ = std::thread([this, deadline, what] {
            std::unique_lock<std::mutex> lock(mutex_);
            if (!disarmed_cv_.wait_for(lock, deadline, [this] { return disarmed_; })) {
                std::fprintf(stderr, "watchdog: %s did not finish within %lld s\n", what.c_str(),
                             static_cast<long long>(deadline.count()));
                std::fflush(stderr);
                std::abort();
            }
        });
    }
    ~watchdog() {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            disarmed_ = true;
        }
        disarmed_cv_.notify_all();
        thread_.join();
    }
    watchdog(const watchdog&) = delete;
    watchdog& operator=(const watchdog&) = delete;

  private:
    std::mutex mutex_;
    std::condition_variable disarmed_cv_;
    bool disarmed_ = false;
    std::thread thread_;
};

// Threads a replaced client may still be ending, timer threads just finishing, and the
// fake Kodi's own connection work: the leak checks allow this many more than before.
// Where the task library runs on the system's thread pool (Windows), the pool keeps the
// threads a burst made it start for as long as work keeps coming (a progress tick every
// second): a plateau the fault tests must allow for, not a leak.
inline size_t thread_tolerance() {
    return task_pool_has_fixed_size() ? 4 : 12;
}
constexpr size_t descriptor_tolerance = 2;

inline bool no_pending_request(std::chrono::milliseconds timeout = 6000ms) {
    return wait_until(
        [] {
            std::lock_guard<std::mutex> lock(pending_mutex);
            return pending_requests.empty();
        },
        timeout);
}

// The library started by SmartieInit with connect_delay=0 while a Kodi process runs, so
// that every text export schedules a reconnection at once.
class fault_test : public testenv::fake_kodi_test {
  protected:
    void SetUp() override {
        fake_kodi_test::SetUp();
        watchdog_ = std::make_unique<watchdog>(
            std::chrono::seconds(240),
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
        kodi_exe_ = std::make_unique<testenv::kodi_process>("Kodi/Kodi.exe");
        script_kodi();
        write_kodi_config("connect_delay=0\nreset_delay=1\n");
        SmartieInit();
        ASSERT_TRUE(kodi.wait_for_clients(1, 5s));
        ASSERT_TRUE(play_scene("Heat", 10));
        // The shared pool and the timer threads exist from here on.
        threads_before = thread_count();
        descriptors_before = descriptor_count();
    }

    void TearDown() override {
        SmartieFini();
        kodi_exe_.reset();
        fake_kodi_test::TearDown();
        watchdog_.reset();
    }

    // Answers for the scene being played; tests replace them to inject faults.
    void script_kodi() {
        kodi.on("JSONRPC.Ping", web::json::value::string(U("pong")));
        kodi.on("Player.GetItem", [this](const fake_kodi::received_request& request) {
            fake_kodi::reply_plan plan;
            plan.reply = fake_kodi::make_result(
                request.json,
                json(R"({"item":{"title":")" + scene().first + R"(","type":"movie"}})"));
            return plan;
        });
        kodi.on("Player.GetProperties", [this](const fake_kodi::received_request& request) {
            fake_kodi::reply_plan plan;
            plan.reply = fake_kodi::make_result(
                request.json,
                json(R"({"percentage":)" + std::to_string(scene().second) +
                     R"(,"time":{"hours":0,"milliseconds":0,"minutes":5,"seconds":7},)"
                     R"("totaltime":{"hours":1,"milliseconds":0,"minutes":30,"seconds":0}})"));
            return plan;
        });
    }

    // True once everything Kodi sent before has been handled: the answer to a request comes
    // through the same intake, after the backlog. Waits as long as each request can (5 s)
    // and the deadline allow.
    bool backlog_handled(std::chrono::seconds deadline) {
        const auto until = std::chrono::steady_clock::now() + deadline * testenv::slowdown();
        while (std::chrono::steady_clock::now() < until)
            if (!ws_send_wait(U("JSONRPC.Ping"), web::json::value()).is_null()) return true;
        return false;
    }

    std::pair<std::string, int> scene() {
        std::lock_guard<std::mutex> lock(scene_mutex_);
        return {scene_title_, scene_percent_};
    }

    void push_play(const std::string& title, int percent) {
        {
            std::lock_guard<std::mutex> lock(scene_mutex_);
            scene_title_ = title;
            scene_percent_ = percent;
        }
        kodi.notify("Player.OnPlay",
                    json(R"({"item":{"title":")" + title +
                         R"(","type":"movie"},"player":{"playerid":1,"speed":1}})"));
    }

    bool shows_scene(const std::string& title, int percent) {
        return call(function1).find(title) != std::string::npos &&
               call(function2) == "$Bar(" + std::to_string(percent) + ",100,20)";
    }

    // Kodi starts a movie; true once function1 shows its title and function2 its progress.
    bool play_scene(const std::string& title, int percent,
                    std::chrono::milliseconds timeout = 5000ms) {
        push_play(title, percent);
        return wait_until([&] { return shows_scene(title, percent); }, timeout);
    }

    // Text exports schedule the attempt, as a host's refresh loop would.
    bool reconnected(std::chrono::milliseconds timeout = 5000ms) {
        return wait_until(
            [&] {
                call(function1);
                return g_connected.load() && kodi.client_count() == 1;
            },
            timeout);
    }

    // What every fault ends with: once Kodi is back a new scene shows, no request is
    // left waiting, and neither threads nor descriptors have grown.
    void expect_recovered(const std::string& title, int percent) {
        ASSERT_TRUE(reconnected()) << "no reconnection";
        EXPECT_TRUE(play_scene(title, percent))
            << "lines: [" << call(function1) << "] [" << call(function2) << "]";
        EXPECT_TRUE(no_pending_request());
        // Idle threads of the system's pool (Windows) end only after some seconds.
        EXPECT_TRUE(wait_until(
            [&] { return thread_count() <= threads_before + thread_tolerance(); }, 20000ms))
            << "threads " << threads_before << " -> " << thread_count();
        EXPECT_TRUE(wait_until(
            [&] { return descriptor_count() <= descriptors_before + descriptor_tolerance; },
            5000ms))
            << "descriptors " << descriptors_before << " -> " << descriptor_count();
        // The scene still shows: nothing late has overwritten it.
        EXPECT_TRUE(shows_scene(title, percent))
            << "lines: [" << call(function1) << "] [" << call(function2) << "]";
    }

    size_t threads_before = 0;
    size_t descriptors_before = 0;

  private:
    std::mutex scene_mutex_;
    std::string scene_title_;
    int scene_percent_ = 0;
    std::unique_ptr<testenv::kodi_process> kodi_exe_;
    std::unique_ptr<watchdog> watchdog_;
};

}  // namespace faults
