#include "host/screen_file.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "host/dll_macro.h"

namespace lcd {

namespace {

bool fail(screen_error* error, int line, const std::string& message) {
    if (error) *error = screen_error{line, message};
    return false;
}

void add_literal(screen_row& row, const std::string& text) {
    if (text.empty()) return;
    if (!row.empty() && row.back().function == 0)
        row.back().text += text;
    else
        row.push_back(screen_part{0, text, "", ""});
}

// Parses the inside of one {...} element.
bool parse_call(const std::string& inside, int line, screen_part& part, screen_error* error) {
    const size_t colon = inside.find(':');
    const std::string number = inside.substr(0, colon);
    if (number.empty() || number.size() > 2 ||
        number.find_first_not_of("0123456789") != std::string::npos)
        return fail(error, line, "'{" + inside + "}' does not name a function (use {1} to {11})");
    const int function = std::stoi(number);
    if (function < 1 || function > function_count)
        return fail(error, line, "function" + number + " does not exist (use {1} to {11})");
    part.function = function;
    if (colon == std::string::npos) return true;
    const std::string parameters = inside.substr(colon + 1);
    const size_t second = parameters.find(':');
    part.first_parameter = parameters.substr(0, second);
    if (second != std::string::npos) part.second_parameter = parameters.substr(second + 1);
    return true;
}

bool parse_row(const std::string& line_text, int line, const std::string& plugin_name,
               screen_row& row, screen_error* error) {
    std::string literal;
    auto add_call = [&](const screen_part& part) {
        add_literal(row, literal);
        literal.clear();
        row.push_back(part);
    };
    size_t pos = 0;
    while (pos < line_text.size()) {
        const char c = line_text[pos];
        if (line_text.compare(pos, 5, "$dll(") == 0) {
            screen_part part;
            pos = read_dll_macro(line_text, pos, plugin_name, part);
            if (part.function == 0)
                literal += part.text;  // what the host shows for a call it cannot make
            else
                add_call(part);
            continue;
        }
        if ((c == '{' || c == '}') && pos + 1 < line_text.size() && line_text[pos + 1] == c) {
            literal += c;
            pos += 2;
            continue;
        }
        if (c == '}') return fail(error, line, "a lone '}' (write }} for a brace)");
        if (c != '{') {
            literal += c;
            ++pos;
            continue;
        }
        const size_t close = line_text.find('}', pos);
        if (close == std::string::npos) return fail(error, line, "'{' without its closing '}'");
        screen_part part;
        if (!parse_call(line_text.substr(pos + 1, close - pos - 1), line, part, error))
            return false;
        add_call(part);
        pos = close + 1;
    }
    add_literal(row, literal);
    return true;
}

}  // namespace

std::optional<screen> parse_screen(const std::string& text, screen_error* error,
                                   const std::string& plugin_name) {
    screen result;
    std::istringstream in(text);
    std::string line_text;
    int line = 0;
    while (std::getline(in, line_text)) {
        ++line;
        if (!line_text.empty() && line_text.back() == '\r') line_text.pop_back();
        if (!line_text.empty() && line_text[0] == '#') continue;
        screen_row row;
        if (!parse_row(line_text, line, plugin_name, row, error)) return std::nullopt;
        result.rows.push_back(row);
    }
    return result;
}

std::optional<screen> load_screen(const std::string& path, screen_error& error,
                                  const std::string& plugin_name) {
    std::error_code ignored;
    if (std::filesystem::is_directory(path, ignored)) {
        error = screen_error{0, "is a folder"};
        return std::nullopt;
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = screen_error{0, std::strerror(errno)};
        return std::nullopt;
    }
    std::ostringstream contents;
    contents << in.rdbuf();
    if (in.bad()) {
        error = screen_error{0, "read error"};
        return std::nullopt;
    }
    return parse_screen(contents.str(), &error, plugin_name);
}

screen default_screen() {
    screen result;
    result.rows.push_back({screen_part{1, "", "", ""}});
    result.rows.push_back({screen_part{2, "", "", ""}});
    return result;
}

}  // namespace lcd
