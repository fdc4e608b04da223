// Polls Kodi once a second for the played percentage and the elapsed and total times.
#pragma once

#include <cstdint>

#include <cpprest/json.h>

// Restarts the progress polling: first tick after seconds, then every 1000 ms. The one
// progress timer is re-armed in place, or made when there is none.
void start_progress_timer(int32_t seconds);
// Stops the polling at once but keeps the timer for a start that follows shortly (a play
// handler's): no tick of it changes the player state or polls until that start. Whoever
// pauses ends with start_progress_timer or stop_progress_timer.
void pause_progress_polling();
// Stops the progress polling and deletes its timer; no tick of it changes the player
// state afterwards.
void stop_progress_timer();
// Unload: stops the progress timer and waits until none of its ticks runs.
void stop_progress_timer_and_wait();
// True while a progress timer exists.
bool progress_polling_active();
// One tick as the timer makes it, also while polling is stopped (tests drive ticks by hand).
void progress_tick();
void poll_progress(int32_t player_id);
utility::string_t format_play_time(web::json::value time);
