#include <algorithm>
#include <cstdint>

#include "platform/text_encoding.h"
#include "player/player_state.h"
#include "settings/config.h"

void append_narrow_text(std::string& line, const utility::string_t& text) {
    // ASCII is one unit per character in every encoding, and stays as it is.
    if (std::all_of(text.begin(), text.end(),
                    [](utility::char_t c) { return static_cast<std::uint32_t>(c) < 0x80; })) {
        line.append(text.begin(), text.end());
        return;
    }
    const std::u16string units = utf16_units(text);
    const size_t start = line.size();
    line.resize(start + units.size());
    for (size_t i = 0; i < units.size(); ++i) {
        // A unit whose low byte is 0 (U+2000, half of many surrogate pairs) would end the
        // host's C string there and lose the rest of the text.
        const char low = static_cast<char>(units[i] & 0xFF);
        line[start + i] = (low == '\0' && units[i] != 0) ? '?' : low;
    }
}

std::string narrow_text(const utility::string_t& text) {
    std::string narrow;
    append_narrow_text(narrow, text);
    return narrow;
}

utility::string_t center_wide_text(const utility::string_t& text) {
    const int64_t width = config_int(cfg_lcd_width);
    const int64_t length = static_cast<int64_t>(utf16_units(text).size());
    if (width <= 0 || length >= width) return text;
    return utility::string_t(static_cast<size_t>((width - length) / 2), U(' ')) + text;
}
