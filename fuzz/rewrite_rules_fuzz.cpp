// The rewrite-rule parser and applier: the first line is a "regex" value, the rest the
// text it is applied to. The standard library's matcher backtracks, so a pattern such as
// (a*)*b takes time exponential in the text's length: texts are kept short here, since a
// pattern in the settings file is the user's own choice.
#include <cstdint>
#include <string>

#include "settings/rewrite_rules.h"

constexpr size_t max_text = 16;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    const size_t line_end = input.find('\n');
    const std::string rule = input.substr(0, line_end);
    std::string text =
        line_end == std::string::npos ? std::string() : input.substr(line_end + 1, max_text);
    clear_rewrite_rules();  // one rule per input, not all of them so far
    add_rewrite_rule(rule);
    apply_rewrite_rules(text);
    return 0;
}
