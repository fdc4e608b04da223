// The info item's member selection: the first line names the item ("name" or
// "name#member"), the rest a query's result; the selected value is then made a display text.
// A result of the wrong shape may only end in web::json::json_exception ("Error Caught").
#include <cstdint>
#include <string>

#include <cpprest/json.h>

#include "queries/info_item.h"
#include "queries/reply_lookup.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    const size_t line_end = input.find('\n');
    const std::string item_spec = input.substr(0, line_end);
    web::json::value result;
    try {
        if (line_end != std::string::npos)
            result = web::json::value::parse(input.substr(line_end + 1));
    } catch (...) {
        return 0;  // not JSON (a bad "\u" escape throws a range error, not json_exception)
    }
    try {
        const web::json::value answer = select_item(result, split_item_spec(item_spec));
        reply_value_to_text(answer);
    } catch (const web::json::json_exception&) {
    }
    return 0;
}
