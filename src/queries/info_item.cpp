// function5's query: one property, or one member of it, of any Kodi method's answer.
#include "queries/info_item.h"

#include <cstdio>
#include <optional>

#include "kodi/request.h"
#include "platform/text_encoding.h"
#include "player/player_state.h"
#include "queries/reply_lookup.h"
#include "settings/ascii_case.h"
#include "settings/log.h"
#include "settings/rewrite_rules.h"

namespace {

bool is_player_method(const std::string& method) {
    return equals_ignoring_case(method, "Player.GetItem") ||
           equals_ignoring_case(method, "Player.GetProperties");
}

// A JSON number as a player id: the low 32 bits of an integer, a fraction truncated.
int32_t player_id_of(const web::json::value& id) {
    const web::json::number& number = id.as_number();
    if (number.is_integral()) return static_cast<int32_t>(static_cast<uint32_t>(number.to_int64()));
    const double value = number.to_double();
    if (!(value > -2147483649.0 && value < 2147483648.0))
        throw web::json::json_exception("player id out of range");
    return static_cast<int32_t>(value);
}

struct active_player {
    bool nothing_plays = false;
    std::optional<int32_t> id;
};

active_player find_active_player() {
    active_player found;
    const web::json::value reply = ws_send_wait(U("Player.GetActivePlayers"), web::json::value());
    const web::json::value players = member_of(reply, U("result"));
    if (players.is_null()) return found;  // no answer or an error: ask without a player id
    const web::json::value id = member_of(first_element_of(players), U("playerid"));
    if (id.is_null())
        found.nothing_plays = true;
    else
        found.id = player_id_of(id);
    return found;
}

std::string integer_text(const web::json::number& number) {
    const auto low_bits =
        static_cast<int32_t>(static_cast<uint32_t>(number.to_int64() & 0xffffffff));
    return std::to_string(low_bits);
}

std::string fraction_text(double value) {
    const int length = std::snprintf(nullptr, 0, "%f", value);
    if (length <= 0) return std::string();
    std::string text(static_cast<size_t>(length) + 1, '\0');
    std::snprintf(&text[0], text.size(), "%f", value);
    text.resize(static_cast<size_t>(length));
    return text;
}

std::string query(const std::string& method, const std::string& item_spec) {
    std::optional<int32_t> player_id;
    if (is_player_method(method)) {
        const active_player player = find_active_player();
        if (player.nothing_plays) return std::string();
        player_id = player.id;
    }

    const item_spec_parts wanted = split_item_spec(item_spec);
    if (wanted.has_member)
        write_log("item %s, retsubItem %s", wanted.name.c_str(), wanted.member.c_str());

    const auto reply = send_query(
        method, one_name_request(U("properties"), host_text_to_json(wanted.name), player_id));
    if (!reply) return std::string();

    web::json::value answer = reply->value;
    if (!reply->error) {
        answer = select_item(reply->value, wanted);
        if (answer.is_null()) return std::string();
    }
    return reply_value_to_text(answer);
}

}  // namespace

std::string query_info_item(const std::string& method, const std::string& item_spec) {
    try {
        return query(method, item_spec);
    } catch (...) {
        return "Error Caught";
    }
}

std::string reply_value_to_text(const web::json::value& value) {
    utility::string_t wide;
    if (value.is_string())
        wide = value.as_string();
    else if (value.is_number())
        wide = ascii_string_t(value.is_integer() ? integer_text(value.as_number())
                                                 : fraction_text(value.as_double()));
    std::string text = narrow_text(wide);
    apply_rewrite_rules(text);
    return text;
}
