// The simulated Kodi's answers to requests, read from its state when each one comes.
#include "kodi_sim/simulated_kodi.h"

#include <ctime>
#include <set>

#include "host/host_system.h"
#include "kodi_sim/json_build.h"

namespace kodi_sim {

namespace {

const std::set<std::string> known_player_properties = {
    "type",      "partymode",  "speed",     "time",    "percentage",     "totaltime", "playlistid",
    "position",  "repeat",     "shuffled",  "canseek", "canchangespeed", "canmove",   "canzoom",
    "canrotate", "canshuffle", "canrepeat", "live",    "cachepercentage"};

bool has_integer(const json& object, const char* name) {
    return object.is_object() && object.has_field(key(name)) && object.at(key(name)).is_integer();
}

json params_of(const json& request) {
    return request.has_field(key("params")) ? request.at(key("params")) : json::object();
}

// "9:17 AM", as Kodi writes System.Time.
std::string clock_text() {
    const std::tm local = lcd::local_now();
    char text[16];
    const int hour = local.tm_hour % 12 == 0 ? 12 : local.tm_hour % 12;
    std::snprintf(text, sizeof text, "%d:%02d %s", hour, local.tm_min,
                  local.tm_hour < 12 ? "AM" : "PM");
    return text;
}

std::string minutes_text(double seconds) {
    const long total = static_cast<long>(seconds);
    char text[32];
    if (total >= 3600)
        std::snprintf(text, sizeof text, "%ld:%02ld:%02ld", total / 3600, total / 60 % 60,
                      total % 60);
    else
        std::snprintf(text, sizeof text, "%02ld:%02ld", total / 60, total % 60);
    return text;
}

std::string text_member(const json& object, const char* name) {
    if (object.is_object() && object.has_field(key(name)) && object.at(key(name)).is_string())
        return utf8(object.at(key(name)).as_string());
    return "";
}

fake_kodi::reply_plan answer(const json& request, const json& result) {
    fake_kodi::reply_plan plan;
    plan.reply = fake_kodi::make_result(request, result);
    return plan;
}

fake_kodi::reply_plan invalid_params(const json& request) {
    fake_kodi::reply_plan plan;
    plan.reply = fake_kodi::make_error(request, -32602, "Invalid params.");
    return plan;
}

}  // namespace

json simulated_kodi::item_reply(const json& request) const {
    const json params = params_of(request);
    std::lock_guard<std::mutex> lock(state_lock_);
    if (!now_ || player_id(now_->item().kind) != params.at(key("playerid")).as_integer())
        return object(
            {{"item",
              object({{"label", text("")}, {"title", text("")}, {"type", text("unknown")}})}});
    // Kodi answers the properties asked for that the item has, with label and type.
    const json& details = now_->item().details;
    json item = json::object();
    for (const char* always : {"id", "label", "type"})
        if (details.has_field(key(always))) item[key(always)] = details.at(key(always));
    if (params.has_field(key("properties")) && params.at(key("properties")).is_array()) {
        for (const auto& property : params.at(key("properties")).as_array()) {
            if (!property.is_string()) continue;
            const std::string name = utf8(property.as_string());
            if (details.has_field(key(name))) item[key(name)] = details.at(key(name));
        }
    }
    return object({{"item", item}});
}

json simulated_kodi::properties_reply(const json& request, bool& bad_property) const {
    const json params = params_of(request);
    bad_property = false;
    std::lock_guard<std::mutex> lock(state_lock_);
    const bool active =
        now_ && player_id(now_->item().kind) == params.at(key("playerid")).as_integer();
    const double position = active ? now_->position_at(clock_.seconds()) : 0;
    const double total = active ? now_->item().total_seconds : 0;
    const int speed = active ? now_->speed() : 0;
    json result = json::object();
    if (!params.has_field(key("properties")) || !params.at(key("properties")).is_array())
        return result;
    for (const auto& property : params.at(key("properties")).as_array()) {
        const std::string name = property.is_string() ? utf8(property.as_string()) : "";
        if (!known_player_properties.count(name)) {
            bad_property = true;
            return result;
        }
        if (name == "time")
            result[key(name)] = time_object(position);
        else if (name == "totaltime")
            result[key(name)] = time_object(total);
        else if (name == "percentage")
            result[key(name)] = json::number(total > 0 ? position / total * 100.0 : 0.0);
        else if (name == "speed")
            result[key(name)] = json::number(speed);
        else if (name == "type")
            result[key(name)] = text(active ? player_type(now_->item().kind) : "video");
        else if (name == "playlistid")
            result[key(name)] = json::number(active ? player_id(now_->item().kind) : -1);
        else if (name == "position")
            result[key(name)] = json::number(active ? 0 : -1);
        else if (name == "live")
            result[key(name)] = json::boolean(active && now_->item().live);
        else if (name == "repeat")
            result[key(name)] = text("off");
        else if (name == "cachepercentage")
            result[key(name)] = json::number(0.0);
        else
            result[key(name)] = json::boolean(active && name != "partymode" && name != "shuffled");
    }
    return result;
}

json simulated_kodi::info_labels_reply(const json& request) const {
    const json params = params_of(request);
    json result = json::object();
    if (!params.has_field(key("labels")) || !params.at(key("labels")).is_array()) return result;
    std::lock_guard<std::mutex> lock(state_lock_);
    const json details = now_ ? now_->item().details : json::object();
    const bool audio = now_ && now_->item().kind == player_kind::audio;
    const bool video = now_ && now_->item().kind == player_kind::video;
    const double position = now_ ? now_->position_at(clock_.seconds()) : 0;
    for (const auto& label : params.at(key("labels")).as_array()) {
        if (!label.is_string()) continue;
        const std::string name = utf8(label.as_string());
        std::string value;
        if (name == "System.Time")
            value = clock_text();
        else if (name == "System.FriendlyName")
            value = "Kodi (plinthar-kodi-sim)";
        else if (name == "System.BuildVersion")
            value = "20.1 (20.1.0) Git:20230312-nogitfound";
        else if (name == "Player.Title")
            value = text_member(details, "label");
        else if (name == "Player.Time" && now_)
            value = minutes_text(position);
        else if (name == "Player.Duration" && now_)
            value = minutes_text(now_->item().total_seconds);
        else if (name == "MusicPlayer.Artist" && audio)
            value = now_->item().artist;
        else if (name == "MusicPlayer.Album" && audio)
            value = text_member(details, "album");
        else if (name == "MusicPlayer.Title" && audio)
            value = text_member(details, "title");
        else if (name == "VideoPlayer.Title" && video)
            value = text_member(details, "title");
        else if (name == "VideoPlayer.TVShowTitle" && video)
            value = text_member(details, "showtitle");
        result[key(name)] = text(value);
    }
    return result;
}

json simulated_kodi::application_reply(const json& request) const {
    const json params = params_of(request);
    json result = json::object();
    if (!params.has_field(key("properties")) || !params.at(key("properties")).is_array())
        return result;
    std::lock_guard<std::mutex> lock(state_lock_);
    for (const auto& property : params.at(key("properties")).as_array()) {
        const std::string name = property.is_string() ? utf8(property.as_string()) : "";
        if (name == "volume")
            result[key(name)] = json::number(volume_);
        else if (name == "muted")
            result[key(name)] = json::boolean(muted_);
        else if (name == "name")
            result[key(name)] = text("Kodi");
        else if (name == "version")
            result[key(name)] = object({{"major", json::number(20)},
                                        {"minor", json::number(1)},
                                        {"revision", text("20230312-nogitfound")},
                                        {"tag", text("stable")}});
    }
    return result;
}

void simulated_kodi::install_responders() {
    server_.on("JSONRPC.Ping", text("pong"));
    server_.on("JSONRPC.Version", object({{"version", object({{"major", json::number(13)},
                                                              {"minor", json::number(0)},
                                                              {"patch", json::number(0)}})}}));
    server_.on("Player.GetActivePlayers", [this](const fake_kodi::received_request& request) {
        std::lock_guard<std::mutex> lock(state_lock_);
        std::vector<json> players;
        if (now_)
            players.push_back(object({{"playerid", json::number(player_id(now_->item().kind))},
                                      {"playertype", text("internal")},
                                      {"type", text(player_type(now_->item().kind))}}));
        return answer(request.json, json::array(players));
    });
    server_.on("Player.GetItem", [this](const fake_kodi::received_request& request) {
        if (!has_integer(params_of(request.json), "playerid")) return invalid_params(request.json);
        return answer(request.json, item_reply(request.json));
    });
    server_.on("Player.GetProperties", [this](const fake_kodi::received_request& request) {
        if (!has_integer(params_of(request.json), "playerid")) return invalid_params(request.json);
        bool bad_property = false;
        const json result = properties_reply(request.json, bad_property);
        if (bad_property) return invalid_params(request.json);
        return answer(request.json, result);
    });
    server_.on("XBMC.GetInfoLabels", [this](const fake_kodi::received_request& request) {
        return answer(request.json, info_labels_reply(request.json));
    });
    server_.on("Application.GetProperties", [this](const fake_kodi::received_request& request) {
        return answer(request.json, application_reply(request.json));
    });
}

}  // namespace kodi_sim
