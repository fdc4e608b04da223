// function7 / function8's query: one Kodi info label; a new or changed text is activity.
#include "queries/info_label.h"

#include "display/idle_timer.h"
#include "kodi/request.h"
#include "queries/info_item.h"
#include "queries/reply_lookup.h"

std::map<std::string, std::string> label_cache;

namespace {

// Remembers text under key; true when it is new or differs from what was remembered.
bool remember_label(const std::string& key, const std::string& text) {
    const auto found = label_cache.find(key);
    if (found != label_cache.end() && found->second == text) return false;
    label_cache[key] = text;
    return true;
}

std::string query(const std::string& method, const std::string& label) {
    const utility::string_t json_label = host_text_to_json(label);
    const auto reply = send_query(method, one_name_request(U("labels"), json_label));
    if (!reply) return std::string();

    web::json::value answer = reply->value;
    if (!reply->error) {
        const web::json::value item = member_of(reply->value, U("item"));
        answer = member_of(item.is_null() ? reply->value : item, json_label);
        if (answer.is_null()) return std::string();
    }

    const std::string text = reply_value_to_text(answer);
    if (remember_label(method + label, text)) start_inactivity_timer();
    return text;
}

}  // namespace

std::string query_info_label(const std::string& method, const std::string& label) {
    try {
        return query(method, label);
    } catch (...) {
        return "Error Caught";
    }
}
