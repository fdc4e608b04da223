// Fixed buffers through which the text exports hand their texts to the host.
#pragma once

#include <cstddef>
#include <string>

constexpr std::size_t result_buffer_size = 256;
// At most this many characters reach the host; longer texts are cut.
constexpr std::size_t result_text_limit = result_buffer_size - 2;

using result_buffer = char[result_buffer_size];

// Copies at most result_text_limit characters of text into buffer, NUL-terminated,
// and returns the buffer.
char* copy_result(result_buffer& buffer, const std::string& text);
