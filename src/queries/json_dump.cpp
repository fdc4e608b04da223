// An inspection aid: the members of a JSON object, one "key = value" line each.
#include "queries/json_dump.h"

#include <clocale>
#include <cstdio>
#include <cwchar>
#include <iostream>
#include <mutex>

#include <locale.h>

#include "platform/text_encoding.h"
#include "queries/reply_lookup.h"

namespace {

// The C library fixes a stream's wide-character conversion when the stream first turns
// wide. Standard output still unoriented is turned wide under a UTF-8 locale here, so
// non-ASCII text reaches it instead of failing the stream.
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

void write_members(const web::json::value& value, const std::wstring& prefix) {
    for (const auto& member : value.as_object()) {
        const std::wstring key = utf8_to_wide(member.first);
        if (member.second.is_array()) {
            std::wcout << prefix << key << std::endl;
            write_members(first_element_of(member.second), prefix + L"  ");
        } else {
            std::wcout << prefix << key << L" = " << utf8_to_wide(member.second.serialize())
                       << std::endl;
        }
    }
}

}  // namespace

void display(web::json::value value, utility::string_t prefix) {
    prepare_standard_output();
    write_members(value, utf8_to_wide(prefix));
}
