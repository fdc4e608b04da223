// Reconnect on demand: while there is no connection, a guarded text call schedules one
// delayed attempt, made only while the Kodi process runs.
#pragma once

void schedule_reconnect();
void connect_timer_callback();
// Unload: no attempt is scheduled afterwards; a pending one is cancelled or waited for.
void stop_reconnecting();
// Start-up: attempts may be scheduled again.
void allow_reconnecting();
