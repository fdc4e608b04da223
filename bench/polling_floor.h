// The floor of polling Kodi once a second: a bare cpprestsdk client in this process whose
// thread of its own sleeps until the next second, asks for the progress the plug-in asks for
// while a movie plays, waits for the reply and parses it, as the least that any poller of
// the progress on that library can do.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace bench {

class cpprest_client;

class polling_floor {
  public:
    // Connects to the server on port and starts polling it.
    explicit polling_floor(uint16_t port);
    // Stops polling, closes the client and waits for its threads.
    ~polling_floor();
    polling_floor(const polling_floor&) = delete;
    polling_floor& operator=(const polling_floor&) = delete;

    // The polling thread's id as /proc/self/task names it.
    std::string poller_id() const;
    int replies() const { return replies_; }

  private:
    void poll();

    std::unique_ptr<cpprest_client> client_;
    std::mutex mutex_;
    std::condition_variable stop_;
    bool stopping_ = false;  // guarded by mutex_
    std::atomic<int> replies_{0};
    std::atomic<long> poller_tid_{0};
    std::thread poller_;
};

}  // namespace bench
