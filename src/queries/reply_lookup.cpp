#include "queries/reply_lookup.h"

#include "kodi/request.h"
#include "platform/text_encoding.h"

web::json::value member_of(const web::json::value& value, const utility::string_t& key) {
    if (value.is_null()) return web::json::value();
    if (!value.is_object()) throw web::json::json_exception("not an object");
    const auto& members = value.as_object();
    const auto found = members.find(key);
    return found == members.end() ? web::json::value() : found->second;
}

web::json::value first_element_of(const web::json::value& value) {
    if (value.is_null()) return web::json::value();
    if (!value.is_array()) throw web::json::json_exception("not an array");
    const auto& elements = value.as_array();
    return elements.size() == 0 ? web::json::value() : elements.at(0);
}

item_spec_parts split_item_spec(const std::string& item_spec) {
    item_spec_parts parts;
    const size_t hash = item_spec.find('#');
    parts.name = item_spec.substr(0, hash);
    parts.has_member = hash != std::string::npos;
    if (parts.has_member) parts.member = item_spec.substr(hash + 1);
    return parts;
}

web::json::value select_item(const web::json::value& result, const item_spec_parts& wanted) {
    const utility::string_t name = host_text_to_json(wanted.name);
    if (!wanted.has_member) {
        const web::json::value item = member_of(result, U("item"));
        return member_of(item.is_null() ? result : item, name);
    }
    const web::json::value owner =
        wanted.name.empty() ? first_element_of(result) : member_of(result, name);
    return member_of(owner, host_text_to_json(wanted.member));
}

utility::string_t host_text_to_json(const std::string& text) {
    return to_string_t_lenient(text);
}

web::json::value one_name_request(const utility::char_t* list_member, const utility::string_t& name,
                                  std::optional<int32_t> player_id) {
    web::json::value request;
    if (name.empty()) return request;
    web::json::value params = web::json::value::object();
    params[list_member] = web::json::value::array({web::json::value::string(name)});
    if (player_id) params[U("playerid")] = web::json::value::number(*player_id);
    request[U("params")] = params;
    return request;
}

std::optional<query_reply> send_query(const std::string& method, const web::json::value& request) {
    const web::json::value reply = ws_send_wait(host_text_to_json(method), request);
    if (!reply.is_object() || reply.size() == 0) return std::nullopt;
    const web::json::value error = member_of(reply, U("error"));
    if (!error.is_null()) return query_reply{true, member_of(error, U("message"))};
    return query_reply{false, member_of(reply, U("result"))};
}
