#include "platform/text_encoding.h"

#include <cstdint>

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
