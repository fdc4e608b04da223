// JSON-RPC requests that block until their reply has come or 5000 ms have passed.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <map>
#include <mutex>

#include <cpprest/json.h>

#include "host/exports.h"

struct pending_request {
    web::json::value reply;  // null until intake stores the whole reply message
    bool sent = false;       // the send's continuation has run (guarded by reply_lock)
    std::condition_variable reply_ready;
    std::mutex reply_lock;
};

extern std::atomic<uint32_t> next_request_id;
extern std::map<uint32_t, pending_request*> pending_requests;
extern std::mutex pending_mutex;

constexpr int reply_timeout_ms = 5000;

// Sends request in the JSON-RPC 2.0 envelope; returns the whole reply or a null value.
PLINTHAR_EXPORT web::json::value ws_send_wait(web::json::value request);
PLINTHAR_EXPORT web::json::value ws_send_wait(const utility::string_t& method,
                                              web::json::value request);

// Unload: wakes every waiting sender at once (they return null) and makes later sends
// return null without waiting.
void cancel_pending_requests();
// Lets requests through again (a new connection attempt after an unload's cancel).
void resume_requests();
