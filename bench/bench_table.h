// The one result table: every figure beside its floor, the ratio, the target and whether
// the target is met.
#pragma once

#include <string>
#include <vector>

namespace bench {

struct table_row {
    std::string section;
    std::string figure;
    std::string measured;
    std::string floor;
    std::string ratio;
    std::string target;
    std::string met;  // "yes", "NO", or empty for figures without a target
};

void add_row(const table_row& row);
const std::vector<table_row>& table_rows();
// Free-text lines printed under the table.
void add_note(const std::string& note);

void print_table();
// One line: how many of the rows with a target met it, of how many.
void print_targets_met();

// One row as a tab-separated line and back, for figures measured in another process.
std::string encode_row(const table_row& row);
bool decode_row(const std::string& line, table_row& row);

inline const char* met_text(bool met) {
    return met ? "yes" : "NO";
}

}  // namespace bench
