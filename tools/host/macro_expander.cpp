#include "host/macro_expander.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "host/time_format.h"

namespace lcd {

std::vector<std::string> split_arguments(const std::string& text) {
    std::vector<std::string> parts;
    size_t start = 0;
    while (true) {
        const size_t comma = text.find(',', start);
        parts.push_back(text.substr(start, comma - start));
        if (comma == std::string::npos) return parts;
        start = comma + 1;
    }
}

namespace {

// Deeper nesting than this is shown as plain text; it keeps the recursion bounded.
constexpr int max_nesting = 32;
constexpr long max_bar_length = 255;

enum class macro { center, bar, time, custom_char, chr };

struct macro_name {
    const char* text;
    macro kind;
};

const macro_name macro_names[] = {
    {"$Center(", macro::center},          {"$Bar(", macro::bar}, {"$Time(", macro::time},
    {"$CustomChar(", macro::custom_char}, {"$Chr(", macro::chr},
};

struct parser {
    const std::string& text;
    expand_context& context;
    size_t pos = 0;
};

// Codes 128 to 135 are the user-definable characters on the display, whether they come
// from $Chr or stand in the text; every other byte is a character of its own.
cell display_cell(uint8_t code) {
    if (code >= 128 && code < 128 + user_char_count)
        return cell{cell::user_char, static_cast<uint8_t>(code - 128)};
    return text_cell(code);
}

void append_text(row& cells, const std::string& text) {
    for (unsigned char c : text) cells.push_back(text_cell(c));
}

const macro_name* macro_at(const parser& p) {
    if (p.text[p.pos] != '$') return nullptr;
    for (const auto& name : macro_names) {
        const size_t length = std::strlen(name.text);
        if (p.text.compare(p.pos, length, name.text) == 0) return &name;
    }
    return nullptr;
}

// The argument as plain text; false when it holds user characters or bar cells.
bool plain_text(const row& cells, std::string& text) {
    text.clear();
    for (const auto& c : cells) {
        if (c.kind != cell::text) return false;
        text += static_cast<char>(c.value);
    }
    return true;
}

std::string trimmed(const std::string& text) {
    const size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos) return "";
    const size_t last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

bool parse_integer(const std::string& raw, long low, long high, long& value) {
    const std::string text = trimmed(raw);
    if (text.empty()) return false;
    char* end = nullptr;
    errno = 0;
    const long parsed = std::strtol(text.c_str(), &end, 10);
    if (errno != 0 || *end != '\0' || parsed < low || parsed > high) return false;
    value = parsed;
    return true;
}

bool parse_number(const std::string& raw, double& value) {
    const std::string text = trimmed(raw);
    if (text.empty()) return false;
    char* end = nullptr;
    const double parsed = std::strtod(text.c_str(), &end);
    if (*end != '\0' || !std::isfinite(parsed)) return false;
    value = parsed;
    return true;
}

bool expand_center(const row& argument, int width, row& out) {
    const int length = static_cast<int>(argument.size());
    const int left = length < width ? (width - length) / 2 : 0;
    const int right = length < width ? width - length - left : 0;
    out.insert(out.end(), left, text_cell(' '));
    out.insert(out.end(), argument.begin(), argument.end());
    out.insert(out.end(), right, text_cell(' '));
    return true;
}

bool expand_bar(const std::string& argument, row& out) {
    const auto parts = split_arguments(argument);
    double value = 0, maximum = 0;
    long length = 0;
    if (parts.size() != 3 || !parse_number(parts[0], value) || !parse_number(parts[1], maximum) ||
        maximum <= 0 || !parse_integer(parts[2], 0, max_bar_length, length))
        return false;
    const double share = std::fmin(std::fmax(value / maximum, 0.0), 1.0);
    const long filled = std::lround(share * static_cast<double>(length * bar_cell_columns));
    for (long i = 0; i < length; ++i) {
        const long fill =
            std::min<long>(std::max<long>(filled - i * bar_cell_columns, 0), bar_cell_columns);
        out.push_back(cell{cell::bar, static_cast<uint8_t>(fill)});
    }
    return true;
}

bool expand_custom_char(const std::string& argument, glyph_table* glyphs) {
    const auto parts = split_arguments(argument);
    long slot = 0;
    if (parts.size() != 1 + glyph_rows || !parse_integer(parts[0], 0, user_char_count - 1, slot))
        return false;
    glyph rows{};
    for (int i = 0; i < glyph_rows; ++i) {
        long value = 0;
        if (!parse_integer(parts[1 + i], 0, 255, value)) return false;
        rows[i] = static_cast<uint8_t>(value & 0x1f);  // only 5 columns exist
    }
    if (glyphs) (*glyphs)[slot] = rows;
    return true;
}

bool expand_chr(const std::string& argument, row& out) {
    long code = 0;
    if (!parse_integer(argument, 0, 255, code)) return false;
    out.push_back(display_cell(static_cast<uint8_t>(code)));
    return true;
}

bool apply_macro(macro kind, const row& argument, expand_context& context, row& out) {
    if (kind == macro::center) return expand_center(argument, context.width, out);
    std::string text;
    if (!plain_text(argument, text)) return false;
    switch (kind) {
        case macro::bar:
            return expand_bar(text, out);
        case macro::time:
            append_text(out, format_host_time(text, context.now));
            return true;
        case macro::custom_char:
            return expand_custom_char(text, context.glyphs);
        case macro::chr:
            return expand_chr(text, out);
        default:
            return false;
    }
}

// Parses cells up to the end of the text or, inside a macro (depth > 0), up to the
// parenthesis that closes it; closed tells which one ended it. Plain parentheses inside
// an argument pair up, so "$Center(Movie (2009))" centres "Movie (2009)".
row parse_cells(parser& p, int depth, bool& closed) {
    row cells;
    int open_parentheses = 0;
    closed = false;
    while (p.pos < p.text.size()) {
        const char c = p.text[p.pos];
        if (depth > 0 && c == ')' && open_parentheses == 0) {
            ++p.pos;
            closed = true;
            return cells;
        }
        const macro_name* name = depth < max_nesting ? macro_at(p) : nullptr;
        if (!name) {
            if (c == '(') ++open_parentheses;
            if (c == ')' && open_parentheses > 0) --open_parentheses;
            cells.push_back(display_cell(static_cast<uint8_t>(c)));
            ++p.pos;
            continue;
        }
        p.pos += std::strlen(name->text);
        bool argument_closed = false;
        const row argument = parse_cells(p, depth + 1, argument_closed);
        if (!argument_closed || !apply_macro(name->kind, argument, p.context, cells)) {
            append_text(cells, name->text);
            cells.insert(cells.end(), argument.begin(), argument.end());
            if (argument_closed) cells.push_back(text_cell(')'));
        }
    }
    return cells;
}

}  // namespace

row expand_macros(const std::string& text, expand_context& context) {
    parser p{text, context};
    bool closed = false;
    return parse_cells(p, 0, closed);
}

std::string cells_to_text(const row& cells) {
    std::string text;
    for (const auto& c : cells) {
        if (c.kind == cell::text)
            text += static_cast<char>(c.value);
        else if (c.kind == cell::user_char)
            text += static_cast<char>(128 + c.value);
        else
            text += c.value > 0 ? '#' : ' ';
    }
    return text;
}

}  // namespace lcd
