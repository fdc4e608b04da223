// A regular expression whose matching has a step budget: a user's pattern that backtracks
// exponentially gives up on a text instead of holding the calling thread for hours.
#pragma once

#include <memory>
#include <string>

struct bounded_regex;

// Compiles pattern (ECMAScript-like syntax, bytes, case-sensitive); null when it is not a
// valid expression.
std::shared_ptr<const bounded_regex> compile_bounded_regex(const std::string& pattern);

// Replaces every match of expression in text by format, whose "$&", "$`", "$'", "$n", "$nn"
// and "$$" are the match, the text before it, the text after it, group n and a "$".
// Returns false, leaving text as it was, when the matcher ran out of its budget.
bool replace_all_matches(const bounded_regex& expression, std::string& text,
                         const std::string& format);
