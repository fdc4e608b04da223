#include "bench_table.h"

#include <algorithm>
#include <cstdio>
#include <sstream>

namespace bench {

namespace {

std::vector<table_row>& rows() {
    static std::vector<table_row> all;
    return all;
}

std::vector<std::string>& notes() {
    static std::vector<std::string> all;
    return all;
}

// Display width in columns: every UTF-8 lead byte counts once.
size_t columns(const std::string& text) {
    size_t count = 0;
    for (unsigned char c : text)
        if ((c & 0xC0) != 0x80) ++count;
    return count;
}

std::string padded(const std::string& text, size_t width) {
    const size_t used = columns(text);
    return text + std::string(width > used ? width - used : 0, ' ');
}

}  // namespace

void add_row(const table_row& row) {
    rows().push_back(row);
}
const std::vector<table_row>& table_rows() {
    return rows();
}
void add_note(const std::string& note) {
    notes().push_back(note);
}

void print_table() {
    const char* headings[] = {"Figure", "Measured", "Floor", "Ratio", "Target", "Met"};
    size_t widths[6];
    for (int i = 0; i < 6; ++i) widths[i] = columns(headings[i]);
    for (const auto& row : rows()) {
        const std::string* cells[] = {&row.figure, &row.measured, &row.floor,
                                      &row.ratio,  &row.target,   &row.met};
        for (int i = 0; i < 6; ++i) widths[i] = std::max(widths[i], columns(*cells[i]));
    }
    auto print_line = [&](const std::string* cells[]) {
        std::string line = "|";
        for (int i = 0; i < 6; ++i) line += " " + padded(*cells[i], widths[i]) + " |";
        std::printf("%s\n", line.c_str());
    };
    std::string heading_texts[6];
    const std::string* heading_cells[6];
    for (int i = 0; i < 6; ++i) {
        heading_texts[i] = headings[i];
        heading_cells[i] = &heading_texts[i];
    }
    print_line(heading_cells);
    std::string rule = "|";
    for (int i = 0; i < 6; ++i) rule += std::string(widths[i] + 2, '-') + "|";
    std::printf("%s\n", rule.c_str());

    std::string section;
    for (const auto& row : rows()) {
        if (row.section != section) {
            section = row.section;
            std::string title = "**" + section + "**";
            std::string empty;
            const std::string* cells[] = {&title, &empty, &empty, &empty, &empty, &empty};
            print_line(cells);
        }
        const std::string* cells[] = {&row.figure, &row.measured, &row.floor,
                                      &row.ratio,  &row.target,   &row.met};
        print_line(cells);
    }
    if (!notes().empty()) std::printf("\n");
    for (const auto& note : notes()) std::printf("- %s\n", note.c_str());
    std::fflush(stdout);
}

void print_targets_met() {
    size_t targets = 0, met = 0;
    for (const auto& row : rows()) {
        if (row.met.empty()) continue;
        ++targets;
        if (row.met == met_text(true)) ++met;
    }
    std::printf("\nTargets met: %zu of %zu\n", met, targets);
    std::fflush(stdout);
}

std::string encode_row(const table_row& row) {
    return "row\t" + row.section + "\t" + row.figure + "\t" + row.measured + "\t" + row.floor +
           "\t" + row.ratio + "\t" + row.target + "\t" + row.met;
}

bool decode_row(const std::string& line, table_row& row) {
    std::vector<std::string> fields;
    std::istringstream in(line);
    std::string field;
    while (std::getline(in, field, '\t')) fields.push_back(field);
    if (line.size() && line.back() == '\t') fields.push_back("");
    if (fields.size() != 8 || fields[0] != "row") return false;
    row = {fields[1], fields[2], fields[3], fields[4], fields[5], fields[6], fields[7]};
    return true;
}

}  // namespace bench
