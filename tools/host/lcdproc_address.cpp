#include <cstdlib>

#include "host/lcdproc_output.h"

namespace lcd {

bool parse_lcdproc_address(const std::string& text, lcdproc_address& address) {
    auto valid_port = [](const std::string& port) {
        if (port.empty() || port.size() > 5 ||
            port.find_first_not_of("0123456789") != std::string::npos)
            return false;
        const long number = std::strtol(port.c_str(), nullptr, 10);
        return number >= 1 && number <= 65535;
    };
    lcdproc_address result;
    if (text.empty()) return false;
    if (text.front() == '[') {
        const size_t close = text.find(']');
        if (close == std::string::npos || close == 1) return false;
        result.host = text.substr(1, close - 1);
        if (close + 1 < text.size()) {
            if (text[close + 1] != ':') return false;
            result.port = text.substr(close + 2);
        }
    } else if (const size_t colon = text.rfind(':'); colon != std::string::npos) {
        if (text.find(':') != colon || colon == 0) return false;
        result.host = text.substr(0, colon);
        result.port = text.substr(colon + 1);
    } else if (text.find_first_not_of("0123456789") == std::string::npos) {
        result.port = text;
    } else {
        result.host = text;
    }
    if (!valid_port(result.port)) return false;
    address = result;
    return true;
}

}  // namespace lcd
