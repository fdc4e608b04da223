// The reply-to-text conversion on any JSON value and on every member of it.
#include <cstdint>
#include <string>

#include <cpprest/json.h>

#include "queries/info_item.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    web::json::value value;
    try {
        value = web::json::value::parse(std::string(reinterpret_cast<const char*>(data), size));
    } catch (...) {
        return 0;
    }
    reply_value_to_text(value);
    if (value.is_object()) {
        for (const auto& member : value.as_object()) reply_value_to_text(member.second);
    } else if (value.is_array()) {
        for (const auto& element : value.as_array()) reply_value_to_text(element);
    }
    return 0;
}
