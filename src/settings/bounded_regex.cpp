#include "settings/bounded_regex.h"

#include "platform/thread_clock.h"

#include <algorithm>
#include <chrono>

#define PCRE2_CODE_UNIT_WIDTH 8
#include <pcre2.h>

namespace {

// Backtracking steps a match attempt at one place of the text may take, and the memory it
// may use for them. A title of the display's length with an ordinary pattern needs a few
// thousand steps.
constexpr uint32_t match_step_limit = 100000;
constexpr uint32_t match_heap_limit_kib = 4096;

// Attempts that each stay just under the step limit could still add up over the places of
// a long text, so a replacement searches at most this many places per call and gives up
// once it has used this much processor time in all. Processor time, not wall time: a busy
// machine never makes an ordinary rule (microseconds) give up.
constexpr size_t places_per_search = 16;
constexpr std::chrono::nanoseconds replacement_cpu_limit = std::chrono::milliseconds(20);

// Options that make the Perl-compatible syntax behave as ECMAScript does where the two
// differ: "$" only at the very end, "\u" and "\x" escapes, "[^]" for any character, a back
// reference to a group that took no part matching the empty text, "." stopping at CR too.
constexpr uint32_t compile_options = PCRE2_DOLLAR_ENDONLY | PCRE2_ALT_BSUX |
                                     PCRE2_ALLOW_EMPTY_CLASS | PCRE2_MATCH_UNSET_BACKREF |
                                     PCRE2_USE_OFFSET_LIMIT;

struct code_deleter {
    void operator()(pcre2_code* code) const { pcre2_code_free(code); }
};
struct match_context_deleter {
    void operator()(pcre2_match_context* context) const { pcre2_match_context_free(context); }
};
struct match_data_deleter {
    void operator()(pcre2_match_data* data) const { pcre2_match_data_free(data); }
};

}  // namespace

struct bounded_regex {
    std::unique_ptr<pcre2_code, code_deleter> code;
    uint32_t group_count = 0;  // capture groups plus the whole match
};

std::shared_ptr<const bounded_regex> compile_bounded_regex(const std::string& pattern) {
    pcre2_compile_context* context = pcre2_compile_context_create(nullptr);
    if (!context) return nullptr;
    pcre2_set_newline(context, PCRE2_NEWLINE_ANYCRLF);
    int error = 0;
    PCRE2_SIZE error_offset = 0;
    pcre2_code* code = pcre2_compile(reinterpret_cast<PCRE2_SPTR>(pattern.data()), pattern.size(),
                                     compile_options, &error, &error_offset, context);
    pcre2_compile_context_free(context);
    if (!code) return nullptr;

    auto expression = std::make_shared<bounded_regex>();
    expression->code.reset(code);
    uint32_t captures = 0;
    pcre2_pattern_info(code, PCRE2_INFO_CAPTURECOUNT, &captures);
    expression->group_count = captures + 1;
    return expression;
}

namespace {

struct match_view {
    const std::string& text;
    const PCRE2_SIZE* offsets;  // start and end of each group, PCRE2_UNSET when it took no part
    uint32_t group_count;
    size_t previous_end;  // where the text before this match begins
};

void append_group(std::string& out, const match_view& match, uint32_t group) {
    if (group >= match.group_count) return;
    const PCRE2_SIZE start = match.offsets[2 * group], end = match.offsets[2 * group + 1];
    if (start == PCRE2_UNSET || end < start) return;
    out.append(match.text, start, end - start);
}

bool is_digit(char c) {
    return c >= '0' && c <= '9';
}

// The ECMAScript replacement format: one or two digits after "$" name a group (a group that
// does not exist gives nothing), any other "$" stands for itself.
void append_formatted(std::string& out, const std::string& format, const match_view& match) {
    for (size_t at = 0; at < format.size(); ++at) {
        const char c = format[at];
        if (c != '$' || at + 1 == format.size()) {
            out += c;
            continue;
        }
        const char next = format[at + 1];
        if (next == '$') {
            out += '$';
            ++at;
        } else if (next == '&') {
            append_group(out, match, 0);
            ++at;
        } else if (next == '`') {
            out.append(match.text, match.previous_end, match.offsets[0] - match.previous_end);
            ++at;
        } else if (next == '\'') {
            out.append(match.text, match.offsets[1], std::string::npos);
            ++at;
        } else if (is_digit(next)) {
            uint32_t group = next - '0';
            ++at;
            if (at + 1 < format.size() && is_digit(format[at + 1]))
                group = group * 10 + (format[++at] - '0');
            append_group(out, match, group);
        } else {
            out += '$';
        }
    }
}

}  // namespace

bool replace_all_matches(const bounded_regex& expression, std::string& text,
                         const std::string& format) {
    std::unique_ptr<pcre2_match_data, match_data_deleter> data(
        pcre2_match_data_create_from_pattern(expression.code.get(), nullptr));
    std::unique_ptr<pcre2_match_context, match_context_deleter> limits(
        pcre2_match_context_create(nullptr));
    if (!data || !limits) return false;
    pcre2_set_match_limit(limits.get(), match_step_limit);
    pcre2_set_heap_limit(limits.get(), match_heap_limit_kib);
    const auto subject = reinterpret_cast<PCRE2_SPTR>(text.data());
    std::string out;
    size_t copied = 0;  // the text before this offset is in out already
    size_t search_from = 0;
    uint32_t retry_options = 0;
    const auto cpu_start = thread_cpu_time();
    while (search_from <= text.size()) {
        if (thread_cpu_time() - cpu_start > replacement_cpu_limit) return false;
        // A match may start no further on than the last place of this search.
        const size_t last_place = std::min(text.size(), search_from + places_per_search - 1);
        pcre2_set_offset_limit(limits.get(), last_place);
        const int found = pcre2_match(expression.code.get(), subject, text.size(), search_from,
                                      retry_options, data.get(), limits.get());
        if (found == PCRE2_ERROR_NOMATCH) {
            if (retry_options != 0) {
                // No non-empty match right after an empty one: search again one place on.
                retry_options = 0;
                ++search_from;
                continue;
            }
            if (last_place == text.size()) break;
            search_from = last_place + 1;
            continue;
        }
        if (found < 0) return false;  // out of budget, or the matcher failed otherwise
        const PCRE2_SIZE* offsets = pcre2_get_ovector_pointer(data.get());
        if (offsets[0] < copied || offsets[1] < offsets[0]) return false;  // "\K" tricks
        out.append(text, copied, offsets[0] - copied);
        append_formatted(out, format, {text, offsets, expression.group_count, copied});
        copied = offsets[1];
        search_from = offsets[1];
        if (offsets[0] != offsets[1]) {
            retry_options = 0;
        } else if (offsets[1] == text.size()) {
            break;
        } else {
            // After an empty match, first look for a non-empty one starting at the same place.
            retry_options = PCRE2_NOTEMPTY_ATSTART | PCRE2_ANCHORED;
        }
    }
    out.append(text, copied, std::string::npos);
    text = std::move(out);
    return true;
}
