// What the fake Kodi answers and pushes during the benchmarks.
#pragma once

#include <string>

#include <cpprest/json.h>

#include "fake_kodi/fake_kodi.h"

namespace bench {

// Player.GetItem answers with a song, Player.GetProperties with a progress that moves on
// at every poll, JSONRPC.Ping with "pong".
void script_kodi(fake_kodi::server& kodi);
// The next Player.GetProperties answers 0 % played, as for an item just started.
void restart_play_time();

// The "data" of a Player.OnPlay notification.
web::json::value song_play_data();
web::json::value movie_play_data(const std::string& title);
web::json::value volume_data(int level);

}  // namespace bench
