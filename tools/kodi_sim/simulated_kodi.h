// The state of a simulated Kodi (what plays, where, how fast, the volume), the player
// actions that change it and send Kodi 20's notifications, and the answers to requests.
#pragma once

#include <mutex>
#include <optional>

#include "fake_kodi/fake_kodi.h"
#include "kodi_sim/json_build.h"
#include "kodi_sim/media_item.h"
#include "kodi_sim/playback.h"
#include "kodi_sim/sim_clock.h"

namespace kodi_sim {

class simulated_kodi {
  public:
    simulated_kodi(fake_kodi::server& server, const sim_clock& clock);

    // Registers the answers to Player.*, XBMC.GetInfoLabels, Application.GetProperties
    // and JSONRPC.*; other methods get Kodi's "Method not found" error.
    void install_responders();

    // Player actions, each sending the notifications Kodi sends for it.
    void open(const media_item& item);
    void av_started();  // Player.OnAVStart, a moment after a video or song opens
    void pause();
    void resume();
    void set_speed(int speed);
    void seek(double seconds);
    void set_volume(int volume);
    void set_muted(bool muted);
    void stop(bool at_end = false);

    bool playing() const;

  private:
    json player_member(int speed) const;
    json item_reply(const json& request) const;
    json properties_reply(const json& request, bool& bad_property) const;
    json info_labels_reply(const json& request) const;
    json application_reply(const json& request) const;
    void send(const std::string& method, const json& data);

    fake_kodi::server& server_;
    const sim_clock& clock_;
    mutable std::mutex state_lock_;
    std::optional<playback> now_;
    int volume_ = 100;
    bool muted_ = false;
};

}  // namespace kodi_sim
