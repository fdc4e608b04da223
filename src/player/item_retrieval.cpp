#include "player/item_retrieval.h"

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <vector>

#include <pplx/pplxtasks.h>

#include "kodi/request.h"
#include "player/json_fields.h"
#include "player/player_state.h"
#include "player/progress_polling.h"
#include "settings/log.h"

namespace {

// Held while a retrieval applies what it read and while play and stop mark a new item, so a
// retrieval that lost the race changes nothing. Never held while waiting for a reply.
std::mutex item_change_mutex;

std::mutex retrievals_mutex;
std::condition_variable retrievals_done;
int running_retrievals = 0;
bool retrievals_closed = false;

constexpr auto retrieval_drain_deadline = std::chrono::milliseconds(reply_timeout_ms + 5000);

const utility::char_t* const item_properties[] = {U("title"),     U("season"),        U("episode"),
                                                  U("showtitle"), U("channelnumber"), U("channel"),
                                                  U("artist"),    U("album"),         U("track")};

uint64_t current_item_generation() {
    std::lock_guard<std::mutex> lock(state_mutex);
    return player_state.item_generation;
}

bool is_current_item(uint64_t generation) {
    std::lock_guard<std::mutex> lock(state_mutex);
    return player_state.item_generation == generation;
}

// Fills the state from the item by its type's row; returns the delay of the first poll.
int32_t apply_item(const web::json::value& item, uint64_t generation) {
    const utility::string_t type = read_text(member_path(item, {U("type")}));
    std::lock_guard<std::mutex> lock(item_change_mutex);
    if (!is_current_item(generation)) return -1;
    const bool named =
        type == U("movie") || type == U("episode") || type == U("channel") || type == U("song");
    // Kodi announces a song played from a folder as "unknown"; the reply knows better.
    if (named) set_mode(type);
    if (type == U("movie")) {
        set_title(read_text(member_path(item, {U("title")})));
        return 1;
    }
    if (type == U("episode")) {
        set_title(read_text(member_path(item, {U("showtitle")})));
        const utility::string_t& title = read_text(member_path(item, {U("title")}));
        const int32_t episode = read_int32(member_path(item, {U("episode")}));
        const int32_t season = read_int32(member_path(item, {U("season")}));
        set_episode(season, episode, title);
        return 3;
    }
    if (type == U("channel")) {
        const utility::string_t& title = read_text(member_path(item, {U("title")}));
        const int32_t number = read_int32(member_path(item, {U("channelnumber")}));
        const utility::string_t& name = read_text(member_path(item, {U("channel")}));
        set_channel(number, name, title);
        return 3;
    }
    if (type == U("song")) {
        set_title(read_text(member_path(item, {U("title")})));
        const int32_t track = read_int32(member_path(item, {U("track")}));
        const utility::string_t& album = read_text(member_path(item, {U("album")}));
        // An empty array has no first element, which reads as null.
        const web::json::value& artists = member_path(item, {U("artist")});
        if (!artists.is_array()) throw web::json::json_exception("not an array");
        const web::json::array& list = artists.as_array();
        const utility::string_t artist =
            read_text(list.size() > 0 ? list.at(0) : web::json::value());
        set_song(track, artist, album);
        return 3;
    }
    return 1;
}

void retrieve_item_for(uint64_t generation) {
    try {
        const web::json::value reply = get_item(get_player_id());
        const web::json::value& result = member_path(reply, {U("result")});
        if (result.is_null()) return;
        const int32_t delay = apply_item(member_path(result, {U("item")}), generation);
        if (delay < 0) return;
        // Under item_change_mutex, so a stop marked meanwhile wins: it stops the timer after.
        std::lock_guard<std::mutex> lock(item_change_mutex);
        if (is_current_item(generation)) start_progress_timer(delay);
    } catch (...) {
        write_log("Malformed get item response");
    }
}

void finish_retrieval() {
    std::lock_guard<std::mutex> lock(retrievals_mutex);
    if (--running_retrievals == 0) retrievals_done.notify_all();
}

}  // namespace

void retrieve_item() {
    retrieve_item_for(current_item_generation());
}

void start_item_retrieval() {
    {
        std::lock_guard<std::mutex> lock(retrievals_mutex);
        if (retrievals_closed) return;
        ++running_retrievals;
    }
    const uint64_t generation = current_item_generation();
    try {
        // The body catches everything, so the task never ends in an unobserved failure.
        pplx::create_task([generation] {
            retrieve_item_for(generation);
            finish_retrieval();
        });
    } catch (...) {
        finish_retrieval();
    }
}

web::json::value get_item(int32_t player_id) {
    std::vector<web::json::value> properties;
    for (const utility::char_t* name : item_properties)
        properties.push_back(web::json::value::string(name));
    web::json::value params;
    params[U("playerid")] = web::json::value::number(player_id);
    params[U("properties")] = web::json::value::array(properties);
    web::json::value request;
    request[U("params")] = std::move(params);
    return ws_send_wait(U("Player.GetItem"), std::move(request));
}

void wait_for_item_retrievals() {
    std::unique_lock<std::mutex> lock(retrievals_mutex);
    retrievals_closed = true;
    retrievals_done.wait_for(lock, retrieval_drain_deadline,
                             [] { return running_retrievals == 0; });
}

void allow_item_retrievals() {
    std::lock_guard<std::mutex> lock(retrievals_mutex);
    retrievals_closed = false;
}

void begin_new_item() {
    std::lock_guard<std::mutex> lock(item_change_mutex);
    std::lock_guard<std::mutex> state_lock(state_mutex);
    ++player_state.item_generation;
}

int running_item_retrievals() {
    std::lock_guard<std::mutex> lock(retrievals_mutex);
    return running_retrievals;
}
