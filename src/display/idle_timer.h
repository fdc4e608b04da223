// The optional inactivity timer behind the idle timeout play state.
#pragma once
void start_inactivity_timer();
void on_inactivity_timer();
void stop_inactivity_timer();
// Unload: stops the inactivity timer and waits until its callback has returned.
void shutdown_inactivity_timer();
// True while a handle is kept, fired or not (for checks and tests).
bool inactivity_timer_is_set();
