#include "player/picture_name.h"

namespace {

constexpr size_t max_name_units = 1023;

// Cuts text after at most max_name_units UTF-16 code units, between whole characters.
utility::string_t limit_units(const utility::string_t& text) {
    size_t units = 0;
    size_t i = 0;
    while (i < text.size()) {
        const auto lead = static_cast<unsigned char>(text[i]);
        size_t bytes = 1;
        if (lead >= 0xF0) {
            bytes = 4;
        } else if (lead >= 0xE0) {
            bytes = 3;
        } else if (lead >= 0xC0) {
            bytes = 2;
        }
        const size_t char_units = bytes == 4 ? 2 : 1;
        if (units + char_units > max_name_units) break;
        units += char_units;
        i += bytes;
        // A lead byte without its continuation bytes: stop at the text's end.
        if (i > text.size()) i = text.size();
    }
    return text.substr(0, i);
}

}  // namespace

utility::string_t picture_name(const utility::string_t& file) {
    size_t start = file.find_last_of("/\\");
    if (start == utility::string_t::npos) {
        start = file.size() >= 2 && file[1] == ':' ? 2 : 0;
    } else {
        ++start;
    }
    utility::string_t name = file.substr(start);
    const size_t dot = name.find_last_of('.');
    if (dot != utility::string_t::npos) name.erase(dot);
    return limit_units(name);
}
