// Conversions between the UTF-8 texts of the JSON library and UTF-16 / wchar_t texts.
#pragma once

#include <string>

// Decodes UTF-8 into UTF-16 code units. Never throws: a byte that starts no valid
// sequence becomes U+FFFD, so texts from a peer can always be narrowed and logged.
std::u16string utf8_to_utf16_lenient(const std::string& utf8);

// True when text is well-formed UTF-8 (no overlongs, no surrogates, nothing above U+10FFFF).
bool is_valid_utf8(const std::string& text);

// The same text as wchar_t, for "%ls" log arguments; invalid bytes become U+FFFD.
std::wstring utf8_to_wide(const std::string& utf8);
