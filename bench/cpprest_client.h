// A bare cpprestsdk callback client: the least any sender on that library pays per
// request (its send path and its receive thread, one hand-over to the sender).
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>

#include <cpprest/ws_client.h>

namespace bench {

class cpprest_client {
  public:
    explicit cpprest_client(uint16_t port);
    ~cpprest_client();
    // With wait_for_send, the sender first waits until the send's continuation has run (on a
    // thread of the task pool), then for the reply.
    std::string exchange(const std::string& request, bool wait_for_send = false);

  private:
    struct mailbox {
        std::mutex mutex;
        std::condition_variable arrived;
        std::deque<std::string> replies;
    };
    std::shared_ptr<mailbox> mailbox_ = std::make_shared<mailbox>();
    web::websockets::client::websocket_callback_client client_;
};

}  // namespace bench
