#include <algorithm>
#include <condition_variable>
#include <deque>
#include <future>
#include <list>
#include <map>
#include <mutex>
#include <random>
#include <set>
#include <thread>

#include <boost/asio.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/websocket.hpp>

// After Boost: the JSON library defines a macro U that Boost headers trip over.
#include "fake_kodi/fake_kodi.h"

namespace fake_kodi {

namespace asio = boost::asio;
namespace beast = boost::beast;
namespace websocket = beast::websocket;
using tcp = asio::ip::tcp;

web::json::value make_result(const web::json::value& request, const web::json::value& result) {
    web::json::value reply = web::json::value::object();
    reply[U("id")] = request.has_field(U("id")) ? request.at(U("id")) : web::json::value::null();
    reply[U("jsonrpc")] = web::json::value::string(U("2.0"));
    reply[U("result")] = result;
    return reply;
}

web::json::value make_error(const web::json::value& request, int code, const std::string& message) {
    web::json::value error = web::json::value::object();
    error[U("code")] = web::json::value::number(code);
    error[U("message")] = web::json::value::string(utility::conversions::to_string_t(message));
    web::json::value reply = web::json::value::object();
    reply[U("error")] = error;
    reply[U("id")] = request.has_field(U("id")) ? request.at(U("id")) : web::json::value::null();
    reply[U("jsonrpc")] = web::json::value::string(U("2.0"));
    return reply;
}

namespace {

enum class frame_kind { text, binary, close, kodi_close };

struct outgoing {
    frame_kind kind;
    std::string payload;
    uint16_t code = 1000;
};

const char* const parse_error_reply =
    R"({"error":{"code":-32700,"message":"Parse error."},"id":null,"jsonrpc":"2.0"})";

}  // namespace

struct session;

struct server_core {
    // The io_context goes first so that every socket is destroyed before it.
    asio::io_context io;
    asio::executor_work_guard<asio::io_context::executor_type> work{io.get_executor()};
    std::unique_ptr<tcp::acceptor> acceptor;
    std::list<std::shared_ptr<session>> sessions;     // io thread only
    std::list<std::shared_ptr<tcp::socket>> stalled;  // io thread only
    uint16_t port = 0;
    std::thread::id io_thread_id;
    std::thread io_thread;

    mutable std::mutex mutex;  // guards everything below
    mutable std::condition_variable changed;
    std::map<std::string, responder> scripts;
    std::map<std::string, std::chrono::milliseconds> delays;
    std::set<std::string> withheld_methods;
    responder fallback;
    bool silent = false;
    bool stall_handshake = false;
    size_t clients = 0;
    std::vector<received_request> recorded;
    std::vector<std::pair<std::weak_ptr<session>, std::string>> withheld;

    // Runs fn on the io thread and waits for it; runs it directly when already there.
    template <typename F>
    void run_on_io(F fn) {
        if (std::this_thread::get_id() == io_thread_id) {
            fn();
            return;
        }
        std::promise<void> done;
        auto finished = done.get_future();
        asio::post(io, [&] {
            try {
                fn();
            } catch (...) {
            }
            done.set_value();
        });
        finished.wait();
    }

    void accept_next();
    void on_request(const std::shared_ptr<session>& from, const std::string& text);
    void send_later(const std::shared_ptr<session>& to, std::string reply,
                    std::chrono::milliseconds delay);
    void client_count_changed(int delta) {
        std::lock_guard<std::mutex> lock(mutex);
        clients = static_cast<size_t>(static_cast<long>(clients) + delta);
        changed.notify_all();
    }
};

struct session : std::enable_shared_from_this<session> {
    session(server_core& owner, tcp::socket socket) : owner(owner), ws(std::move(socket)) {}

    server_core& owner;
    websocket::stream<beast::tcp_stream> ws;
    beast::flat_buffer buffer;
    std::deque<outgoing> queue;
    bool writing = false;
    bool open = false;  // handshake done and not yet ended
    bool ended = false;

    void start() {
        websocket::stream_base::timeout timeouts{};
        timeouts.handshake_timeout = std::chrono::seconds(10);
        timeouts.idle_timeout = websocket::stream_base::none();
        timeouts.keep_alive_pings = false;
        ws.set_option(timeouts);
        ws.auto_fragment(false);
        ws.read_message_max(64u * 1024 * 1024);
        auto self = shared_from_this();
        ws.async_accept([self](beast::error_code error) {
            if (error) return self->end();
            self->open = true;
            self->owner.client_count_changed(+1);
            self->read_next();
        });
    }

    void read_next() {
        auto self = shared_from_this();
        ws.async_read(buffer, [self](beast::error_code error, size_t) {
            if (error) return self->end();
            std::string text = beast::buffers_to_string(self->buffer.data());
            self->buffer.consume(self->buffer.size());
            self->owner.on_request(self, text);
            self->read_next();
        });
    }

    void send(outgoing frame) {
        if (ended) return;
        queue.push_back(std::move(frame));
        write_next();
    }

    void write_next() {
        if (writing || queue.empty() || ended) return;
        writing = true;
        outgoing& frame = queue.front();
        auto self = shared_from_this();
        auto done = [self](beast::error_code error, size_t = 0) {
            self->writing = false;
            if (error) return self->end();
            self->queue.pop_front();
            self->write_next();
        };
        switch (frame.kind) {
            case frame_kind::text:
            case frame_kind::binary:
                ws.text(frame.kind == frame_kind::text);
                ws.async_write(asio::buffer(frame.payload), done);
                break;
            case frame_kind::close:
                ws.async_close(websocket::close_reason(
                                   static_cast<websocket::close_code>(frame.code), frame.payload),
                               [self](beast::error_code) {
                                   self->writing = false;
                                   self->queue.clear();
                               });
                break;
            case frame_kind::kodi_close:
                // Kodi wraps its close frame in a text frame and then shuts the socket down.
                ws.text(true);
                frame.payload = std::string("\x88\x02\x03\xe8", 4);
                ws.async_write(asio::buffer(frame.payload), [self](beast::error_code, size_t) {
                    self->writing = false;
                    self->queue.clear();
                    beast::error_code ignored;
                    beast::get_lowest_layer(self->ws).socket().shutdown(tcp::socket::shutdown_send,
                                                                        ignored);
                });
                break;
        }
    }

    // Abrupt end: RST instead of FIN.
    void drop() {
        beast::error_code ignored;
        auto& socket = beast::get_lowest_layer(ws).socket();
        socket.set_option(asio::socket_base::linger(true, 0), ignored);
        socket.close(ignored);
        end();
    }

    void end() {
        if (ended) return;
        ended = true;
        if (open) owner.client_count_changed(-1);
        open = false;
        beast::error_code ignored;
        beast::get_lowest_layer(ws).socket().close(ignored);
        auto self = shared_from_this();
        owner.sessions.remove(self);
    }
};

struct server::impl : server_core {};

void server_core::accept_next() {
    if (!acceptor) return;
    acceptor->async_accept([this](beast::error_code error, tcp::socket socket) {
        if (error) return;  // stopped
        bool stall;
        {
            std::lock_guard<std::mutex> lock(mutex);
            stall = stall_handshake;
        }
        if (stall) {
            stalled.push_back(std::make_shared<tcp::socket>(std::move(socket)));
        } else {
            auto client = std::make_shared<session>(*this, std::move(socket));
            sessions.push_back(client);
            client->start();
        }
        accept_next();
    });
}

void server_core::on_request(const std::shared_ptr<session>& from, const std::string& text) {
    received_request request;
    request.text = text;
    request.arrived = clock::now();
    bool parsed = false;
    try {
        request.json = web::json::value::parse(text);
        parsed = true;
        if (request.json.is_object() && request.json.has_field(U("method")) &&
            request.json.at(U("method")).is_string())
            request.method =
                utility::conversions::to_utf8string(request.json.at(U("method")).as_string());
    } catch (...) {
        request.json = web::json::value::null();
    }

    responder script;
    std::chrono::milliseconds delay{0};
    bool hold = false;
    {
        std::lock_guard<std::mutex> lock(mutex);
        recorded.push_back(request);
        changed.notify_all();
        if (silent) return;
        auto found = scripts.find(request.method);
        if (found != scripts.end())
            script = found->second;
        else
            script = fallback;
        auto delayed = delays.find(request.method);
        if (delayed != delays.end()) delay = delayed->second;
        hold = withheld_methods.count(request.method) > 0;
    }

    std::string reply;
    if (!parsed || !request.json.is_object()) {
        reply = parse_error_reply;
    } else if (!request.json.has_field(U("id"))) {
        reply = "";  // Kodi answers an id-less request with an empty text frame
    } else if (script) {
        reply_plan plan;
        try {
            plan = script(request);
        } catch (...) {
            plan.reply = make_error(request.json, -32603, "Internal error.");
        }
        if (!plan.reply) return;
        reply = utility::conversions::to_utf8string(plan.reply->serialize());
        if (plan.delay.count() > 0) delay = plan.delay;
        hold = hold || plan.withhold;
    } else {
        reply = utility::conversions::to_utf8string(
            make_error(request.json, -32601, "Method not found.").serialize());
    }

    if (hold) {
        std::lock_guard<std::mutex> lock(mutex);
        withheld.emplace_back(from, std::move(reply));
        changed.notify_all();
        return;
    }
    send_later(from, std::move(reply), delay);
}

void server_core::send_later(const std::shared_ptr<session>& to, std::string reply,
                             std::chrono::milliseconds delay) {
    if (delay.count() <= 0) {
        to->send({frame_kind::text, std::move(reply)});
        return;
    }
    auto timer = std::make_shared<asio::steady_timer>(io, delay);
    std::weak_ptr<session> target = to;
    timer->async_wait([timer, target, reply = std::move(reply)](beast::error_code error) mutable {
        if (error) return;
        if (auto client = target.lock()) client->send({frame_kind::text, std::move(reply)});
    });
}

server::server(uint16_t port) : impl_(std::make_unique<impl>()) {
    impl_->port = port;
    server_core* self = impl_.get();
    std::promise<void> started;
    auto running = started.get_future();
    impl_->io_thread = std::thread([self, &started] {
        self->io_thread_id = std::this_thread::get_id();
        started.set_value();
        for (;;) {
            try {
                self->io.run();
                return;
            } catch (...) {
                // A handler failed; keep serving.
            }
        }
    });
    running.wait();
}

server::~server() {
    try {
        stop();
    } catch (...) {
    }
    impl_->work.reset();
    impl_->io.stop();
    if (impl_->io_thread.joinable()) impl_->io_thread.join();
    impl_->sessions.clear();
    impl_->stalled.clear();
    impl_->acceptor.reset();
}

namespace {

std::unique_ptr<tcp::acceptor> listen_on(asio::io_context& io, uint16_t port) {
    auto acceptor = std::make_unique<tcp::acceptor>(io);
    tcp::endpoint endpoint(asio::ip::make_address("127.0.0.1"), port);
    acceptor->open(endpoint.protocol());
    acceptor->set_option(asio::socket_base::reuse_address(true));
    acceptor->bind(endpoint);
    acceptor->listen();
    return acceptor;
}

// A port the system hands out for outgoing connections can be taken while the server is
// stopped: a client retrying on it may connect to itself (TCP simultaneous open) and then
// hold the port. Ports below the ephemeral range, like Kodi's 9090, never meet that.
std::unique_ptr<tcp::acceptor> listen_below_ephemeral_ports(asio::io_context& io) {
    static std::mt19937 random(std::random_device{}());
    std::uniform_int_distribution<int> ports(20000, 32000);
    for (int attempt = 0; attempt < 200; ++attempt) {
        try {
            return listen_on(io, static_cast<uint16_t>(ports(random)));
        } catch (const boost::system::system_error&) {
            // taken: try another
        }
    }
    return listen_on(io, 0);
}

}  // namespace

void server::start() {
    server_core* self = impl_.get();
    std::exception_ptr failure;
    self->run_on_io([self, &failure] {
        if (self->acceptor) return;
        try {
            self->acceptor = self->port != 0 ? listen_on(self->io, self->port)
                                             : listen_below_ephemeral_ports(self->io);
            self->port = self->acceptor->local_endpoint().port();
            self->accept_next();
        } catch (...) {
            failure = std::current_exception();
        }
    });
    if (failure) std::rethrow_exception(failure);
}

void server::stop() {
    server_core* self = impl_.get();
    self->run_on_io([self] {
        if (self->acceptor) {
            beast::error_code ignored;
            self->acceptor->close(ignored);
            self->acceptor.reset();
        }
    });
    drop_clients();
    std::lock_guard<std::mutex> lock(self->mutex);
    self->withheld.clear();
}

uint16_t server::port() const {
    return impl_->port;
}

void server::on(const std::string& method, const web::json::value& result) {
    on(method, [result](const received_request& request) {
        reply_plan plan;
        plan.reply = make_result(request.json, result);
        return plan;
    });
}

void server::on_error(const std::string& method, int code, const std::string& message) {
    on(method, [code, message](const received_request& request) {
        reply_plan plan;
        plan.reply = make_error(request.json, code, message);
        return plan;
    });
}

void server::on(const std::string& method, responder fn) {
    std::lock_guard<std::mutex> lock(impl_->mutex);
    impl_->scripts[method] = std::move(fn);
}

void server::on_any(responder fn) {
    std::lock_guard<std::mutex> lock(impl_->mutex);
    impl_->fallback = std::move(fn);
}

void server::set_delay(const std::string& method, std::chrono::milliseconds delay) {
    std::lock_guard<std::mutex> lock(impl_->mutex);
    impl_->delays[method] = delay;
}

void server::withhold(const std::string& method, bool on) {
    std::lock_guard<std::mutex> lock(impl_->mutex);
    if (on)
        impl_->withheld_methods.insert(method);
    else
        impl_->withheld_methods.erase(method);
}

void server::release_withheld(bool reverse) {
    server_core* self = impl_.get();
    std::vector<std::pair<std::weak_ptr<session>, std::string>> replies;
    {
        std::lock_guard<std::mutex> lock(self->mutex);
        replies.swap(self->withheld);
    }
    if (reverse) std::reverse(replies.begin(), replies.end());
    self->run_on_io([&replies] {
        for (auto& [target, reply] : replies)
            if (auto client = target.lock()) client->send({frame_kind::text, reply});
    });
}

size_t server::withheld_count() const {
    std::lock_guard<std::mutex> lock(impl_->mutex);
    return impl_->withheld.size();
}

bool server::wait_for_withheld(size_t count, std::chrono::milliseconds timeout) const {
    std::unique_lock<std::mutex> lock(impl_->mutex);
    return impl_->changed.wait_for(lock, timeout, [&] { return impl_->withheld.size() >= count; });
}

void server::set_silent(bool silent) {
    std::lock_guard<std::mutex> lock(impl_->mutex);
    impl_->silent = silent;
}

void server::set_stall_handshake(bool stall) {
    std::lock_guard<std::mutex> lock(impl_->mutex);
    impl_->stall_handshake = stall;
}

std::string notification_text(const std::string& method, const web::json::value& data) {
    using utility::conversions::to_utf8string;
    const auto method_json = web::json::value::string(utility::conversions::to_string_t(method));
    return "{\"jsonrpc\":\"2.0\",\"method\":" + to_utf8string(method_json.serialize()) +
           ",\"params\":{\"data\":" + to_utf8string(data.serialize()) + ",\"sender\":\"xbmc\"}}";
}

void server::notify(const std::string& method, const web::json::value& data) {
    send_text(notification_text(method, data));
}

void server::send_text(const std::string& payload) {
    server_core* self = impl_.get();
    self->run_on_io([self, &payload] {
        for (auto& client : self->sessions)
            if (client->open) client->send({frame_kind::text, payload});
    });
}

void server::send_binary(const std::string& payload) {
    server_core* self = impl_.get();
    self->run_on_io([self, &payload] {
        for (auto& client : self->sessions)
            if (client->open) client->send({frame_kind::binary, payload});
    });
}

void server::close_clients(uint16_t code, const std::string& reason) {
    server_core* self = impl_.get();
    self->run_on_io([self, code, &reason] {
        for (auto& client : self->sessions)
            if (client->open) client->send({frame_kind::close, reason, code});
    });
}

void server::close_like_kodi() {
    server_core* self = impl_.get();
    self->run_on_io([self] {
        for (auto& client : self->sessions)
            if (client->open) client->send({frame_kind::kodi_close, ""});
    });
}

void server::drop_clients() {
    server_core* self = impl_.get();
    self->run_on_io([self] {
        auto sessions = self->sessions;
        for (auto& client : sessions) client->drop();
        for (auto& socket : self->stalled) {
            beast::error_code ignored;
            socket->set_option(asio::socket_base::linger(true, 0), ignored);
            socket->close(ignored);
        }
        self->stalled.clear();
    });
}

std::vector<received_request> server::requests() const {
    std::lock_guard<std::mutex> lock(impl_->mutex);
    return impl_->recorded;
}

std::vector<received_request> server::requests_for(const std::string& method) const {
    std::lock_guard<std::mutex> lock(impl_->mutex);
    std::vector<received_request> found;
    for (const auto& request : impl_->recorded)
        if (request.method == method) found.push_back(request);
    return found;
}

void server::clear_requests() {
    std::lock_guard<std::mutex> lock(impl_->mutex);
    impl_->recorded.clear();
}

size_t server::client_count() const {
    std::lock_guard<std::mutex> lock(impl_->mutex);
    return impl_->clients;
}

bool server::wait_for_clients(size_t count, std::chrono::milliseconds timeout) const {
    std::unique_lock<std::mutex> lock(impl_->mutex);
    return impl_->changed.wait_for(lock, timeout, [&] { return impl_->clients == count; });
}

bool server::wait_for_requests(const std::string& method, size_t count,
                               std::chrono::milliseconds timeout) const {
    std::unique_lock<std::mutex> lock(impl_->mutex);
    return impl_->changed.wait_for(lock, timeout, [&] {
        size_t seen = 0;
        for (const auto& request : impl_->recorded)
            if (request.method == method) ++seen;
        return seen >= count;
    });
}

}  // namespace fake_kodi
