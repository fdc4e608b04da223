// The one WebSocket connection to Kodi's JSON-RPC service.
#pragma once

#include <atomic>
#include <memory>

#include <cpprest/ws_client.h>

#include "host/exports.h"

using ws_client = web::websockets::client::websocket_callback_client;

// True from start_listen until the connection closes.
extern std::atomic<bool> g_connected;
// True while a connection attempt is scheduled or running.
extern std::atomic<bool> g_connect_pending;

// The current client. Every user takes its own reference, so a sender still holding the
// previous client is safe while a new attempt replaces it.
std::shared_ptr<ws_client> current_client();

// One connection attempt to ws://LOCALHOST:<port>; returns when it has ended.
PLINTHAR_EXPORT void ws_connect();
// Installs the close and message handlers and marks the connection as up.
PLINTHAR_EXPORT void start_listen();
// Closes an established connection and waits for the close to complete.
PLINTHAR_EXPORT void ws_close();

// Close handler: logs the status and clears both flags.
void on_close(web::websockets::client::websocket_close_status status,
              const utility::string_t& reason, const std::error_code& error);

// Unload: closes and releases the client and waits until none of its handlers runs.
void shutdown_connection();

// Threads of the task library's shared pool where it has a fixed size: the connect
// continuation, the close notification and the send continuations run there, beside a
// few item retrievals that block in a request. Its default is 40.
constexpr size_t task_pool_threads = 4;
