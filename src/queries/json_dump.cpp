// An inspection aid: the members of a JSON object, one "key = value" line each.
#include "queries/json_dump.h"

#include <cstdio>
#include <cwchar>
#include <iostream>
#include <mutex>

#include <locale.h>

#include "platform/text_encoding.h"
#include "queries/reply_lookup.h"

namespace {

const std::wstreambuf* const standard_wide_output = std::wcout.rdbuf();

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

void write_line(const std::string& line) {
    // Standard output already used for bytes would cut every wide character to 8 bits:
    // the line goes there as UTF-8 bytes instead.
    if (std::wcout.rdbuf() == standard_wide_output && std::fwide(stdout, 0) < 0) {
        std::fwrite(line.data(), 1, line.size(), stdout);
        std::fputc('\n', stdout);
        std::fflush(stdout);
        return;
    }
    std::wcout << utf8_to_wide(line) << std::endl;
}

void write_members(const web::json::value& value, const std::string& prefix) {
    for (const auto& member : value.as_object()) {
        if (member.second.is_array()) {
            write_line(prefix + member.first);
            write_members(first_element_of(member.second), prefix + "  ");
        } else {
            write_line(prefix + member.first + " = " + member.second.serialize());
        }
    }
}

}  // namespace

void display(web::json::value value, utility::string_t prefix) {
    prepare_standard_output();
    write_members(value, prefix);
}
