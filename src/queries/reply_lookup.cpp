#include "queries/reply_lookup.h"

#include "platform/text_encoding.h"

web::json::value member_of(const web::json::value& value, const std::string& key) {
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

utility::string_t host_text_to_json(const std::string& text) {
    if (is_valid_utf8(text)) return text;
    return utility::conversions::utf16_to_utf8(utf8_to_utf16_lenient(text));
}
