#include "player/player_state.h"

player_state_t player_state;
std::mutex state_mutex;

void set_player_id(int32_t id) {
    std::lock_guard<std::mutex> lock(state_mutex);
    player_state.player_id = id;
}

void set_play_state(int32_t state) {
    std::lock_guard<std::mutex> lock(state_mutex);
    player_state.play_state = state;
}

std::string get_title() {
    std::lock_guard<std::mutex> lock(state_mutex);
    return player_state.title;
}

std::string get_mode() {
    std::lock_guard<std::mutex> lock(state_mutex);
    return narrow_text(player_state.mode);
}

std::string get_progress_text() {
    std::lock_guard<std::mutex> lock(state_mutex);
    return narrow_text(player_state.progress_text);
}

std::string get_episode_text() {
    std::lock_guard<std::mutex> lock(state_mutex);
    return narrow_text(player_state.episode_text);
}

std::string get_channel_text() {
    std::lock_guard<std::mutex> lock(state_mutex);
    return narrow_text(player_state.channel_text);
}

int32_t get_volume() {
    std::lock_guard<std::mutex> lock(state_mutex);
    return player_state.volume;
}

int32_t get_info_countdown() {
    std::lock_guard<std::mutex> lock(state_mutex);
    return player_state.info_countdown;
}

int32_t get_play_state() {
    std::lock_guard<std::mutex> lock(state_mutex);
    return player_state.play_state;
}

int32_t get_player_id() {
    std::lock_guard<std::mutex> lock(state_mutex);
    return player_state.player_id;
}

bool get_muted() {
    std::lock_guard<std::mutex> lock(state_mutex);
    return player_state.muted;
}
