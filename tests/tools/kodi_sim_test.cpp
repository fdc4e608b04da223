// The Kodi simulator seen from a plain WebSocket client: Kodi 20's message shapes,
// advancing progress, and Kodi's error for unknown methods.
#include <cmath>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <optional>
#include <regex>
#include <set>
#include <sstream>

#include <gtest/gtest.h>

#include <cpprest/json.h>
#include <cpprest/ws_client.h>

#include "support/child_process.h"
#include "support/test_env.h"
#include "support/texts.h"

namespace {

using namespace std::chrono_literals;
using web::json::value;
using web::websockets::client::websocket_callback_client;
using web::websockets::client::websocket_incoming_message;
using web::websockets::client::websocket_outgoing_message;

// A JSON-RPC client that keeps every notification it gets.
class rpc_client {
  public:
    explicit rpc_client(int port) {
        client_.set_message_handler([this](const websocket_incoming_message& message) {
            try {
                const value parsed = value::parse(message.extract_string().get());
                std::lock_guard<std::mutex> lock(lock_);
                messages_.push_back(parsed);
                arrived_.notify_all();
            } catch (...) {
            }
        });
        client_.connect(testenv::text("ws://127.0.0.1:" + std::to_string(port) + "/jsonrpc")).get();
    }
    ~rpc_client() {
        try {
            client_.close().get();
        } catch (...) {
        }
    }

    value call(const std::string& method, const value& params = value::null()) {
        const int id = next_id_++;
        value request = value::object();
        request[U("jsonrpc")] = value::string(U("2.0"));
        request[U("id")] = value::number(id);
        request[U("method")] = value::string(testenv::text(method));
        if (!params.is_null()) request[U("params")] = params;
        websocket_outgoing_message out;
        out.set_utf8_message(testenv::utf8(request.serialize()));
        client_.send(out).get();
        // The reply is taken out wherever it stands; notifications that came before it stay
        // for next().
        value reply;
        std::unique_lock<std::mutex> lock(lock_);
        arrived_.wait_for(lock, 10s * testenv::slowdown(), [&] {
            for (auto m = messages_.begin() + looked_; m != messages_.end(); ++m) {
                if (m->has_field(U("id")) && m->at(U("id")).is_integer() &&
                    m->at(U("id")).as_integer() == id) {
                    reply = *m;
                    messages_.erase(m);
                    return true;
                }
            }
            return false;
        });
        return reply;
    }

    // The next notification of this method after those already taken; null on time-out.
    value next(const std::string& method) {
        value found;
        wait_for([&](const value& m) {
            if (!m.has_field(U("method")) || testenv::utf8(m.at(U("method")).as_string()) != method)
                return false;
            found = m.at(U("params")).at(U("data"));
            return true;
        });
        return found;
    }

    // Names of the notifications taken so far and still waiting, in order of arrival.
    std::vector<std::string> methods_seen() {
        std::lock_guard<std::mutex> lock(lock_);
        std::vector<std::string> names;
        for (const auto& m : messages_)
            if (m.has_field(U("method")))
                names.push_back(testenv::utf8(m.at(U("method")).as_string()));
        return names;
    }

  private:
    // Looks through the messages from where the last wait stopped.
    template <typename Match>
    void wait_for(Match match) {
        std::unique_lock<std::mutex> lock(lock_);
        arrived_.wait_for(lock, 10s * testenv::slowdown(), [&] {
            for (; looked_ < messages_.size(); ++looked_)
                if (match(messages_[looked_])) return ++looked_, true;
            return false;
        });
    }

    websocket_callback_client client_;
    std::mutex lock_;
    std::condition_variable arrived_;
    std::deque<value> messages_;
    size_t looked_ = 0;
    int next_id_ = 1;
};

value player_request(int player, std::initializer_list<const char*> properties) {
    value params = value::object();
    params[U("playerid")] = value::number(player);
    std::vector<value> names;
    for (const char* name : properties) names.push_back(value::string(testenv::text(name)));
    params[U("properties")] = value::array(names);
    return params;
}

double seconds_of(const value& time) {
    return time.at(U("hours")).as_integer() * 3600 + time.at(U("minutes")).as_integer() * 60 +
           time.at(U("seconds")).as_integer() + time.at(U("milliseconds")).as_integer() / 1000.0;
}

// "47:25" or "1:42:13", as Kodi writes Player.Time and Player.Duration.
double seconds_of_label(const std::string& label) {
    double seconds = 0;
    std::istringstream parts(label);
    for (std::string part; std::getline(parts, part, ':');)
        seconds = seconds * 60 + std::stoi(part);
    return seconds;
}

// Runs the simulator fifteen times faster than real time; on an emulated processor, where
// the test's own calls are slow, at half its pace.
class kodi_sim : public testenv::host_folder_test {
  protected:
    void SetUp() override {
        testenv::host_folder_test::SetUp();
        const std::string speed = testenv::slowdown() > 1 ? "0.5" : "15";
        sim_.emplace(tooltest::binary("plinthar-kodi-sim"),
                     std::vector<std::string>{"--port", "0", "--speed", speed, "--quiet"},
                     folder() + "/sim.out", folder() + "/sim.err");
        std::smatch match;
        std::string out;
        static const std::regex listening(R"(listening on 127\.0\.0\.1:(\d+))");
        ASSERT_TRUE(testenv::wait_until(
            [&] { return std::regex_search(out = sim_->out(), match, listening); }, 10s));
        client_ = std::make_unique<rpc_client>(std::stoi(match[1]));
    }
    void TearDown() override {
        client_.reset();
        sim_.reset();
        testenv::host_folder_test::TearDown();
    }

    std::optional<tooltest::child_process> sim_;
    std::unique_ptr<rpc_client> client_;
};

TEST_F(kodi_sim, plays_its_programme_in_kodi_20_shapes) {
    tooltest::child_process& sim = *sim_;
    rpc_client& kodi = *client_;

    // The titled movie: named in the notification, on player 1.
    const value play = kodi.next("Player.OnPlay");
    ASSERT_FALSE(play.is_null());
    EXPECT_EQ(testenv::utf8(play.at(U("item")).at(U("title")).as_string()), "Harbour Lights");
    EXPECT_EQ(testenv::utf8(play.at(U("item")).at(U("type")).as_string()), "movie");
    EXPECT_EQ(play.at(U("player")).at(U("playerid")).as_integer(), 1);

    const value players = kodi.call("Player.GetActivePlayers").at(U("result"));
    ASSERT_EQ(players.size(), 1u);
    EXPECT_EQ(testenv::utf8(players.at(0).at(U("type")).as_string()), "video");

    const auto progress = [&] {
        return kodi
            .call("Player.GetProperties", player_request(1, {"percentage", "time", "totaltime"}))
            .at(U("result"));
    };
    const value first = progress();
    ASSERT_TRUE(testenv::wait_until(
        [&] { return seconds_of(progress().at(U("time"))) > seconds_of(first.at(U("time"))); },
        5s));
    const value later = progress();
    EXPECT_NEAR(later.at(U("percentage")).as_double(),
                seconds_of(later.at(U("time"))) / seconds_of(later.at(U("totaltime"))) * 100, 0.5);

    const value labels = kodi.call("XBMC.GetInfoLabels", [] {
        value params = value::object();
        params[U("labels")] =
            value::array({value::string(U("Player.Title")), value::string(U("System.Time"))});
        return params;
    }());
    EXPECT_EQ(testenv::utf8(labels.at(U("result")).at(U("Player.Title")).as_string()),
              "Harbour Lights");
    EXPECT_FALSE(labels.at(U("result")).at(U("System.Time")).as_string().empty());

    const value unknown = kodi.call("Player.DoesNotExist");
    EXPECT_EQ(unknown.at(U("error")).at(U("code")).as_integer(), -32601);
    const value bad = kodi.call("Player.GetProperties", player_request(1, {"nosuchproperty"}));
    EXPECT_EQ(bad.at(U("error")).at(U("code")).as_integer(), -32602);

    // Video pause: OnPause only. Stop: no player member.
    EXPECT_EQ(kodi.next("Player.OnPause").at(U("player")).at(U("speed")).as_integer(), 0);
    const value stop = kodi.next("Player.OnStop");
    EXPECT_FALSE(stop.has_field(U("player")));
    EXPECT_FALSE(stop.at(U("end")).as_bool());

    // The episode names nothing but its id; GetItem knows show and episode.
    const value episode = kodi.next("Player.OnPlay");
    EXPECT_FALSE(episode.at(U("item")).has_field(U("title")));
    const value episode_item =
        kodi.call("Player.GetItem", player_request(1, {"title", "showtitle", "season", "episode"}))
            .at(U("result"))
            .at(U("item"));
    EXPECT_EQ(testenv::utf8(episode_item.at(U("type")).as_string()), "episode");
    EXPECT_EQ(testenv::utf8(episode_item.at(U("showtitle")).as_string()), "Quayside");
    EXPECT_EQ(episode_item.at(U("season")).as_integer(), 2);

    // The song as Kodi 20 announces it: type unknown, no title, player 0.
    const value song = kodi.next("Player.OnPlay");
    EXPECT_EQ(testenv::utf8(song.at(U("item")).at(U("type")).as_string()), "unknown");
    EXPECT_FALSE(song.at(U("item")).has_field(U("title")));
    EXPECT_EQ(song.at(U("player")).at(U("playerid")).as_integer(), 0);
    const value song_item =
        kodi.call("Player.GetItem",
                  player_request(0, {"title", "artist", "album", "track", "channelnumber"}))
            .at(U("result"))
            .at(U("item"));
    EXPECT_EQ(testenv::utf8(song_item.at(U("type")).as_string()), "song");
    EXPECT_EQ(testenv::utf8(song_item.at(U("artist")).at(0).as_string()), "Mara Quinn");
    EXPECT_EQ(song_item.at(U("track")).as_integer(), 3);
    EXPECT_FALSE(song_item.has_field(U("channelnumber"))) << "only what a song has";
    // Audio pause: OnPause and a speed change to 0.
    EXPECT_FALSE(kodi.next("Player.OnPause").is_null());
    EXPECT_EQ(kodi.next("Player.OnSpeedChanged").at(U("player")).at(U("speed")).as_integer(), 0);

    const auto seen = kodi.methods_seen();
    client_.reset();
    sim.ask_to_stop();
    ASSERT_TRUE(sim.wait(5s));
    EXPECT_EQ(sim.exit_code(), 0);
    for (const char* expected :
         {"Application.OnVolumeChanged", "Player.OnResume", "Player.OnSeek"}) {
        EXPECT_NE(std::count(seen.begin(), seen.end(), expected), 0) << expected;
    }
}

// Elapsed and total time labels read the same position as the properties, through every
// pause, speed change, seek and resume of one pass of the programme. Each label is read
// between two property readings of the same player, item and speed, so it must lie between
// them.
TEST_F(kodi_sim, time_labels_agree_with_the_properties_through_the_whole_programme) {
    rpc_client& kodi = *client_;
    const value labels = [] {
        value params = value::object();
        params[U("labels")] =
            value::array({value::string(U("Player.Time")), value::string(U("Player.Duration"))});
        return params;
    }();
    std::set<int> speeds_checked;
    bool picture_seen = false;
    int checked = 0, disagreements = 0;
    std::string first_disagreement;
    const auto finished = testenv::wait_until(
        [&] {
            const value players = kodi.call("Player.GetActivePlayers").at(U("result"));
            if (players.size() == 0) return picture_seen;  // the pass ends after the picture
            const int player = players.at(0).at(U("playerid")).as_integer();
            picture_seen = picture_seen || player == 2;
            const value asked = player_request(player, {"time", "totaltime", "speed"});
            const value before = kodi.call("Player.GetProperties", asked).at(U("result"));
            const value label = kodi.call("XBMC.GetInfoLabels", labels).at(U("result"));
            const value after = kodi.call("Player.GetProperties", asked).at(U("result"));
            const double total = seconds_of(before.at(U("totaltime")));
            const int speed = before.at(U("speed")).as_integer();
            const double from = seconds_of(before.at(U("time"))),
                         to = seconds_of(after.at(U("time")));
            // An item change, a speed change or a seek between the two readings.
            if (total == 0 || total != seconds_of(after.at(U("totaltime"))) ||
                speed != after.at(U("speed")).as_integer() || std::abs(to - from) > 5)
                return false;
            const double shown =
                seconds_of_label(testenv::utf8(label.at(U("Player.Time")).as_string()));
            // Properties carry milliseconds, rounded; labels whole seconds, cut off.
            const bool agree =
                shown >= std::floor(std::min(from, to) - 0.002) &&
                shown <= std::floor(std::max(from, to) + 0.002) &&
                seconds_of_label(testenv::utf8(label.at(U("Player.Duration")).as_string())) ==
                    std::floor(total);
            if (!agree && disagreements++ == 0)
                first_disagreement = "speed " + std::to_string(speed) + ": time " +
                                     std::to_string(from) + " to " + std::to_string(to) + " s, " +
                                     testenv::utf8(label.serialize());
            speeds_checked.insert(speed);
            ++checked;
            return false;
        },
        60s);
    EXPECT_TRUE(finished) << "the programme did not come to its end";
    EXPECT_EQ(disagreements, 0) << "of " << checked
                                << " readings; the first: " << first_disagreement;
    EXPECT_EQ(speeds_checked, (std::set<int>{-2, 0, 1, 2, 4})) << checked << " readings";
}

}  // namespace
