#include "player/progress_polling.h"

void start_progress_timer(int32_t) {}
void stop_progress_timer() {}
void stop_progress_timer_and_wait() {}
void progress_tick() {}
void poll_progress(int32_t) {}
utility::string_t format_play_time(web::json::value) {
    return {};
}
