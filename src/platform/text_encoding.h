// Conversions between the UTF-8 texts of the JSON library and UTF-16 / wchar_t texts.
#pragma once

#include <string>

#include <cpprest/details/basic_types.h>

// Decodes UTF-8 into UTF-16 code units. Never throws: a byte that starts no valid
// sequence becomes U+FFFD, so texts from a peer can always be narrowed and logged.
std::u16string utf8_to_utf16_lenient(const std::string& utf8);

// True when text is well-formed UTF-8 (no overlongs, no surrogates, nothing above U+10FFFF).
bool is_valid_utf8(const std::string& text);

// The same text as wchar_t, for "%ls" log arguments; invalid bytes become U+FFFD.
std::wstring utf8_to_wide(const std::string& utf8);

// utility::string_t is UTF-8 std::string on Linux and UTF-16 std::wstring on Windows. The
// overloads below take either form, so that code holding a string_t need not know which.

// The text's UTF-16 code units; bytes that start no valid UTF-8 sequence become U+FFFD.
std::u16string utf16_units(const std::string& utf8);
std::u16string utf16_units(const std::wstring& wide);

// The text as UTF-8; invalid input (bad bytes, a lone surrogate) becomes U+FFFD.
std::string utf8_text(const std::string& utf8);
std::string utf8_text(const std::wstring& wide);

// The text as wchar_t, for "%ls" log arguments and wide streams.
std::wstring wide_text(const std::string& utf8);
const std::wstring& wide_text(const std::wstring& wide);

// UTF-8 text (settings, host parameters, payloads) as a string_t that is always valid:
// bytes that start no valid sequence become U+FFFD.
utility::string_t to_string_t_lenient(const std::string& utf8);

// UTF-16 code units as a string_t; a lone surrogate becomes U+FFFD on Linux.
utility::string_t string_t_from_utf16(const std::u16string& units);

// ASCII text (numbers, fixed names) as a string_t.
utility::string_t ascii_string_t(const std::string& ascii);
