#include "kodi_script.h"

#include <atomic>

namespace bench {

namespace {

using web::json::value;

std::atomic<int> elapsed{0};  // seconds played, one more at every poll

value play_time(int hours, int minutes, int seconds) {
    value time = value::object();
    time[U("hours")] = value::number(hours);
    time[U("minutes")] = value::number(minutes);
    time[U("seconds")] = value::number(seconds);
    time[U("milliseconds")] = value::number(0);
    return time;
}

value song_item() {
    value item = value::object();
    item[U("type")] = value::string(U("song"));
    item[U("title")] = value::string(U("Bench Song"));
    item[U("label")] = value::string(U("Bench Song"));
    item[U("artist")] = value::array({value::string(U("Bench Artist"))});
    item[U("album")] = value::string(U("Bench Album"));
    item[U("track")] = value::number(7);
    item[U("season")] = value::number(-1);
    item[U("episode")] = value::number(-1);
    item[U("showtitle")] = value::string(U(""));
    item[U("channel")] = value::string(U(""));
    item[U("channelnumber")] = value::number(0);
    return item;
}

}  // namespace

void script_kodi(fake_kodi::server& kodi) {
    value item_result = value::object();
    item_result[U("item")] = song_item();
    kodi.on("Player.GetItem", item_result);

    kodi.on("Player.GetProperties", [](const fake_kodi::received_request& request) {
        const int seconds = elapsed.fetch_add(1) % 240;
        value result = value::object();
        result[U("percentage")] = value::number(seconds * 100.0 / 240.0);
        result[U("time")] = play_time(0, seconds / 60, seconds % 60);
        result[U("totaltime")] = play_time(0, 4, 0);
        fake_kodi::reply_plan plan;
        plan.reply = fake_kodi::make_result(request.json, result);
        return plan;
    });
    kodi.on("JSONRPC.Ping", value::string(U("pong")));
}

void restart_play_time() {
    elapsed = 0;
}

web::json::value song_play_data() {
    value item = value::object();
    item[U("id")] = value::number(42);
    item[U("type")] = value::string(U("song"));
    item[U("title")] = value::string(U("Bench Song"));
    value player = value::object();
    player[U("playerid")] = value::number(0);
    player[U("speed")] = value::number(1);
    value data = value::object();
    data[U("item")] = item;
    data[U("player")] = player;
    return data;
}

web::json::value movie_play_data(const std::string& title) {
    value item = value::object();
    item[U("id")] = value::number(7);
    item[U("type")] = value::string(U("movie"));
    item[U("title")] = value::string(title);
    value player = value::object();
    player[U("playerid")] = value::number(1);
    player[U("speed")] = value::number(1);
    value data = value::object();
    data[U("item")] = item;
    data[U("player")] = player;
    return data;
}

web::json::value volume_data(int level) {
    value data = value::object();
    data[U("muted")] = value::boolean(false);
    data[U("volume")] = value::number(level);
    return data;
}

}  // namespace bench
