#include "settings/rewrite_rules.h"

#include <stdexcept>
#include <vector>

#include "platform/debug_output.h"
#include "settings/bounded_regex.h"

namespace {

constexpr size_t rewrite_text_limit = 1024;

struct rewrite_rule {
    std::shared_ptr<const bounded_regex> expression;
    std::string replacement;
};

// Filled while the settings are read, read-only afterwards. Never destroyed, so a thread that
// still rewrites a text while the process exits finds its rules in place.
std::vector<rewrite_rule>& rewrite_rules() {
    static auto* rules = new std::vector<rewrite_rule>;
    return *rules;
}

// The first comma not preceded by a backslash; "\," stays in the pattern as a literal comma.
size_t find_free_comma(const std::string& value) {
    for (size_t at = value.find(','); at != std::string::npos; at = value.find(',', at + 1))
        if (at == 0 || value[at - 1] != '\\') return at;
    return std::string::npos;
}

void report(const char* what, const std::string& pattern, const std::string& replacement) {
    debug_output(what);
    debug_output(pattern.c_str());
    debug_output(replacement.c_str());
}

}  // namespace

void add_rewrite_rule(const std::string& value) {
    const size_t comma = find_free_comma(value);
    // Without a free comma there is no replacement text: the line is not a rule.
    if (comma == std::string::npos) {
        try {
            report("Bad RegEx found", value, "");
        } catch (...) {
        }
        return;
    }
    std::string pattern, replacement;
    try {
        pattern = value.substr(0, comma);
        replacement = value.substr(comma + 1);
        auto expression = compile_bounded_regex(pattern);
        if (!expression) throw std::invalid_argument("not a valid expression");
        rewrite_rules().push_back({std::move(expression), replacement});
        report("Adding regex", pattern, replacement);
    } catch (...) {
        report("Bad RegEx found", pattern, replacement);
    }
}

void apply_rewrite_rules(std::string& text) {
    if (rewrite_rules().empty()) return;
    // Bounds the work of every rule; the display never shows more than a line anyway.
    if (text.size() > rewrite_text_limit) text.resize(rewrite_text_limit);
    for (const rewrite_rule& rule : rewrite_rules()) {
        try {
            // A rule whose matcher runs out of its budget leaves the text as it was.
            replace_all_matches(*rule.expression, text, rule.replacement);
        } catch (...) {
        }
    }
}

void clear_rewrite_rules() {
    rewrite_rules().clear();
}
