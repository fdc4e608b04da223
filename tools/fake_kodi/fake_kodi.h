// A scriptable Kodi stand-in: a real WebSocket JSON-RPC 2.0 server on 127.0.0.1.
// Used by the tests, the Kodi simulator and the benchmarks.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <cpprest/json.h>

namespace fake_kodi {

using clock = std::chrono::steady_clock;

struct received_request {
    std::string text;       // the frame as received
    web::json::value json;  // parsed (null when the text was not JSON)
    std::string method;     // "method" member, empty when absent
    clock::time_point arrived;
};

// What the server does with one request. A reply is the whole message to send back;
// make_result / make_error build the usual ones.
struct reply_plan {
    std::optional<web::json::value> reply;  // nothing: no answer at all
    std::chrono::milliseconds delay{0};     // answer this much later (others go on meanwhile)
    bool withhold = false;                  // keep it until release_withheld()
};

web::json::value make_result(const web::json::value& request, const web::json::value& result);
web::json::value make_error(const web::json::value& request, int code, const std::string& message);

// Kodi's notification text: {"jsonrpc":"2.0","method":M,"params":{"data":D,"sender":"xbmc"}}.
std::string notification_text(const std::string& method, const web::json::value& data);

using responder = std::function<reply_plan(const received_request& request)>;

class server {
  public:
    // port 0 picks a free loopback port; start() must be called to listen.
    explicit server(uint16_t port = 0);
    ~server();
    server(const server&) = delete;
    server& operator=(const server&) = delete;

    void start();  // listen (again, on the same port after stop())
    void stop();   // close every connection abruptly and stop listening
    uint16_t port() const;

    // Scripting. A method without a script answers with a JSON-RPC "Method not found" error,
    // as Kodi does.
    void on(const std::string& method, const web::json::value& result);
    void on_error(const std::string& method, int code, const std::string& message);
    void on(const std::string& method, responder fn);
    void on_any(responder fn);  // fallback for methods without a script of their own
    void set_delay(const std::string& method, std::chrono::milliseconds delay);
    void withhold(const std::string& method, bool on = true);
    // Sends the withheld replies, in reverse order of arrival when reverse is set.
    void release_withheld(bool reverse = false);
    size_t withheld_count() const;
    bool wait_for_withheld(size_t count, std::chrono::milliseconds timeout) const;
    // Silent: read requests and never answer any (until set back).
    void set_silent(bool silent);
    // Accept TCP connections but never answer the WebSocket handshake.
    void set_stall_handshake(bool stall);

    // Pushing to every connected client.
    void notify(const std::string& method, const web::json::value& data);  // Kodi's shape
    void send_text(const std::string& payload);                            // any text frame
    void send_binary(const std::string& payload);
    void close_clients(uint16_t code, const std::string& reason = "");  // WebSocket close
    void close_like_kodi();  // the text frame 88 02 03 e8, then TCP FIN
    void drop_clients();     // abrupt TCP close, mid-stream if need be

    // Observation. Every request is kept for these until recording is turned off, which a
    // server that runs for hours and never looks must do.
    std::vector<received_request> requests() const;
    std::vector<received_request> requests_for(const std::string& method) const;
    void clear_requests();
    void set_recording(bool on);
    size_t client_count() const;
    bool wait_for_clients(size_t count, std::chrono::milliseconds timeout) const;
    bool wait_for_requests(const std::string& method, size_t count,
                           std::chrono::milliseconds timeout) const;

  private:
    struct impl;
    std::unique_ptr<impl> impl_;
};

}  // namespace fake_kodi
