// Scrolling of rows longer than the display: a row that does not fit shows a window of
// the display's width that waits at the start, steps one cell at a time to the end,
// waits there and starts over. A row whose text changes starts over at once.
#pragma once

#include <chrono>
#include <cstddef>
#include <optional>
#include <vector>

#include "host/lcd_cells.h"

namespace lcd {

struct scroll_settings {
    std::chrono::milliseconds step{400};    // never faster than this
    std::chrono::milliseconds pause{2000};  // at the start and at the end
};

class row_scroller {
  public:
    using time_point = std::chrono::steady_clock::time_point;

    explicit row_scroller(scroll_settings settings = {}) : settings_(settings) {}

    // The width cells of full to show at now; blanks at the end of full do not count
    // towards its length.
    row window(const row& full, int width, time_point now);

    // When the window next moves; nothing while the row fits.
    std::optional<time_point> next_step() const;

    std::size_t offset() const { return offset_; }

  private:
    enum class phase { fits, start_pause, moving, end_pause };

    scroll_settings settings_;
    row text_;
    phase phase_ = phase::fits;
    std::size_t offset_ = 0;
    time_point step_at_{};
};

// One scroller per display row.
class frame_scroller {
  public:
    explicit frame_scroller(scroll_settings settings = {}) : settings_(settings) {}

    // Rows cut or padded to width, each scrolled as it needs.
    std::vector<row> windows(const std::vector<row>& rows, int width, row_scroller::time_point now);

    // The earliest time any row moves.
    std::optional<row_scroller::time_point> next_step() const;

  private:
    scroll_settings settings_;
    std::vector<row_scroller> rows_;
};

}  // namespace lcd
