// Read-only look-ups into a Kodi reply, and host texts made fit for a JSON request.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include <cpprest/json.h>

// Member key of an object; null when it is missing or the value itself is null.
// Throws web::json::json_exception for any other kind of value.
web::json::value member_of(const web::json::value& value, const utility::string_t& key);

// Element 0 of an array; null for an empty array or a null value.
// Throws web::json::json_exception for any other kind of value.
web::json::value first_element_of(const web::json::value& value);

// What an info item query asks for: "name", or "name#member" for one member of the property.
struct item_spec_parts {
    std::string name;
    bool has_member = false;
    std::string member;
};
item_spec_parts split_item_spec(const std::string& item_spec);

// The part of a query's result that wanted names: without a member, property name of the
// result's "item" (or of the result when it has none); with one, that member of the
// result's property name (of the result's first element when name is empty). Null when it
// is missing; throws web::json::json_exception when the result is not shaped so.
web::json::value select_item(const web::json::value& result, const item_spec_parts& wanted);

// The host's 8-bit text as a JSON string's text: valid UTF-8 stays as it is, bytes that
// start no valid sequence become U+FFFD (the connection refuses to send invalid UTF-8).
utility::string_t host_text_to_json(const std::string& text);

// A request whose params name one thing in a one-element list ("properties": [name] or
// "labels": [name]), with "playerid" when given; a null request (no params) for an empty name.
web::json::value one_name_request(const utility::char_t* list_member, const utility::string_t& name,
                                  std::optional<int32_t> player_id = std::nullopt);

// What Kodi answered a query: the error's message, or the "result".
struct query_reply {
    bool error = false;
    web::json::value value;
};

// Sends method (a host text) with request; nothing when no reply came in time.
std::optional<query_reply> send_query(const std::string& method, const web::json::value& request);
