#include "player/json_fields.h"

#include <cmath>
#include <string_view>

const web::json::value& member_path(const web::json::value& root,
                                    std::initializer_list<const utility::char_t*> names) {
    static const web::json::value null_value;
    const web::json::value* current = &root;
    for (const utility::char_t* name : names) {
        if (!current->is_object()) return null_value;
        // Kodi's objects have a handful of members: a scan that compares in place is cheaper
        // than the library's lookup, which first copies the name into a string of its own.
        // Like that lookup, it finds the first of repeated names.
        const std::basic_string_view<utility::char_t> wanted(name);
        const web::json::value* found = nullptr;
        for (const auto& member : current->as_object()) {
            if (member.first == wanted) {
                found = &member.second;
                break;
            }
        }
        if (!found) return null_value;
        current = found;
    }
    return *current;
}

const utility::string_t& read_text(const web::json::value& value) {
    if (!value.is_string()) throw web::json::json_exception("not a string");
    return value.as_string();
}

int32_t read_int32(const web::json::value& value) {
    if (!value.is_number()) throw web::json::json_exception("not a number");
    const web::json::number& number = value.as_number();
    if (number.is_integral()) {
        if (!number.is_int32()) throw web::json::json_exception("number out of range");
        return number.to_int32();
    }
    const double truncated = std::trunc(value.as_double());
    if (!(truncated >= -2147483648.0 && truncated <= 2147483647.0)) {
        throw web::json::json_exception("number out of range");
    }
    return static_cast<int32_t>(truncated);
}

bool read_bool(const web::json::value& value) {
    if (!value.is_boolean()) throw web::json::json_exception("not a boolean");
    return value.as_bool();
}
