#include "beast_clients.h"

#include <boost/asio.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/websocket.hpp>

namespace bench {

namespace asio = boost::asio;
namespace beast = boost::beast;
namespace websocket = beast::websocket;
using tcp = asio::ip::tcp;

namespace {

void open(websocket::stream<tcp::socket>& ws, uint16_t port) {
    ws.next_layer().connect(tcp::endpoint(asio::ip::make_address("127.0.0.1"), port));
    ws.next_layer().set_option(tcp::no_delay(true));
    ws.handshake("127.0.0.1:" + std::to_string(port), "/jsonrpc");
    ws.text(true);
}

}  // namespace

struct sync_client::impl {
    asio::io_context io;
    websocket::stream<tcp::socket> ws{io};
};

sync_client::sync_client(uint16_t port) : impl_(new impl) {
    open(impl_->ws, port);
}

sync_client::~sync_client() {
    beast::error_code ignored;
    impl_->ws.close(websocket::close_code::normal, ignored);
}

std::string sync_client::exchange(const std::string& request) {
    impl_->ws.write(asio::buffer(request));
    beast::flat_buffer buffer;
    impl_->ws.read(buffer);
    return beast::buffers_to_string(buffer.data());
}

struct handover_client::impl {
    asio::io_context io;
    websocket::stream<tcp::socket> ws{io};
};

handover_client::handover_client(uint16_t port) : impl_(new impl) {
    open(impl_->ws, port);
    reader_ = std::thread([this] { read_loop(); });
}

handover_client::~handover_client() {
    beast::error_code ignored;
    impl_->ws.next_layer().shutdown(tcp::socket::shutdown_both, ignored);
    reader_.join();
}

void handover_client::read_loop() {
    for (;;) {
        beast::flat_buffer buffer;
        beast::error_code error;
        impl_->ws.read(buffer, error);
        std::lock_guard<std::mutex> lock(mutex_);
        if (error) {
            closed_ = true;
            arrived_.notify_all();
            return;
        }
        replies_.push_back(beast::buffers_to_string(buffer.data()));
        arrived_.notify_one();
    }
}

std::string handover_client::exchange(const std::string& request) {
    impl_->ws.write(asio::buffer(request));
    std::unique_lock<std::mutex> lock(mutex_);
    arrived_.wait_for(lock, std::chrono::seconds(5),
                      [this] { return !replies_.empty() || closed_; });
    if (replies_.empty()) return std::string();
    std::string reply = std::move(replies_.front());
    replies_.pop_front();
    return reply;
}

}  // namespace bench
