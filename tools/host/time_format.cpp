#include "host/time_format.h"

#include <cctype>
#include <cstdio>

namespace lcd {

namespace {

const char* const month_names[] = {"January",   "February", "March",    "April",
                                   "May",       "June",     "July",     "August",
                                   "September", "October",  "November", "December"};
const char* const day_names[] = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                 "Thursday", "Friday", "Saturday"};

std::string number(int value, int digits) {
    char text[16];
    std::snprintf(text, sizeof text, "%0*d", digits, value);
    return text;
}

// Length of the run of letter (any case) starting at pos, at most limit.
size_t run_length(const std::string& format, size_t pos, char letter, size_t limit) {
    size_t length = 0;
    while (pos + length < format.size() && length < limit &&
           std::tolower(static_cast<unsigned char>(format[pos + length])) == letter)
        ++length;
    return length;
}

bool starts_with_at(const std::string& text, size_t pos, const char* word) {
    for (size_t i = 0; word[i]; ++i) {
        if (pos + i >= text.size()) return false;
        if (std::tolower(static_cast<unsigned char>(text[pos + i])) != word[i]) return false;
    }
    return true;
}

bool uses_twelve_hours(const std::string& format) {
    for (size_t i = 0; i < format.size(); ++i)
        if (starts_with_at(format, i, "am/pm") || starts_with_at(format, i, "a/p")) return true;
    return false;
}

}  // namespace

std::string format_host_time(const std::string& format, const std::tm& time) {
    const bool twelve = uses_twelve_hours(format);
    const int month = time.tm_mon >= 0 && time.tm_mon < 12 ? time.tm_mon : 0;
    const int weekday = time.tm_wday >= 0 && time.tm_wday < 7 ? time.tm_wday : 0;
    int hour = time.tm_hour;
    if (twelve) hour = hour % 12 == 0 ? 12 : hour % 12;

    std::string out;
    size_t pos = 0;
    while (pos < format.size()) {
        const char c = format[pos];
        const char lower = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        if (c == '"' || c == '\'') {
            const size_t end = format.find(c, pos + 1);
            if (end == std::string::npos) {
                out += format.substr(pos + 1);
                break;
            }
            out += format.substr(pos + 1, end - pos - 1);
            pos = end + 1;
            continue;
        }
        if (starts_with_at(format, pos, "am/pm")) {
            const bool upper = std::isupper(static_cast<unsigned char>(c));
            const bool morning = time.tm_hour < 12;
            out += upper ? (morning ? "AM" : "PM") : (morning ? "am" : "pm");
            pos += 5;
            continue;
        }
        if (starts_with_at(format, pos, "a/p")) {
            out += time.tm_hour < 12 ? 'a' : 'p';
            pos += 3;
            continue;
        }
        switch (lower) {
            case 'y': {
                const size_t length = run_length(format, pos, 'y', 4);
                out += length >= 3 ? number(time.tm_year + 1900, 4)
                                   : number((time.tm_year + 1900) % 100, 2);
                pos += length;
                continue;
            }
            case 'm': {
                const size_t length = run_length(format, pos, 'm', 4);
                if (length == 4)
                    out += month_names[month];
                else if (length == 3)
                    out += std::string(month_names[month], 3);
                else
                    out += number(month + 1, static_cast<int>(length));
                pos += length;
                continue;
            }
            case 'd': {
                const size_t length = run_length(format, pos, 'd', 4);
                if (length == 4)
                    out += day_names[weekday];
                else if (length == 3)
                    out += std::string(day_names[weekday], 3);
                else
                    out += number(time.tm_mday, static_cast<int>(length));
                pos += length;
                continue;
            }
            case 'h': {
                const size_t length = run_length(format, pos, 'h', 2);
                out += number(hour, static_cast<int>(length));
                pos += length;
                continue;
            }
            case 'n': {
                const size_t length = run_length(format, pos, 'n', 2);
                out += number(time.tm_min, static_cast<int>(length));
                pos += length;
                continue;
            }
            case 's': {
                const size_t length = run_length(format, pos, 's', 2);
                out += number(time.tm_sec, static_cast<int>(length));
                pos += length;
                continue;
            }
            default:
                out += c;
                ++pos;
        }
    }
    return out;
}

}  // namespace lcd
