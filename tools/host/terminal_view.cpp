#include "host/terminal_view.h"

#include <cstdio>

#include "host/glyph_symbols.h"

namespace lcd {

namespace {

const char* const bezel = "\x1b[38;5;240m";
const char* const screen_colours = "\x1b[48;5;149m\x1b[38;5;22m";  // yellow-green backlight
const char* const dim = "\x1b[38;5;245m";
const char* const bright = "\x1b[38;5;151m";
const char* const reset = "\x1b[0m";
const char* const end_of_line = "\x1b[K\n";

std::string repeated(const char* piece, int count) {
    std::string text;
    for (int i = 0; i < count; ++i) text += piece;
    return text;
}

bool glyph_defined(const glyph& bitmap) {
    for (uint8_t row : bitmap)
        if (row) return true;
    return false;
}

// Two pixel rows per terminal line with half blocks.
const char* pixel_pair(bool top, bool bottom) {
    if (top && bottom) return "\u2588";
    if (top) return "\u2580";
    if (bottom) return "\u2584";
    return " ";
}

std::string zoomed_glyphs(const glyph_table& glyphs) {
    std::string labels = "  ";
    std::string lines[glyph_rows / 2];
    for (auto& line : lines) line = "  ";
    bool any = false;
    for (int slot = 0; slot < user_char_count; ++slot) {
        if (!glyph_defined(glyphs[slot])) continue;
        any = true;
        char label[16];
        std::snprintf(label, sizeof label, "%-3d %s  ", 128 + slot,
                      glyph_symbol(glyphs[slot]).c_str());
        labels += std::string(dim) + label + reset;
        for (int pair = 0; pair < glyph_rows / 2; ++pair) {
            lines[pair] += bright;
            for (int column = glyph_columns - 1; column >= 0; --column) {
                const bool top = glyphs[slot][pair * 2] >> column & 1;
                const bool bottom = glyphs[slot][pair * 2 + 1] >> column & 1;
                lines[pair] += pixel_pair(top, bottom);
            }
            lines[pair] += std::string(reset) + "  ";
        }
    }
    std::string text = std::string(dim) + "  user characters" + reset + end_of_line;
    if (!any) labels += std::string(dim) + "(none defined yet)" + reset;
    text += labels + end_of_line;
    for (const auto& line : lines) text += line + end_of_line;
    return text;
}

}  // namespace

std::string plain_frame_text(const frame& shown) {
    std::string text;
    for (const auto& cells : shown.rows) {
        for (const auto& c : cells) text += cell_symbol(c, shown.glyphs);
        text += '\n';
    }
    return text;
}

std::string fancy_frame_text(const frame& shown, const view_info& info) {
    const int width = shown.rows.empty() ? 0 : static_cast<int>(shown.rows[0].size());
    std::string text = "\x1b[H";
    text += end_of_line;
    text += std::string("  ") + bezel + "\u256D" + repeated("\u2500", width + 2) + "\u256E" +
            reset + end_of_line;
    for (const auto& cells : shown.rows) {
        text += std::string("  ") + bezel + "\u2502" + reset + screen_colours + " ";
        for (const auto& c : cells) text += cell_symbol(c, shown.glyphs);
        text += std::string(" ") + reset + bezel + "\u2502" + reset + end_of_line;
    }
    text += std::string("  ") + bezel + "\u2570" + repeated("\u2500", width + 2) + "\u256F" +
            reset + end_of_line;

    const long seconds = static_cast<long>(info.running.count() / 1000);
    char status[200];
    std::snprintf(status, sizeof status,
                  "  %s \u00B7 %dx%d \u00B7 every %ld ms \u00B7 %02ld:%02ld \u00B7 Ctrl-C quits",
                  info.plugin_name.c_str(), width, static_cast<int>(shown.rows.size()),
                  static_cast<long>(info.interval.count()), seconds / 60, seconds % 60);
    text += std::string(dim) + status + reset + end_of_line;
    text += end_of_line;
    text += zoomed_glyphs(shown.glyphs);
    text += "\x1b[J";
    return text;
}

std::string fancy_view_begin() {
    return "\x1b[?25l\x1b[2J\x1b[H";
}

std::string fancy_view_end() {
    return std::string(reset) + "\x1b[?25h";
}

}  // namespace lcd
