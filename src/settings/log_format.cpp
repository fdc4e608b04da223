#include "settings/log_format.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <cwchar>

#include "platform/text_encoding.h"

namespace {

// One conversion of the format: its text ("%-8.3ld") and what it takes from the arguments.
struct conversion {
    std::string directive;
    bool star_width = false;
    bool star_precision = false;
    int precision = -1;  // a precision written as digits; -1 when none
    std::string length;  // hh, h, l, ll, j, z, t, L
    char type = 0;
};

bool is_flag(char c) {
    return c == '-' || c == '+' || c == ' ' || c == '#' || c == '0';
}

bool is_digit(char c) {
    return c >= '0' && c <= '9';
}

// Reads the conversion that begins at format[at] (just after the '%'); at moves past it.
conversion read_conversion(const char* format, size_t& at) {
    conversion c;
    const size_t start = at;
    while (is_flag(format[at])) ++at;
    if (format[at] == '*') {
        c.star_width = true;
        ++at;
    }
    while (is_digit(format[at])) ++at;
    if (format[at] == '.') {
        ++at;
        if (format[at] == '*') {
            c.star_precision = true;
            ++at;
        } else {
            c.precision = 0;
            while (is_digit(format[at])) c.precision = c.precision * 10 + (format[at++] - '0');
        }
    }
    while (std::strchr("hljztL", format[at]) && format[at]) c.length.push_back(format[at++]);
    c.type = format[at];
    if (c.type) ++at;
    c.directive = "%" + std::string(format + start, at - start);
    return c;
}

template <typename... Values>
void append_formatted(std::string& out, const char* directive, Values... values) {
    char small[128];
    const int length = std::snprintf(small, sizeof small, directive, values...);
    if (length < 0) return;
    if (static_cast<size_t>(length) < sizeof small) {
        out.append(small, static_cast<size_t>(length));
        return;
    }
    std::string large(static_cast<size_t>(length) + 1, '\0');
    std::snprintf(&large[0], large.size(), directive, values...);
    out.append(large, 0, static_cast<size_t>(length));
}

// A wide text as UTF-8, cut by a precision (counted in wide characters, as printf does)
// and padded to the width, which "%*ls" and "%8ls" give in bytes.
void append_wide(std::string& out, const conversion& c, const wchar_t* text, int width,
                 int precision) {
    if (!text) text = L"(null)";
    std::wstring wide(text);
    if (precision >= 0 && static_cast<size_t>(precision) < wide.size()) wide.resize(precision);
    const std::string utf8 = utf8_text(wide);
    const bool left = c.directive.find('-') != std::string::npos || width < 0;
    const size_t pad = static_cast<size_t>(width < 0 ? -width : width);
    if (!left && utf8.size() < pad) out.append(pad - utf8.size(), ' ');
    out += utf8;
    if (left && utf8.size() < pad) out.append(pad - utf8.size(), ' ');
}

// The width written as digits in the directive ("%12ls" gives 12).
int digit_width(const std::string& directive) {
    size_t at = 1;
    while (at < directive.size() && is_flag(directive[at])) ++at;
    int width = 0;
    while (at < directive.size() && is_digit(directive[at]))
        width = width * 10 + (directive[at++] - '0');
    return width;
}

template <typename Value>
void append_with_stars(std::string& out, const conversion& c, int width, int precision,
                       Value value) {
    if (c.star_width && c.star_precision)
        append_formatted(out, c.directive.c_str(), width, precision, value);
    else if (c.star_width)
        append_formatted(out, c.directive.c_str(), width, value);
    else if (c.star_precision)
        append_formatted(out, c.directive.c_str(), precision, value);
    else
        append_formatted(out, c.directive.c_str(), value);
}

void append_integer(std::string& out, const conversion& c, int width, int precision,
                    va_list& args) {
    const bool is_signed = c.type == 'd' || c.type == 'i';
    if (c.length == "ll" || c.length == "j") {
        if (is_signed)
            append_with_stars(out, c, width, precision, va_arg(args, long long));
        else
            append_with_stars(out, c, width, precision, va_arg(args, unsigned long long));
    } else if (c.length == "l") {
        if (is_signed)
            append_with_stars(out, c, width, precision, va_arg(args, long));
        else
            append_with_stars(out, c, width, precision, va_arg(args, unsigned long));
    } else if (c.length == "z" || c.length == "t") {
        append_with_stars(out, c, width, precision, va_arg(args, size_t));
    } else {
        // hh and h arguments arrive promoted to int.
        if (is_signed)
            append_with_stars(out, c, width, precision, va_arg(args, int));
        else
            append_with_stars(out, c, width, precision, va_arg(args, unsigned int));
    }
}

}  // namespace

std::string format_log_message(const char* format, va_list caller_args) {
    // A copy of our own: a va_list parameter may be an array that decayed to a pointer,
    // which the helpers could not take by reference.
    va_list args;
    va_copy(args, caller_args);
    std::string out;
    for (size_t at = 0; format[at];) {
        if (format[at] != '%') {
            const char* next = std::strchr(format + at, '%');
            const size_t length =
                next ? static_cast<size_t>(next - format) - at : std::strlen(format + at);
            out.append(format + at, length);
            at += length;
            continue;
        }
        ++at;
        const conversion c = read_conversion(format, at);
        const int width = c.star_width ? va_arg(args, int) : digit_width(c.directive);
        const int precision = c.star_precision ? va_arg(args, int) : c.precision;
        switch (c.type) {
            case '%':
                out.push_back('%');
                break;
            case 'd':
            case 'i':
            case 'u':
            case 'x':
            case 'X':
            case 'o':
                append_integer(out, c, width, precision, args);
                break;
            case 'c':
                append_with_stars(out, c, width, precision, va_arg(args, int));
                break;
            case 'f':
            case 'F':
            case 'e':
            case 'E':
            case 'g':
            case 'G':
            case 'a':
            case 'A':
                if (c.length == "L")
                    append_with_stars(out, c, width, precision, va_arg(args, long double));
                else
                    append_with_stars(out, c, width, precision, va_arg(args, double));
                break;
            case 'p':
                append_with_stars(out, c, width, precision, va_arg(args, void*));
                break;
            case 's':
                if (c.length == "l")
                    append_wide(out, c, va_arg(args, const wchar_t*), width, precision);
                else
                    append_with_stars(out, c, width, precision, va_arg(args, const char*));
                break;
            default:
                // Not a conversion this formatter knows (or the format's end): kept as text.
                out += c.directive;
                break;
        }
    }
    va_end(args);
    return out;
}
