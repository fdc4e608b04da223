// A connected library and a fake Kodi that pushes player notifications and answers requests.
#pragma once

// gtest before cpprestsdk, whose U macro breaks gtest's templates.
#include <gtest/gtest.h>

#include <chrono>
#include <mutex>
#include <string>

#include <cpprest/json.h>

#include "kodi/request.h"
#include "platform/timer_queue.h"
#include "player/item_retrieval.h"
#include "player/player_state.h"
#include "player/progress_polling.h"
#include "support/fake_kodi_fixture.h"
#include "support/texts.h"

namespace player_testing {

using web::json::value;
using namespace std::chrono_literals;

inline value json(const std::string& text) {
    return value::parse(testenv::text(text));
}

// Kodi 20.1's shapes (see the recorded traces).
inline std::string movie_play(const std::string& title, int player_id = 1) {
    return R"({"item":{"title":")" + title + R"(","type":"movie"},"player":{"playerid":)" +
           std::to_string(player_id) + R"(,"speed":1}})";
}
inline std::string speed_data(int speed) {
    return R"({"item":{"title":"movie.mp4","type":"movie"},"player":{"playerid":1,"speed":)" +
           std::to_string(speed) + "}}";
}
inline std::string volume_data(bool muted, const std::string& volume) {
    return std::string(R"({"muted":)") + (muted ? "true" : "false") + R"(,"volume":)" + volume +
           "}";
}
inline value progress_result(double percentage) {
    return json(R"({"percentage":)" + std::to_string(percentage) +
                R"(,"time":{"hours":0,"milliseconds":0,"minutes":5,"seconds":7},)"
                R"("totaltime":{"hours":1,"milliseconds":0,"minutes":30,"seconds":0}})");
}

class player_test : public testenv::fake_kodi_test {
  protected:
    void TearDown() override {
        cancel_pending_requests();
        wait_for_item_retrievals();
        stop_progress_timer_and_wait();
        stop_reset_timers();
        shutdown_timer_queue();
        fake_kodi_test::TearDown();
    }

    // Connects with a reset delay of 1 s and the extra settings lines.
    void connect(const std::string& extra_lines = "") {
        kodi.on("JSONRPC.Ping", value::string(U("pong")));
        write_kodi_config("reset_delay=1\n" + extra_lines);
        ASSERT_TRUE(connect_library());
    }

    void push(const std::string& method, const std::string& data) {
        kodi.notify(method, json(data));
    }

    // Returns once every notification pushed before has been handled: the reply to this
    // request comes through the same intake, after them.
    void sync() { ASSERT_FALSE(ws_send_wait(U("JSONRPC.Ping"), value()).is_null()); }

    template <class F>
    auto read_state(F reader) {
        std::lock_guard<std::mutex> lock(state_mutex);
        return reader(player_state);
    }

    size_t requests_for(const std::string& method) { return kodi.requests_for(method).size(); }
};

}  // namespace player_testing
