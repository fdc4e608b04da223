#include <functional>
#include <map>
#include <optional>
#include <stdexcept>
#include <thread>

#include <boost/asio/connect.hpp>
#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/websocket.hpp>

// After Boost: cpprest defines a macro U that Boost's headers use as a name.
#include "real_kodi/kodi_rpc.h"

namespace real_kodi {

namespace net = boost::asio;
namespace beast = boost::beast;
using tcp = net::ip::tcp;

// One read is always outstanding; the io_context is run only inside a wait, in slices that
// end at the wait's deadline, so that no wait on Kodi can last longer than asked.
struct kodi_rpc::impl {
    net::io_context io;
    beast::websocket::stream<tcp::socket> ws{io};
    beast::flat_buffer buffer;
    bool open = false;
    beast::error_code failure;
    int64_t next_id = 1;
    std::map<int64_t, web::json::value> replies;
    std::vector<notification> notifications;

    void start_read() {
        ws.async_read(buffer, [this](beast::error_code ec, std::size_t) { on_read(ec); });
    }

    void on_read(beast::error_code ec) {
        if (ec) {
            failure = ec;
            return;
        }
        std::string text = beast::buffers_to_string(buffer.data());
        buffer.consume(buffer.size());
        keep(text);
        start_read();
    }

    void keep(const std::string& text) {
        web::json::value message;
        try {
            message = web::json::value::parse(text);
        } catch (const std::exception&) {
            return;  // Kodi answers id-less requests with an empty frame; we send none
        }
        if (!message.is_object()) return;
        if (message.has_field("id") && message.at("id").is_integer()) {
            replies[message.at("id").as_number().to_int64()] = message;
        } else if (message.has_field("method") && message.at("method").is_string()) {
            web::json::value data;
            if (message.has_field("params") && message.at("params").is_object() &&
                message.at("params").has_field("data"))
                data = message.at("params").at("data");
            notifications.push_back({clock::now(), message.at("method").as_string(), data, text});
        }
    }

    // Runs handlers until done() holds, the connection fails or the deadline passes.
    bool pump_until(const std::function<bool()>& done, clock::time_point deadline) {
        while (!done()) {
            if (failure) return false;
            const auto now = clock::now();
            if (now >= deadline) return false;
            if (io.stopped()) io.restart();
            io.run_one_for(deadline - now);
        }
        return true;
    }
};

kodi_rpc::kodi_rpc() : impl_(std::make_unique<impl>()) {}

kodi_rpc::~kodi_rpc() {
    // No WebSocket close: Kodi answers one with a text frame that is no valid UTF-8.
    beast::error_code ignored;
    beast::get_lowest_layer(impl_->ws).close(ignored);
    impl_->io.restart();
    impl_->io.poll(ignored);
}

void kodi_rpc::connect(uint16_t port) {
    try {
        tcp::resolver resolver(impl_->io);
        net::connect(beast::get_lowest_layer(impl_->ws),
                     resolver.resolve("127.0.0.1", std::to_string(port)));
        impl_->ws.handshake("127.0.0.1:" + std::to_string(port), "/jsonrpc");
        impl_->ws.text(true);
    } catch (const std::exception& e) {
        throw std::runtime_error(std::string("cannot connect to Kodi: ") + e.what());
    }
    impl_->open = true;
    impl_->start_read();
}

web::json::value kodi_rpc::call(const std::string& method, const web::json::value& params,
                                std::chrono::milliseconds timeout) {
    if (!impl_->open) throw std::runtime_error("not connected to Kodi");
    const int64_t id = impl_->next_id++;
    web::json::value request = web::json::value::object();
    request["jsonrpc"] = web::json::value::string("2.0");
    request["id"] = web::json::value::number(id);
    request["method"] = web::json::value::string(method);
    if (!params.is_null()) request["params"] = params;
    beast::error_code ec;
    impl_->ws.write(net::buffer(request.serialize()), ec);
    if (ec) throw std::runtime_error("sending " + method + " failed: " + ec.message());
    const bool answered =
        impl_->pump_until([&] { return impl_->replies.count(id) != 0; }, clock::now() + timeout);
    if (!answered)
        throw std::runtime_error("no reply to " + method +
                                 (impl_->failure ? ": " + impl_->failure.message() : ""));
    web::json::value reply = impl_->replies[id];
    impl_->replies.erase(id);
    return reply;
}

bool kodi_rpc::wait_notification(const std::string& method, size_t from,
                                 std::chrono::milliseconds timeout) {
    auto seen = [&] {
        for (size_t i = from; i < impl_->notifications.size(); ++i)
            if (impl_->notifications[i].method == method) return true;
        return false;
    };
    return impl_->pump_until(seen, clock::now() + timeout);
}

void kodi_rpc::listen_for(std::chrono::milliseconds duration) {
    const auto end = clock::now() + duration;
    impl_->pump_until([] { return false; }, end);
    std::this_thread::sleep_until(end);  // the connection broke: keep the pace all the same
}

const std::vector<notification>& kodi_rpc::notifications() const {
    return impl_->notifications;
}

}  // namespace real_kodi
