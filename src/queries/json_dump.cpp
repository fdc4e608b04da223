// An inspection aid: the members of a JSON object, one "key = value" line each.
#include "queries/json_dump.h"

#include <iostream>

#include "platform/standard_output.h"
#include "platform/text_encoding.h"
#include "queries/reply_lookup.h"

namespace {

const std::wstreambuf* const standard_wide_output = std::wcout.rdbuf();

void write_line(const utility::string_t& line) {
    // A host that gave std::wcout a buffer of its own gets the wide text there.
    if (std::wcout.rdbuf() != standard_wide_output) {
        std::wcout << wide_text(line) << std::endl;
        return;
    }
    write_standard_output_line(utf8_text(line));
}

void write_members(const web::json::value& value, const utility::string_t& prefix) {
    for (const auto& member : value.as_object()) {
        if (member.second.is_array()) {
            write_line(prefix + member.first);
            write_members(first_element_of(member.second), prefix + U("  "));
        } else {
            write_line(prefix + member.first + U(" = ") + member.second.serialize());
        }
    }
}

}  // namespace

void display(web::json::value value, utility::string_t prefix) {
    write_members(value, prefix);
}
