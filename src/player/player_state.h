// The one shared record of what Kodi is doing, and its accessors.
#pragma once

#include <chrono>
#include <cstdint>
#include <mutex>
#include <string>

#include <cpprest/details/basic_types.h>

#include "platform/timer_queue.h"

// play_state codes
constexpr int32_t state_none = 0;
constexpr int32_t state_playing = 1;
constexpr int32_t state_stopped = 2;
constexpr int32_t state_paused = 3;
constexpr int32_t state_fast_forward = 4;
constexpr int32_t state_rewind = 5;
constexpr int32_t state_idle_timeout = 10;

// Wide texts are the JSON library's strings (UTF-8 here); narrow_text turns them into the
// 8-bit display text by way of their UTF-16 code units.
struct player_state_t {
    int32_t play_state = state_none;
    int32_t player_id = 0;
    bool muted = false;
    int32_t volume = 0;
    utility::string_t mode;
    utility::string_t saved_mode;
    std::string title;
    std::string saved_title;
    utility::string_t progress_text;
    utility::string_t episode_text;
    utility::string_t channel_text;
    utility::string_t song_artist;
    utility::string_t song_album;
    int32_t track_number = 0;
    int32_t info_countdown = 0;
    // Raised by every start and stop of the progress polling: a tick applies what it read only
    // while the number it started under is still current.
    uint64_t progress_generation = 0;
    bool progress_polling = false;  // ticks of the progress timer poll
    // Raised by every play and stop: a retrieval applies the item it read only while the
    // number it started under is still current.
    uint64_t item_generation = 0;
    // Timer handles are not guarded by state_mutex; their owners serialise them.
    timer_handle progress_timer;
    timer_handle reset_timer;
    // When the screens begun since the latest start of the reset timer end.
    std::chrono::steady_clock::time_point reset_screens_end;
    timer_handle inactivity_timer;
};

extern player_state_t player_state;
extern std::mutex state_mutex;

// Low 8 bits of each UTF-16 code unit of text.
std::string narrow_text(const utility::string_t& text);
// The same, appended to line.
void append_narrow_text(std::string& line, const utility::string_t& text);
// Pads text in front to centre it in lcd_width columns, counting UTF-16 code units.
utility::string_t center_wide_text(const utility::string_t& text);

// Setters
void set_title(const utility::string_t& text);
void set_mode(const utility::string_t& text);
void set_player_id(int32_t id);
void set_speed(int32_t speed);
void set_volume(bool muted, int32_t level);
void set_progress(int32_t percentage, const utility::string_t& elapsed,
                  const utility::string_t& total);
void set_episode(int32_t season, int32_t episode, const utility::string_t& episode_title);
void set_channel(int32_t number, const utility::string_t& name, const utility::string_t& title);
void set_song(int32_t track, const utility::string_t& artist, const utility::string_t& album);
// Speed 1 reported while neither fast-forward nor rewind runs: only marks playing, keeping
// the title; after fast-forward or rewind it is set_speed(1).
void confirm_normal_speed();
// The progress text that set_progress stores; reads settings only, takes no lock.
utility::string_t build_progress_text(int32_t percentage, const utility::string_t& elapsed,
                                      const utility::string_t& total);

// Getters: copies, taken under state_mutex
std::string get_title();
std::string get_mode();
std::string get_progress_text();
std::string get_episode_text();
std::string get_channel_text();
int32_t get_volume();
int32_t get_info_countdown();
int32_t get_play_state();
int32_t get_player_id();
bool get_muted();

// Single writes under state_mutex
void set_play_state(int32_t state);

// Reset timer callback: ends the volume screen and the stop screen once the latest start's
// delay has run out.
void on_reset_timer();
// Restarts the reset timer: the screens begun from now on end reset_delay seconds later,
// and no earlier start ends them. Called before the screen it ends begins.
void start_reset_timer();
// Unload: cancels the reset timer and waits for its callback.
void stop_reset_timers();
// True from a start until its delay has run out (tests).
bool reset_timer_pending();
