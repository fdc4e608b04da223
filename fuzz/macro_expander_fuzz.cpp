// The host's macro expander on any text the plug-in may return.
#include <cstdint>
#include <string>

#include "host/macro_expander.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    lcd::glyph_table glyphs{};
    lcd::expand_context context;
    context.width = 1 + data[0] % 40;  // first byte: the display width
    context.now.tm_year = 126;
    context.now.tm_mday = 9;
    context.glyphs = &glyphs;
    const std::string text(reinterpret_cast<const char*>(data) + 1, size - 1);
    const lcd::row cells = lcd::expand_macros(text, context);
    lcd::cells_to_text(cells);
    for (const lcd::glyph& slot : glyphs)
        for (uint8_t line : slot)
            if (line > 0x1f) __builtin_trap();  // five columns per glyph row
    return 0;
}
