// Regular-expression rewrite rules from the settings file's "regex=<pattern>,<replacement>" lines.
#pragma once

#include <string>

// Compiles one rule from a "regex" line's value; a bad pattern is reported and skipped.
void add_rewrite_rule(const std::string& value);

// Runs every rule, in the order of the lines in the settings file, over text.
void apply_rewrite_rules(std::string& text);

// Forgets every rule; only while nothing rewrites texts (start-up).
void clear_rewrite_rules();
