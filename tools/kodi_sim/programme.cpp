#include "kodi_sim/programme.h"

#include "kodi_sim/json_build.h"

namespace kodi_sim {

const char* const first_movie_title = "Harbour Lights";

namespace {

// A titled movie: Kodi names it in its notifications.
media_item movie() {
    media_item item;
    item.kind = player_kind::video;
    item.notified = object({{"title", text(first_movie_title)}, {"type", text("movie")}});
    item.details = object({{"album", text("")},
                           {"artist", json::array()},
                           {"episode", json::number(-1)},
                           {"label", text(first_movie_title)},
                           {"season", json::number(-1)},
                           {"showtitle", text("")},
                           {"title", text(first_movie_title)},
                           {"track", json::number(-1)},
                           {"type", text("movie")}});
    item.total_seconds = 1 * 3600 + 42 * 60 + 13;
    item.start_seconds = 47 * 60 + 5;  // resumed where it was left
    return item;
}

// A library episode: the notification carries only its id, so the plug-in must ask.
media_item episode() {
    media_item item;
    item.kind = player_kind::video;
    item.notified = object({{"id", json::number(212)}, {"type", text("episode")}});
    item.details = object({{"album", text("")},
                           {"artist", json::array()},
                           {"episode", json::number(4)},
                           {"id", json::number(212)},
                           {"label", text("2x04. The Night Ferry")},
                           {"season", json::number(2)},
                           {"showtitle", text("Quayside")},
                           {"title", text("The Night Ferry")},
                           {"track", json::number(-1)},
                           {"type", text("episode")}});
    item.total_seconds = 44 * 60 + 10;
    return item;
}

// A song as Kodi 20 announces a file: type "unknown", no title; only GetItem knows more.
media_item song() {
    media_item item;
    item.kind = player_kind::audio;
    item.notified = object({{"type", text("unknown")}});
    item.details = object({{"album", text("Low Tide")},
                           {"artist", strings({"Mara Quinn", "The Gulls"})},
                           {"label", text("Salt on the Window")},
                           {"title", text("Salt on the Window")},
                           {"track", json::number(3)},
                           {"type", text("song")}});
    item.total_seconds = 3 * 60 + 47;
    item.artist = "Mara Quinn / The Gulls";
    return item;
}

media_item channel() {
    media_item item;
    item.kind = player_kind::video;
    item.notified = object({{"channeltype", text("tv")},
                            {"id", json::number(7)},
                            {"title", text("Harbour TV")},
                            {"type", text("channel")}});
    item.details = object({{"channel", text("Harbour TV")},
                           {"channelnumber", json::number(7)},
                           {"id", json::number(7)},
                           {"label", text("Harbour TV")},
                           {"title", text("Coastline Live")},
                           {"type", text("channel")}});
    item.total_seconds = 60 * 60;
    item.start_seconds = 23 * 60 + 40;
    item.live = true;
    return item;
}

media_item picture() {
    media_item item;
    item.kind = player_kind::picture;
    const char* file = "/home/kodi/Pictures/Lighthouse at dusk.jpg";
    item.notified = object({{"file", text(file)}, {"type", text("picture")}});
    item.details = object({{"label", text("Lighthouse at dusk.jpg")},
                           {"title", text("")},
                           {"type", text("picture")}});
    return item;
}

using action = std::function<void(simulated_kodi&)>;

action opening(media_item item) {
    return [item](simulated_kodi& kodi) { kodi.open(item); };
}

}  // namespace

std::vector<step> make_programme() {
    std::vector<step> s;
    auto add = [&s](double after, const std::string& what, action act) {
        s.push_back(step{after, what, std::move(act)});
    };
    auto speed = [](int value) { return [value](simulated_kodi& k) { k.set_speed(value); }; };
    auto volume = [](int value) { return [value](simulated_kodi& k) { k.set_volume(value); }; };
    auto mute = [](bool on) { return [on](simulated_kodi& k) { k.set_muted(on); }; };
    auto pause = [](simulated_kodi& k) { k.pause(); };
    auto resume = [](simulated_kodi& k) { k.resume(); };
    auto started = [](simulated_kodi& k) { k.av_started(); };
    auto stop = [](simulated_kodi& k) { k.stop(); };

    add(2, std::string("movie \"") + first_movie_title + "\"", opening(movie()));
    add(0.6, "movie: AV started", started);
    add(6, "movie: pause", pause);
    add(3, "movie: resume", resume);
    add(3, "movie: fast-forward x2", speed(2));
    add(2, "movie: fast-forward x4", speed(4));
    add(2, "movie: normal speed", speed(1));
    add(3, "movie: rewind x2", speed(-2));
    add(2, "movie: normal speed", speed(1));
    add(3, "volume 60", volume(60));
    add(1, "volume 40", volume(40));
    add(2, "mute", mute(true));
    add(3, "unmute", mute(false));
    add(1, "volume 80", volume(80));
    add(2, "movie: stop", stop);

    add(4, "episode Quayside 2x04 (no title in the notification)", opening(episode()));
    add(0.6, "episode: AV started", started);
    add(8, "episode: seek to 30:00", [](simulated_kodi& k) { k.seek(30 * 60); });
    add(4, "episode: stop", stop);

    add(3, "song \"Salt on the Window\" (type unknown, as Kodi 20 sends it)", opening(song()));
    add(0.1, "song: AV started", started);
    add(12, "song: pause", pause);
    add(3, "song: resume", resume);
    add(3, "song: fast-forward x2", speed(2));
    add(2, "song: normal speed", speed(1));
    add(4, "song: stop", stop);

    add(3, "live TV: Harbour TV", opening(channel()));
    add(0.6, "live TV: AV started", started);
    add(8, "live TV: stop", stop);

    add(2, "picture \"Lighthouse at dusk\"", opening(picture()));
    add(6, "picture: stop", stop);
    add(3, "end of programme", [](simulated_kodi&) {});
    return s;
}

double programme_length(const std::vector<step>& steps) {
    double total = 0;
    for (const auto& one : steps) total += one.after;
    return total;
}

}  // namespace kodi_sim
