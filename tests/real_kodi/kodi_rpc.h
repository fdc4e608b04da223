// A small JSON-RPC client for a real Kodi: one WebSocket, requests matched to replies by id,
// every notification Kodi pushes kept with its arrival time. Independent of the plug-in and of
// the fake Kodi, so that it drives Kodi the way a remote control would.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include <cpprest/json.h>

namespace real_kodi {

using clock = std::chrono::steady_clock;

struct notification {
    clock::time_point arrived;
    std::string method;
    web::json::value data;  // params.data
    std::string text;       // the frame as received
};

class kodi_rpc {
  public:
    kodi_rpc();
    ~kodi_rpc();
    kodi_rpc(const kodi_rpc&) = delete;
    kodi_rpc& operator=(const kodi_rpc&) = delete;

    // Opens ws://127.0.0.1:port/jsonrpc; throws std::runtime_error when that fails.
    void connect(uint16_t port);

    // Sends a request and returns the whole reply message; throws std::runtime_error when no
    // reply comes within the timeout or the connection breaks.
    web::json::value call(const std::string& method,
                          const web::json::value& params = web::json::value::null(),
                          std::chrono::milliseconds timeout = std::chrono::seconds(10));

    // Waits until a notification named method has arrived at index from or later.
    bool wait_notification(const std::string& method, size_t from,
                           std::chrono::milliseconds timeout);

    // Takes in what Kodi sends for this long (notifications keep their arrival times).
    void listen_for(std::chrono::milliseconds duration);

    const std::vector<notification>& notifications() const;

  private:
    struct impl;
    std::unique_ptr<impl> impl_;
};

}  // namespace real_kodi
