#include "polling_floor.h"

#include <unistd.h>

#include <chrono>

#include <cpprest/json.h>

#include "bench_stats.h"
#include "cpprest_client.h"

namespace bench {

polling_floor::polling_floor(uint16_t port)
    : client_(std::make_unique<cpprest_client>(port)), poller_([this] { poll(); }) {}

polling_floor::~polling_floor() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    stop_.notify_all();
    poller_.join();
    client_.reset();
}

std::string polling_floor::poller_id() const {
    wait_for([this] { return poller_tid_.load() != 0; }, 5);
    return std::to_string(poller_tid_.load());
}

void polling_floor::poll() {
    poller_tid_ = gettid();
    auto next = std::chrono::steady_clock::now();
    for (uint32_t id = 1;; ++id) {
        next += std::chrono::seconds(1);
        {
            // One wake-up a second, as a timer's; a stop ends the wait at once.
            std::unique_lock<std::mutex> lock(mutex_);
            if (stop_.wait_until(lock, next, [this] { return stopping_; })) break;
        }
        // What the plug-in asks while a movie plays, and the least it must do with the answer.
        const std::string request = R"({"id":)" + std::to_string(id) +
                                    R"(,"jsonrpc":"2.0","method":"Player.GetProperties",)"
                                    R"("params":{"playerid":1,"properties":)"
                                    R"(["percentage","time","totaltime"]}})";
        const std::string reply = client_->exchange(request);
        if (!reply.empty() && web::json::value::parse(reply).has_field(U("result"))) ++replies_;
    }
}

}  // namespace bench
