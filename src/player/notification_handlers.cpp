#include "player/notification_handlers.h"

void on_play(web::json::value) {}
void on_resume() {}
void on_pause() {}
void on_stop() {}
void on_speed_changed(web::json::value) {}
void on_volume_changed(web::json::value) {}
