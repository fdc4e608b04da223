// The rewrite-rule parser and applier: the first line is a "regex" value, the rest the
// text it is applied to. Patterns that backtrack without end must give up within the
// matcher's budget, so texts may be as long as the rules ever see.
#include <cstdint>
#include <string>

#include "settings/rewrite_rules.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    const size_t line_end = input.find('\n');
    const std::string rule = input.substr(0, line_end);
    std::string text = line_end == std::string::npos ? std::string() : input.substr(line_end + 1);
    clear_rewrite_rules();  // one rule per input, not all of them so far
    add_rewrite_rule(rule);
    apply_rewrite_rules(text);
    return 0;
}
