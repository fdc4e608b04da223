#include "player/notification_handlers.h"

#include <cstdio>

#include "platform/text_encoding.h"
#include "player/item_retrieval.h"
#include "player/json_fields.h"
#include "player/picture_name.h"
#include "player/player_state.h"
#include "player/progress_polling.h"
#include "settings/config.h"
#include "settings/log.h"

namespace {

void log_malformed(const web::json::value& message) {
    try {
        write_log("Malformed json message received: %ls", wide_text(message.serialize()).c_str());
    } catch (...) {
    }
}

// A play or resume notification while paused only resumes. True when it did.
bool resume_if_paused() {
    std::lock_guard<std::mutex> lock(state_mutex);
    if (player_state.play_state != state_paused) return false;
    player_state.play_state = state_playing;
    return true;
}

// The progress polling of the item before stops at once; its timer is kept only for the
// titled way, which re-arms it, and deleted on every other way out, failures included.
void play(const web::json::value& message) {
    if (resume_if_paused()) return;
    begin_new_item();
    pause_progress_polling();
    const web::json::value& data = member_path(message, {U("params"), U("data")});
    const web::json::value& item = member_path(data, {U("item")});
    const utility::string_t type = read_text(member_path(item, {U("type")}));
    const web::json::value& title = member_path(item, {U("title")});
    set_mode(type);
    set_play_state(state_playing);
    if (type == U("picture")) {
        stop_progress_timer();
        set_title(picture_name(read_text(member_path(item, {U("file")}))));
        return;
    }
    const web::json::value& player_id = member_path(data, {U("player"), U("playerid")});
    if (!title.is_null() && type != U("channel") && type != U("song")) {
        const utility::string_t& text = read_text(title);
        if (logging_enabled()) write_log("title %ls", wide_text(text).c_str());
        set_player_id(read_int32(player_id));
        set_title(text);
        start_progress_timer(1);
        return;
    }
    stop_progress_timer();
    set_player_id(read_int32(player_id));
    start_item_retrieval();
}

}  // namespace

void on_play(web::json::value message) {
    try {
        play(message);
    } catch (...) {
        try {
            stop_progress_timer();
        } catch (...) {
        }
        log_malformed(message);
    }
}

void on_resume() {
    try {
        resume_if_paused();
    } catch (...) {
    }
}

void on_pause() {
    try {
        set_play_state(state_paused);
    } catch (...) {
    }
}

void on_stop() {
    try {
        begin_new_item();
        stop_progress_timer();
        // Restarted before the stop screen begins, so that an earlier start cannot end it.
        start_reset_timer();
        set_play_state(state_stopped);
        set_title(to_string_t_lenient(config_text(cfg_stop_str)));
    } catch (...) {
    }
}

void on_speed_changed(web::json::value message) {
    try {
        const int32_t speed =
            read_int32(member_path(message, {U("params"), U("data"), U("player"), U("speed")}));
        // Speed 0 comes with a pause, which "Player.OnPause" reports already.
        if (speed == 0) return;
        if (speed == 1) {
            confirm_normal_speed();
        } else {
            set_speed(speed);
        }
    } catch (...) {
        std::fputs("error\n", stdout);
        std::fflush(stdout);
        log_malformed(message);
    }
}

void on_volume_changed(web::json::value message) {
    try {
        const web::json::value& data = member_path(message, {U("params"), U("data")});
        const bool muted = read_bool(member_path(data, {U("muted")}));
        const int32_t volume = read_int32(member_path(data, {U("volume")}));
        set_volume(muted, volume);
    } catch (...) {
        try {
            write_log("caught");
        } catch (...) {
        }
    }
}
