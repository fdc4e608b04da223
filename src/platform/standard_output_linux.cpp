#include "platform/standard_output.h"

#include <locale.h>

#include <cstdio>
#include <cwchar>
#include <iostream>
#include <mutex>

#include "platform/text_encoding.h"

namespace {

// The C library fixes a stream's wide-character conversion when the stream first turns
// wide. Standard output still unoriented is turned wide under a UTF-8 locale here, so
// that non-ASCII text is encoded as UTF-8 rather than failing the stream.
void prepare_standard_output() {
    static std::once_flag once;
    std::call_once(once, [] {
        if (std::fwide(stdout, 0) != 0) return;
        const locale_t utf8 = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(nullptr));
        if (utf8 == static_cast<locale_t>(nullptr)) return;
        const locale_t previous = uselocale(utf8);
        std::fwide(stdout, 1);
        uselocale(previous);
        freelocale(utf8);
    });
}

}  // namespace

void write_standard_output_line(const std::string& utf8_line) {
    prepare_standard_output();
    // Standard output already used for bytes would cut every wide character to 8 bits:
    // the line goes there as UTF-8 bytes instead.
    if (std::fwide(stdout, 0) < 0) {
        std::fwrite(utf8_line.data(), 1, utf8_line.size(), stdout);
        std::fputc('\n', stdout);
        std::fflush(stdout);
        return;
    }
    std::wcout << utf8_to_wide(utf8_line) << std::endl;
}
