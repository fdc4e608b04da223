// Bare WebSocket clients on Boost.Beast: the floors for the library's request round trip.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace bench {

// Writes a request and reads its reply on the calling thread: nothing but the wire.
class sync_client {
  public:
    explicit sync_client(uint16_t port);
    ~sync_client();
    std::string exchange(const std::string& request);

  private:
    struct impl;
    std::unique_ptr<impl> impl_;
};

// Writes on the calling thread; a reader thread of its own receives every message and
// hands it to the waiting sender through a condition variable, as the library must.
class handover_client {
  public:
    explicit handover_client(uint16_t port);
    ~handover_client();
    std::string exchange(const std::string& request);

  private:
    void read_loop();

    struct impl;
    std::unique_ptr<impl> impl_;
    std::mutex mutex_;
    std::condition_variable arrived_;
    std::deque<std::string> replies_;
    bool closed_ = false;
    std::thread reader_;
};

}  // namespace bench
