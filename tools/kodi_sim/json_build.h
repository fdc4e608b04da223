// Short ways to write the JSON values of Kodi's messages.
#pragma once

#include <initializer_list>
#include <string>
#include <utility>

#include <cpprest/json.h>

namespace kodi_sim {

using json = web::json::value;

// Names and texts are written as UTF-8 here; the JSON library's own strings are UTF-16 on
// Windows.
utility::string_t key(const std::string& utf8);
std::string utf8(const utility::string_t& text);

json object(std::initializer_list<std::pair<std::string, json>> members);
json text(const std::string& value);
json strings(std::initializer_list<std::string> values);
// Kodi's time object: {"hours","milliseconds","minutes","seconds"}.
json time_object(double seconds);

}  // namespace kodi_sim
