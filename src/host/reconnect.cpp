#include "host/reconnect.h"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <mutex>

#include "host/exports.h"
#include "kodi/connection.h"
#include "platform/timer_queue.h"
#include "settings/config.h"

namespace {

timer_handle connect_timer;
std::mutex connect_timer_mutex;
std::atomic<bool> reconnect_allowed{true};

uint32_t connect_delay_ms() {
    // A negative delay would wrap to a timer weeks away and stop reconnection for good.
    const int64_t ms = std::max<int64_t>(0, int64_t{config_int(cfg_connect_delay)} * 1000);
    return static_cast<uint32_t>(std::min<int64_t>(ms, UINT32_MAX));
}

}  // namespace

void schedule_reconnect() {
    if (g_connected.load() || g_connect_pending.load() || !reconnect_allowed.load()) return;
    if (g_connect_pending.exchange(true)) return;  // someone else scheduled it first
    timer_handle fired;
    {
        std::lock_guard<std::mutex> lock(connect_timer_mutex);
        if (!reconnect_allowed.load()) {
            g_connect_pending = false;
            return;
        }
        fired = std::move(connect_timer);  // the previous one-shot has run; release it
        connect_timer = create_timer(connect_delay_ms(), 0, connect_timer_callback);
    }
}

void connect_timer_callback() {
    if (!g_connected.load() && reconnect_allowed.load() && is_kodi_running()) {
        ws_connect();
    } else {
        g_connect_pending = false;
    }
}

void stop_reconnecting() {
    timer_handle pending;
    {
        std::lock_guard<std::mutex> lock(connect_timer_mutex);
        reconnect_allowed = false;
        pending = std::move(connect_timer);
    }
    delete_timer(pending, true);
    g_connect_pending = false;
}

void allow_reconnecting() { reconnect_allowed = true; }
