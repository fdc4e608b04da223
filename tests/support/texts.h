// Test texts are written as UTF-8 literals; the library holds them in the JSON library's
// string type, UTF-8 on Linux and UTF-16 on Windows.
#pragma once

// GoogleTest before the JSON library's headers, whose macro U clashes with its templates.
#include <gtest/gtest.h>

#include <string>
#include <type_traits>

#include <cpprest/asyncrt_utils.h>

namespace testenv {

inline utility::string_t text(const std::string& utf8) {
    return utility::conversions::to_string_t(utf8);
}

inline std::string utf8(const utility::string_t& text) {
    return utility::conversions::to_utf8string(text);
}

// True where the string type is UTF-8 (Linux), and so can hold bytes that are no UTF-8.
constexpr bool string_t_is_utf8 = std::is_same_v<utility::string_t, std::string>;

// Each byte as one unit of the string type, UTF-8 or not.
inline utility::string_t raw_text(const std::string& bytes) {
    return utility::string_t(bytes.begin(), bytes.end());
}

}  // namespace testenv
