#include "kodi_sim/simulated_kodi.h"

#include <cmath>

#include "kodi_sim/json_build.h"

namespace kodi_sim {

int player_id(player_kind kind) {
    return static_cast<int>(kind);
}

const char* player_type(player_kind kind) {
    switch (kind) {
        case player_kind::audio:
            return "audio";
        case player_kind::picture:
            return "picture";
        default:
            return "video";
    }
}

simulated_kodi::simulated_kodi(fake_kodi::server& server, const sim_clock& clock)
    : server_(server), clock_(clock) {}

void simulated_kodi::send(const std::string& method, const json& data) {
    server_.notify(method, data);
}

json simulated_kodi::player_member(int speed) const {
    return object(
        {{"playerid", json::number(player_id(now_->item().kind))}, {"speed", json::number(speed)}});
}

bool simulated_kodi::playing() const {
    std::lock_guard<std::mutex> lock(state_lock_);
    return now_.has_value();
}

void simulated_kodi::open(const media_item& item) {
    json item_json;
    json player;
    {
        std::lock_guard<std::mutex> lock(state_lock_);
        now_.emplace(item, clock_.seconds());
        item_json = item.notified;
        player = player_member(1);
    }
    const int playlist = player_id(item.kind);
    if (item.kind != player_kind::audio)
        send("Playlist.OnClear", object({{"playlistid", json::number(playlist)}}));
    send("Playlist.OnAdd", object({{"item", item_json},
                                   {"playlistid", json::number(playlist)},
                                   {"position", json::number(0)}}));
    if (item.kind == player_kind::video)
        send("Player.OnAVChange", object({{"item", item_json}, {"player", player}}));
    send("Player.OnPlay", object({{"item", item_json}, {"player", player}}));
}

void simulated_kodi::av_started() {
    json data;
    {
        std::lock_guard<std::mutex> lock(state_lock_);
        if (!now_ || now_->item().kind == player_kind::picture) return;
        data = object({{"item", now_->item().notified}, {"player", player_member(now_->speed())}});
    }
    send("Player.OnAVStart", data);
}

void simulated_kodi::pause() {
    json data;
    bool audio = false;
    {
        std::lock_guard<std::mutex> lock(state_lock_);
        if (!now_) return;
        now_->set_speed(0, clock_.seconds());
        data = object({{"item", now_->item().notified}, {"player", player_member(0)}});
        audio = now_->item().kind == player_kind::audio;
    }
    send("Player.OnPause", data);
    if (audio) send("Player.OnSpeedChanged", data);  // Kodi adds it for audio only
}

void simulated_kodi::resume() {
    set_speed(1);
}

void simulated_kodi::set_speed(int speed) {
    json data;
    bool audio = false;
    int before = 0;
    {
        std::lock_guard<std::mutex> lock(state_lock_);
        if (!now_) return;
        before = now_->speed();
        now_->set_speed(speed, clock_.seconds());
        data = object({{"item", now_->item().notified}, {"player", player_member(speed)}});
        audio = now_->item().kind == player_kind::audio;
    }
    // As Kodi 20 does: a resume from pause is OnResume (audio adds the speed change);
    // back from fast-forward or rewind, video says OnResume, the speed change and an
    // AV change, audio only the speed change.
    if (speed != 1) {
        send("Player.OnSpeedChanged", data);
        return;
    }
    if (before == 0) {
        send("Player.OnResume", data);
        if (audio) send("Player.OnSpeedChanged", data);
        return;
    }
    if (before == 1) return;
    if (!audio) send("Player.OnResume", data);
    send("Player.OnSpeedChanged", data);
    if (!audio) send("Player.OnAVChange", data);
}

void simulated_kodi::seek(double seconds) {
    json data;
    {
        std::lock_guard<std::mutex> lock(state_lock_);
        if (!now_ || now_->item().total_seconds <= 0) return;
        const double at = clock_.seconds();
        const double offset = now_->seek(seconds, at);
        const double target = now_->position_at(at);
        json player = player_member(now_->speed());
        player[key("seekoffset")] = time_object(std::fabs(offset));
        if (offset < 0) {
            // Kodi writes a backward offset with negative members.
            for (const char* member : {"hours", "milliseconds", "minutes", "seconds"})
                player[key("seekoffset")][key(member)] =
                    json::number(-player[key("seekoffset")][key(member)].as_integer());
        }
        player[key("time")] = time_object(target);
        data = object({{"item", now_->item().notified}, {"player", player}});
    }
    send("Player.OnSeek", data);
}

void simulated_kodi::set_volume(int volume) {
    bool muted = false;
    {
        std::lock_guard<std::mutex> lock(state_lock_);
        volume_ = volume;
        muted = muted_;
    }
    send("Application.OnVolumeChanged",
         object({{"muted", json::boolean(muted)}, {"volume", json::number(volume)}}));
}

void simulated_kodi::set_muted(bool muted) {
    int volume = 0;
    {
        std::lock_guard<std::mutex> lock(state_lock_);
        muted_ = muted;
        volume = volume_;
    }
    send("Application.OnVolumeChanged",
         object({{"muted", json::boolean(muted)}, {"volume", json::number(volume)}}));
}

void simulated_kodi::stop(bool at_end) {
    json data;
    {
        std::lock_guard<std::mutex> lock(state_lock_);
        if (!now_) return;
        data = object({{"end", json::boolean(at_end)}, {"item", now_->item().notified}});
        // Kodi names the player only when a picture stops.
        if (now_->item().kind == player_kind::picture)
            data[key("player")] =
                object({{"playerid", json::number(player_id(now_->item().kind))}});
        if (now_->item().kind == player_kind::picture) data[key("end")] = json::boolean(true);
        now_.reset();
    }
    send("Player.OnStop", data);
}

}  // namespace kodi_sim
