#include "cpprest_client.h"

#include <chrono>

namespace bench {

using namespace web::websockets::client;

cpprest_client::cpprest_client(uint16_t port) {
    auto box = mailbox_;
    client_.set_message_handler([box](websocket_incoming_message message) {
        try {
            std::string text = message.extract_string().get();
            std::lock_guard<std::mutex> lock(box->mutex);
            box->replies.push_back(std::move(text));
            box->arrived.notify_one();
        } catch (...) {
        }
    });
    client_.connect(U("ws://127.0.0.1:") + std::to_string(port) + U("/jsonrpc")).wait();
}

cpprest_client::~cpprest_client() {
    try {
        client_.close().wait();
    } catch (...) {
    }
}

std::string cpprest_client::exchange(const std::string& request, bool wait_for_send) {
    websocket_outgoing_message message;
    message.set_utf8_message(request);
    // The reply cannot come before the send has been written, so the sender may wait for the
    // reply alone; a failed send is only observed.
    auto observed = client_.send(message).then([](pplx::task<void> sent) {
        try {
            sent.get();
        } catch (...) {
        }
    });
    if (wait_for_send) observed.wait();
    std::unique_lock<std::mutex> lock(mailbox_->mutex);
    mailbox_->arrived.wait_for(lock, std::chrono::seconds(5),
                               [this] { return !mailbox_->replies.empty(); });
    if (mailbox_->replies.empty()) return std::string();
    std::string reply = std::move(mailbox_->replies.front());
    mailbox_->replies.pop_front();
    return reply;
}

}  // namespace bench
