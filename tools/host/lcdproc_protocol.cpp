#include "host/lcdproc_protocol.h"

#include <algorithm>
#include <cstdlib>
#include <sstream>

#include "host/glyph_symbols.h"

namespace lcd {

namespace {

bool read_int(const std::string& text, int low, int high, int& value) {
    char* end = nullptr;
    const long parsed = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end || parsed < low || parsed > high) return false;
    value = static_cast<int>(parsed);
    return true;
}

char printable(uint8_t byte) {
    if (byte < 0x20 || (byte >= 0x7f && byte < 0xa0)) return '?';
    return static_cast<char>(byte);
}

char density_ascii(const glyph& bitmap) {
    int lit = 0;
    for (uint8_t line : bitmap)
        for (int bit = 0; bit < glyph_columns; ++bit) lit += line >> bit & 1;
    const int all = glyph_rows * glyph_columns;
    if (lit == 0) return ' ';
    if (lit * 4 < all) return '.';
    if (lit * 2 < all) return '+';
    return '#';
}

std::string widget_id(size_t row_index, size_t piece_index) {
    return "r" + std::to_string(row_index + 1) + "p" + std::to_string(piece_index + 1);
}

const char* widget_type(widget_piece::kind_t kind) {
    switch (kind) {
        case widget_piece::icon:
            return "icon";
        case widget_piece::hbar:
            return "hbar";
        default:
            return "string";
    }
}

std::string set_command(const std::string& screen, const std::string& id, const widget_piece& p,
                        int y) {
    std::string command = "widget_set " + screen + " " + id + " " + std::to_string(p.x) + " " +
                          std::to_string(y) + " ";
    if (p.kind == widget_piece::text) return command + quoted(p.value);
    if (p.kind == widget_piece::icon) return command + p.value;
    return command + std::to_string(p.pixels);
}

// Icons and bars first, text after: LCDd draws in that order, so text next to a
// two-character stand-in for an icon is not hidden by it.
std::vector<widget_piece> draw_order(const std::vector<widget_piece>& pieces) {
    std::vector<widget_piece> ordered;
    for (const auto& p : pieces)
        if (p.kind != widget_piece::text) ordered.push_back(p);
    for (const auto& p : pieces)
        if (p.kind == widget_piece::text) ordered.push_back(p);
    return ordered;
}

bool same_layout(const std::vector<widget_piece>& a, const std::vector<widget_piece>& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (!a[i].same_place(b[i])) return false;
    return true;
}

}  // namespace

std::optional<lcdproc_display> parse_connect_line(const std::string& line) {
    std::istringstream words(line);
    std::string word;
    if (!(words >> word) || word != "connect") return std::nullopt;
    lcdproc_display display;
    bool sized[4] = {false, false, false, false};
    while (words >> word) {
        std::string value;
        if (word == "protocol" && words >> value) {
            display.protocol = value;
        } else if (word == "wid" && words >> value) {
            sized[0] = read_int(value, 1, 256, display.width);
        } else if (word == "hgt" && words >> value) {
            sized[1] = read_int(value, 1, 256, display.height);
        } else if (word == "cellwid" && words >> value) {
            sized[2] = read_int(value, 1, 64, display.cell_width);
        } else if (word == "cellhgt" && words >> value) {
            sized[3] = read_int(value, 1, 64, display.cell_height);
        }
    }
    if (display.protocol != "0.3" && display.protocol != "0.4") return std::nullopt;
    if (!sized[0] || !sized[1] || !sized[2] || !sized[3]) return std::nullopt;
    return display;
}

std::string quoted(const std::string& latin1) {
    std::string text = "\"";
    for (unsigned char c : latin1) {
        if (c == '"' || c == '\\') text += '\\';
        text += printable(c);
    }
    return text + "\"";
}

std::string lcdproc_icon(const glyph& bitmap, char& ascii) {
    ascii = density_ascii(bitmap);
    switch (glyph_icon(bitmap)) {
        case known_icon::play:
            return "PLAY";
        case known_icon::pause:
            return "PAUSE";
        case known_icon::stop:
            return "STOP";
        case known_icon::fast_forward:
            return "FF";
        case known_icon::rewind:
            return "FR";
        case known_icon::muted:
            ascii = 'x';
            return "";
        default:
            return "";
    }
}

std::vector<widget_piece> row_pieces(const row& cells, const glyph_table& glyphs, int width,
                                     int cell_width) {
    std::vector<widget_piece> pieces;
    const size_t end = std::min(cells.size(), static_cast<size_t>(width > 0 ? width : 0));
    auto text_piece = [&](int x) -> widget_piece& {
        if (pieces.empty() || pieces.back().kind != widget_piece::text)
            pieces.push_back(widget_piece{widget_piece::text, x, "", 0});
        return pieces.back();
    };
    for (size_t i = 0; i < end; ++i) {
        const cell& c = cells[i];
        const int x = static_cast<int>(i) + 1;
        if (c.kind == cell::bar) {
            int fill = 0;
            while (i < end && cells[i].kind == cell::bar) fill += cells[i++].value;
            --i;
            // The bar's pixels at the display's cell width, rounded.
            const int pixels = (fill * cell_width + bar_cell_columns / 2) / bar_cell_columns;
            pieces.push_back(widget_piece{widget_piece::hbar, x, "", pixels});
            continue;
        }
        if (c.kind == cell::user_char) {
            char ascii = ' ';
            std::string name = lcdproc_icon(glyphs[c.value % user_char_count], ascii);
            if (!name.empty()) {
                pieces.push_back(widget_piece{widget_piece::icon, x, name, 0});
                continue;
            }
            text_piece(x).value += ascii;
            continue;
        }
        text_piece(x).value += static_cast<char>(c.value);
    }
    // Blanks at the end draw nothing that LCDd does not clear itself.
    for (auto& p : pieces)
        if (p.kind == widget_piece::text) {
            const size_t last = p.value.find_last_not_of(' ');
            p.value.erase(last == std::string::npos ? 0 : last + 1);
        }
    return pieces;
}

std::vector<std::string> session_commands(const std::string& client_name,
                                          const std::string& screen) {
    return {
        "client_set -name " + client_name, "screen_add " + screen,
        "screen_set " + screen + " -name " + client_name + " -priority foreground -heartbeat off"};
}

std::vector<std::string> widget_sync::update(const std::vector<row>& rows,
                                             const glyph_table& glyphs,
                                             const lcdproc_display& display) {
    std::vector<std::string> commands;
    const size_t height = std::min(rows.size(), static_cast<size_t>(display.height));
    if (shown_.size() < height) shown_.resize(height);
    for (size_t r = 0; r < shown_.size(); ++r) {
        std::vector<widget_piece> wanted;
        if (r < height)
            wanted = draw_order(row_pieces(rows[r], glyphs, display.width, display.cell_width));
        auto& shown = shown_[r];
        const int y = static_cast<int>(r) + 1;
        if (same_layout(shown, wanted)) {
            for (size_t i = 0; i < wanted.size(); ++i)
                if (!(wanted[i] == shown[i]))
                    commands.push_back(set_command(screen_, widget_id(r, i), wanted[i], y));
            shown = wanted;
            continue;
        }
        for (size_t i = 0; i < shown.size(); ++i)
            commands.push_back("widget_del " + screen_ + " " + widget_id(r, i));
        for (size_t i = 0; i < wanted.size(); ++i) {
            commands.push_back("widget_add " + screen_ + " " + widget_id(r, i) + " " +
                               widget_type(wanted[i].kind));
            commands.push_back(set_command(screen_, widget_id(r, i), wanted[i], y));
        }
        shown = wanted;
    }
    return commands;
}

}  // namespace lcd
