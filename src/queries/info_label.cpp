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
    web::json::value request;
    if (!label.empty()) {
        web::json::value params = web::json::value::object();
        params[U("labels")] = web::json::value::array({web::json::value::string(json_label)});
        request[U("params")] = params;
    }

    const web::json::value reply = ws_send_wait(host_text_to_json(method), request);
    if (!reply.is_object() || reply.size() == 0) return std::string();

    web::json::value answer;
    const web::json::value error = member_of(reply, "error");
    if (!error.is_null()) {
        answer = member_of(error, "message");
    } else {
        const web::json::value result = member_of(reply, "result");
        const web::json::value item = member_of(result, "item");
        answer = member_of(item.is_null() ? result : item, json_label);
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
