// Handlers of the five Kodi notifications the display follows.
#pragma once

#include <cpprest/json.h>

void on_play(web::json::value message);
// "Player.OnResume": the resume step of on_play only.
void on_resume();
void on_pause();
void on_stop();
void on_speed_changed(web::json::value message);
void on_volume_changed(web::json::value message);
