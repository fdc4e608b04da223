// The host-facing entry points. No exception may pass from here into the host: every
// export catches everything and then answers with the empty text.
#include "host/exports.h"

#include <atomic>
#include <string>

#include "display/idle_timer.h"
#include "display/play_state_icon.h"
#include "display/status_line.h"
#include "display/title_line.h"
#include "display/version_line.h"
#include "host/plugin_help.h"
#include "host/reconnect.h"
#include "host/result_buffer.h"
#include "kodi/connection.h"
#include "kodi/request.h"
#include "platform/module_lifetime.h"
#include "platform/timer_queue.h"
#include "player/item_retrieval.h"
#include "player/player_state.h"
#include "player/progress_polling.h"
#include "queries/info_item.h"
#include "queries/info_label.h"
#include "settings/config.h"
#include "settings/log.h"

namespace {

result_buffer title_buffer;
result_buffer status_buffer;
result_buffer version_buffer;
result_buffer info_item_buffer;
result_buffer icon_buffer;
result_buffer info_label_buffer;  // shared by function7 and function8
result_buffer play_state_buffer;

char empty_text[] = "";
char one_text[] = "1";
char zero_text[] = "0";

std::string parameter(const char* text) {
    return text ? std::string(text) : std::string();
}

// Runs body; a failure inside it gives the host the empty text.
template <typename Body>
char* guarded(Body body) noexcept {
    try {
        return body();
    } catch (...) {
        return empty_text;
    }
}

// Not connected: the empty text while Kodi runs (the connection is on its way),
// otherwise the "Kodi not found" text.
char* not_connected_answer(result_buffer& buffer) {
    if (is_kodi_running()) return empty_text;
    return copy_result(buffer, config_text(cfg_knf_str));
}

// The host calls SmartieInit once for every spelling of the plug-in's name in its screens,
// and SmartieFini as often when it exits: the first start and the first stop do the work,
// the others only leave their line in the log. A second start must not open a second
// connection, nor read the settings or begin the log anew.
std::atomic<bool> started{false};

// The library stays mapped when a host unloads and loads it again, so a second start
// begins from the state of a fresh load.
void start_afresh() {
    static bool started_before = false;
    if (started_before) {
        {
            std::lock_guard<std::mutex> lock(state_mutex);
            player_state_t fresh;
            // Generations only grow, so nothing from before could ever pass for current.
            fresh.progress_generation = player_state.progress_generation;
            fresh.item_generation = player_state.item_generation;
            player_state = std::move(fresh);
        }
        label_cache.clear();
        resume_requests();
        allow_item_retrievals();
    }
    started_before = true;
    allow_reconnecting();
}

}  // namespace

extern "C" {

PLINTHAR_EXPORT void PLINTHAR_CALL SmartieInit() {
    try {
        if (started.exchange(true)) {
            write_log("SmartieInit");
            return;
        }
        keep_module_loaded();
        init_config();
        init_logging();
        write_log("SmartieInit");
        start_afresh();
        ws_connect();
    } catch (...) {
    }
}

PLINTHAR_EXPORT void PLINTHAR_CALL SmartieFini() {
    // Nothing of the library may run once the host unloads it: stop every timer and the
    // connection, and wait for their callbacks. Waiting senders are woken first so that
    // nothing below waits for a reply that will not come.
    try {
        if (!started.exchange(false)) {
            write_log("SmartieFini");
            return;
        }
        stop_reconnecting();
        cancel_pending_requests();
        wait_for_item_retrievals();  // before the progress timer: a retrieval may start it
        stop_progress_timer_and_wait();
        stop_reset_timers();
        shutdown_inactivity_timer();
        shutdown_connection();
        shutdown_timer_queue();
        write_log("SmartieFini");
    } catch (...) {
    }
}

PLINTHAR_EXPORT int PLINTHAR_CALL GetMinRefreshInterval() {
    return 300;
}

PLINTHAR_EXPORT char* PLINTHAR_CALL SmartieInfo() {
    return plugin_info_text();
}

PLINTHAR_EXPORT char* PLINTHAR_CALL SmartieDemo() {
    return plugin_demo_text();
}

PLINTHAR_EXPORT char* PLINTHAR_CALL function1(char*, char*) {
    return guarded([] {
        schedule_reconnect();
        return copy_result(title_buffer, build_title_line());
    });
}

PLINTHAR_EXPORT char* PLINTHAR_CALL function2(char*, char*) {
    return guarded([] {
        schedule_reconnect();
        return copy_result(status_buffer, build_status_line());
    });
}

PLINTHAR_EXPORT char* PLINTHAR_CALL function3(char*, char*) {
    return guarded([] { return is_kodi_running() ? one_text : zero_text; });
}

PLINTHAR_EXPORT char* PLINTHAR_CALL function4(char*, char*) {
    return guarded([] { return copy_result(version_buffer, build_version_line()); });
}

PLINTHAR_EXPORT char* PLINTHAR_CALL function5(char* method, char* item_spec) {
    return guarded([&] {
        schedule_reconnect();
        if (!g_connected.load()) return not_connected_answer(info_item_buffer);
        const std::string answer = query_info_item(parameter(method), parameter(item_spec));
        return copy_result(info_item_buffer, answer);
    });
}

PLINTHAR_EXPORT char* PLINTHAR_CALL function6(char*, char*) {
    return guarded([] { return copy_result(icon_buffer, play_state_icon()); });
}

PLINTHAR_EXPORT char* PLINTHAR_CALL function7(char* method, char* label) {
    return guarded([&] {
        schedule_reconnect();
        if (!g_connected.load()) return not_connected_answer(info_label_buffer);
        const std::string answer = query_info_label(parameter(method), parameter(label));
        return copy_result(info_label_buffer, answer);
    });
}

PLINTHAR_EXPORT char* PLINTHAR_CALL function8(char* method, char* label) {
    return guarded([&] {
        schedule_reconnect();
        if (!g_connected.load()) return empty_text;
        copy_result(info_label_buffer, query_info_label(parameter(method), parameter(label)));
        return empty_text;
    });
}

PLINTHAR_EXPORT char* PLINTHAR_CALL function9(char*, char*) {
    return guarded([] {
        if (!is_kodi_running()) return copy_result(play_state_buffer, "0");
        return copy_result(play_state_buffer, std::to_string(get_play_state() + 1));
    });
}

PLINTHAR_EXPORT char* PLINTHAR_CALL function10(char*, char*) {
    return guarded([] {
        stop_inactivity_timer();
        return empty_text;
    });
}

PLINTHAR_EXPORT char* PLINTHAR_CALL function11(char*, char*) {
    return guarded([] { return g_connected.load() ? one_text : zero_text; });
}

}  // extern "C"
