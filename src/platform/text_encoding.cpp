#include "platform/text_encoding.h"

#include <cstdint>
#include <cstring>

namespace {

constexpr char32_t replacement_character = 0xFFFD;

struct decoded {
    char32_t code_point;
    size_t length;  // bytes consumed
    bool valid;
};

bool is_continuation(unsigned char byte, unsigned char low = 0x80, unsigned char high = 0xBF) {
    return byte >= low && byte <= high;
}

// Decodes the sequence at text[at]. An invalid sequence consumes its longest valid-looking
// start (at least one byte), so that each broken piece becomes exactly one U+FFFD.
decoded decode_one(const std::string& text, size_t at) {
    const auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(at);
    if (lead < 0x80) return {lead, 1, true};

    size_t length = 0;
    unsigned char low = 0x80, high = 0xBF;  // range of the second byte
    char32_t value = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        value = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        value = lead & 0x0F;
        if (lead == 0xE0) low = 0xA0;   // no overlongs
        if (lead == 0xED) high = 0x9F;  // no surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        value = lead & 0x07;
        if (lead == 0xF0) low = 0x90;   // no overlongs
        if (lead == 0xF4) high = 0x8F;  // nothing above U+10FFFF
    } else {
        return {replacement_character, 1, false};
    }

    for (size_t i = 1; i < length; ++i) {
        if (at + i >= text.size()) return {replacement_character, i, false};
        const unsigned char next = byte(at + i);
        const bool fits = i == 1 ? is_continuation(next, low, high) : is_continuation(next);
        if (!fits) return {replacement_character, i, false};
        value = (value << 6) | (next & 0x3F);
    }
    return {value, length, true};
}

}  // namespace

std::u16string utf8_to_utf16_lenient(const std::string& utf8) {
    std::u16string out;
    out.reserve(utf8.size());
    for (size_t at = 0; at < utf8.size();) {
        const decoded d = decode_one(utf8, at);
        at += d.length;
        if (d.code_point < 0x10000) {
            out.push_back(static_cast<char16_t>(d.code_point));
        } else {
            const char32_t v = d.code_point - 0x10000;
            out.push_back(static_cast<char16_t>(0xD800 + (v >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + (v & 0x3FF)));
        }
    }
    return out;
}

bool is_valid_utf8(const std::string& text) {
    for (size_t at = 0; at < text.size();) {
        // Runs of ASCII, most of what Kodi sends, are checked eight bytes at a time.
        uint64_t eight;
        if (text.size() - at >= sizeof eight) {
            std::memcpy(&eight, text.data() + at, sizeof eight);
            if ((eight & 0x8080808080808080u) == 0) {
                at += sizeof eight;
                continue;
            }
        }
        const decoded d = decode_one(text, at);
        if (!d.valid) return false;
        at += d.length;
    }
    return true;
}

std::wstring utf8_to_wide(const std::string& utf8) {
    std::wstring out;
    if constexpr (sizeof(wchar_t) == sizeof(char16_t)) {
        for (char16_t unit : utf8_to_utf16_lenient(utf8)) out.push_back(static_cast<wchar_t>(unit));
    } else {
        out.reserve(utf8.size());
        for (size_t at = 0; at < utf8.size();) {
            const decoded d = decode_one(utf8, at);
            at += d.length;
            out.push_back(static_cast<wchar_t>(d.code_point));
        }
    }
    return out;
}

namespace {

void append_code_point(std::u16string& out, char32_t code_point) {
    if (code_point < 0x10000) {
        out.push_back(static_cast<char16_t>(code_point));
        return;
    }
    const char32_t v = code_point - 0x10000;
    out.push_back(static_cast<char16_t>(0xD800 + (v >> 10)));
    out.push_back(static_cast<char16_t>(0xDC00 + (v & 0x3FF)));
}

void append_utf8(std::string& out, char32_t code_point) {
    if (code_point < 0x80) {
        out.push_back(static_cast<char>(code_point));
    } else if (code_point < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (code_point >> 6)));
        out.push_back(static_cast<char>(0x80 | (code_point & 0x3F)));
    } else if (code_point < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (code_point >> 12)));
        out.push_back(static_cast<char>(0x80 | ((code_point >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (code_point & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (code_point >> 18)));
        out.push_back(static_cast<char>(0x80 | ((code_point >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((code_point >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (code_point & 0x3F)));
    }
}

bool is_high_surrogate(char32_t unit) {
    return unit >= 0xD800 && unit <= 0xDBFF;
}

bool is_low_surrogate(char32_t unit) {
    return unit >= 0xDC00 && unit <= 0xDFFF;
}

// Calls emit with each code point of a UTF-16 text; a lone surrogate is U+FFFD.
template <typename Units, typename Emit>
void for_each_utf16_code_point(const Units& units, Emit emit) {
    for (size_t i = 0; i < units.size(); ++i) {
        const auto unit = static_cast<char32_t>(units[i]) & 0xFFFF;
        if (is_high_surrogate(unit) && i + 1 < units.size() &&
            is_low_surrogate(static_cast<char32_t>(units[i + 1]) & 0xFFFF)) {
            const auto low = static_cast<char32_t>(units[++i]) & 0xFFFF;
            emit(0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00));
        } else {
            emit(is_high_surrogate(unit) || is_low_surrogate(unit) ? replacement_character : unit);
        }
    }
}

constexpr bool wchar_is_utf16 = sizeof(wchar_t) == sizeof(char16_t);

// UTF-16 units into either form of string_t: UTF-8 bytes, or wchar_t (UTF-16 on
// Windows, code points where wchar_t is 32 bits).
template <typename String>
void assign_from_utf16(String& out, const std::u16string& units) {
    out.clear();
    using unit = typename String::value_type;
    if constexpr (sizeof(unit) == sizeof(char16_t)) {
        out.assign(units.begin(), units.end());
    } else if constexpr (sizeof(unit) == 1) {
        for_each_utf16_code_point(units,
                                  [&](char32_t code_point) { append_utf8(out, code_point); });
    } else {
        for_each_utf16_code_point(
            units, [&](char32_t code_point) { out.push_back(static_cast<unit>(code_point)); });
    }
}

}  // namespace

std::u16string utf16_units(const std::string& utf8) {
    return utf8_to_utf16_lenient(utf8);
}

std::u16string utf16_units(const std::wstring& wide) {
    std::u16string units;
    units.reserve(wide.size());
    if (wchar_is_utf16) {
        for (wchar_t unit : wide) units.push_back(static_cast<char16_t>(unit));
        return units;
    }
    for (wchar_t code_point : wide) {
        const auto value = static_cast<char32_t>(code_point);
        const bool valid =
            value <= 0x10FFFF && !is_high_surrogate(value) && !is_low_surrogate(value);
        append_code_point(units, valid ? value : replacement_character);
    }
    return units;
}

std::string utf8_text(const std::string& utf8) {
    return utf8;
}

std::string utf8_text(const std::wstring& wide) {
    std::string out;
    out.reserve(wide.size());
    for_each_utf16_code_point(utf16_units(wide),
                              [&](char32_t code_point) { append_utf8(out, code_point); });
    return out;
}

std::wstring wide_text(const std::string& utf8) {
    return utf8_to_wide(utf8);
}

const std::wstring& wide_text(const std::wstring& wide) {
    return wide;
}

utility::string_t to_string_t_lenient(const std::string& utf8) {
    return string_t_from_utf16(utf8_to_utf16_lenient(utf8));
}

utility::string_t string_t_from_utf16(const std::u16string& units) {
    utility::string_t out;
    assign_from_utf16(out, units);
    return out;
}

utility::string_t ascii_string_t(const std::string& ascii) {
    return utility::string_t(ascii.begin(), ascii.end());
}
