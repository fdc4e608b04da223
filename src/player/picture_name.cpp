#include "player/picture_name.h"

#include "platform/text_encoding.h"

namespace {

constexpr size_t max_name_units = 1023;

// Cuts text after at most max_name_units UTF-16 code units, between whole characters.
utility::string_t limit_units(const utility::string_t& text) {
    std::u16string units = utf16_units(text);
    if (units.size() <= max_name_units) return text;
    size_t keep = max_name_units;
    if (units[keep - 1] >= 0xD800 && units[keep - 1] <= 0xDBFF) --keep;  // half a pair
    units.resize(keep);
    return string_t_from_utf16(units);
}

}  // namespace

utility::string_t picture_name(const utility::string_t& file) {
    size_t start = file.find_last_of(U("/\\"));
    if (start == utility::string_t::npos) {
        start = file.size() >= 2 && file[1] == U(':') ? 2 : 0;
    } else {
        ++start;
    }
    utility::string_t name = file.substr(start);
    const size_t dot = name.find_last_of(U('.'));
    if (dot != utility::string_t::npos) name.erase(dot);
    return limit_units(name);
}
