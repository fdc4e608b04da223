// One thing the simulated Kodi can play, as Kodi describes it in its messages.
#pragma once

#include <string>

#include <cpprest/json.h>

namespace kodi_sim {

enum class player_kind { audio = 0, video = 1, picture = 2 };

struct media_item {
    player_kind kind = player_kind::video;
    web::json::value notified;  // "item" of the player notifications
    web::json::value details;   // "item" of Player.GetItem, every property Kodi knows for it
    double total_seconds = 0;   // 0 for pictures
    double start_seconds = 0;   // where playback starts (a resume point)
    bool live = false;
    std::string artist;  // MusicPlayer.Artist
};

int player_id(player_kind kind);
const char* player_type(player_kind kind);  // "audio", "video", "picture"

}  // namespace kodi_sim
