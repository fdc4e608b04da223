// Polls Kodi once a second for the played percentage and the elapsed and total times.
#pragma once

#include <cstdint>

#include <cpprest/json.h>

// Replaces any running progress timer by a new one: first tick after seconds, then every 1000 ms.
void start_progress_timer(int32_t seconds);
// Stops the progress timer; no tick of it changes the player state afterwards.
void stop_progress_timer();
// Unload: stops the progress timer and waits until none of its ticks runs.
void stop_progress_timer_and_wait();
// True while a progress timer exists.
bool progress_polling_active();
void progress_tick();
void poll_progress(int32_t player_id);
utility::string_t format_play_time(web::json::value time);
