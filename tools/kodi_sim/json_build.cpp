#include "kodi_sim/json_build.h"

#include <cmath>
#include <vector>

namespace kodi_sim {

json object(std::initializer_list<std::pair<std::string, json>> members) {
    json result = json::object();
    for (const auto& member : members) result[key(member.first)] = member.second;
    return result;
}

utility::string_t key(const std::string& utf8) {
    return utility::conversions::to_string_t(utf8);
}

std::string utf8(const utility::string_t& text) {
    return utility::conversions::to_utf8string(text);
}

json text(const std::string& value) {
    return json::string(key(value));
}

json strings(std::initializer_list<std::string> values) {
    std::vector<json> elements;
    for (const auto& value : values) elements.push_back(json::string(key(value)));
    return json::array(elements);
}

json time_object(double seconds) {
    const long long total_ms = std::llround(std::fmax(seconds, 0.0) * 1000.0);
    return object({{"hours", json::number(static_cast<int>(total_ms / 3600000))},
                   {"milliseconds", json::number(static_cast<int>(total_ms % 1000))},
                   {"minutes", json::number(static_cast<int>(total_ms / 60000 % 60))},
                   {"seconds", json::number(static_cast<int>(total_ms / 1000 % 60))}});
}

}  // namespace kodi_sim
