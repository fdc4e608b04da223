// LCDd's client protocol, the parts that need no socket: the server's connect answer,
// quoting, and turning display rows into widgets and the commands that keep them current.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "host/lcd_cells.h"

namespace lcd {

struct lcdproc_display {
    std::string protocol;  // "0.3" or "0.4"
    int width = 0;
    int height = 0;
    int cell_width = 5;
    int cell_height = 8;
};

// Reads "connect LCDproc 0.5.9 protocol 0.4 lcd wid 20 hgt 4 cellwid 5 cellhgt 8";
// nothing for any other line, an unknown protocol or a senseless size.
std::optional<lcdproc_display> parse_connect_line(const std::string& line);

// A string argument in double quotes with '"' and '\' escaped; bytes that cannot be
// shown (control codes, 0x7f to 0x9f) become '?'. Other bytes stay Latin-1.
std::string quoted(const std::string& latin1);

// What a row is drawn with: text runs, LCDd's named icons and horizontal bars.
struct widget_piece {
    enum kind_t { text, icon, hbar };
    kind_t kind = text;
    int x = 1;          // first column, from 1
    std::string value;  // the text, or the icon's name
    int pixels = 0;     // a bar's length

    bool same_place(const widget_piece& other) const { return kind == other.kind && x == other.x; }
    bool operator==(const widget_piece& other) const {
        return same_place(other) && value == other.value && pixels == other.pixels;
    }
};

// LCDd's icon for a user character ("PLAY", "PAUSE", "STOP", "FF", "FR"), or empty
// when none fits; ascii then is the character to show instead.
std::string lcdproc_icon(const glyph& bitmap, char& ascii);

// The pieces of one row, at most width cells of it.
std::vector<widget_piece> row_pieces(const row& cells, const glyph_table& glyphs, int width,
                                     int cell_width);

// The commands that start a session once the server has answered hello.
std::vector<std::string> session_commands(const std::string& client_name,
                                          const std::string& screen);

// Keeps LCDd's widgets in step with the rows: only rows that changed are sent.
class widget_sync {
  public:
    explicit widget_sync(std::string screen) : screen_(std::move(screen)) {}

    // Commands that turn what LCDd shows into rows (clipped to the display).
    std::vector<std::string> update(const std::vector<row>& rows, const glyph_table& glyphs,
                                    const lcdproc_display& display);

    // A new connection knows no widgets.
    void forget() { shown_.clear(); }

  private:
    std::string screen_;
    std::vector<std::vector<widget_piece>> shown_;
};

}  // namespace lcd
