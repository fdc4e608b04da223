#include "host/result_buffer.h"

#include <algorithm>
#include <cstring>

char* copy_result(result_buffer& buffer, const std::string& text) {
    // A text may hold NUL bytes of its own; the host sees it up to the first one anyway.
    const std::size_t length = std::min(text.size(), result_text_limit);
    std::memcpy(buffer, text.data(), length);
    buffer[length] = '\0';
    return buffer;
}
