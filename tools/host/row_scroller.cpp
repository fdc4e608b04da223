#include "host/row_scroller.h"

#include <algorithm>

namespace lcd {

namespace {

std::size_t shown_length(const row& cells) {
    std::size_t length = cells.size();
    while (length > 0 && cells[length - 1] == text_cell(' ')) --length;
    return length;
}

row cut(const row& cells, std::size_t from, int width) {
    row part;
    part.reserve(static_cast<std::size_t>(width));
    for (std::size_t i = from; i < cells.size() && part.size() < static_cast<std::size_t>(width);
         ++i)
        part.push_back(cells[i]);
    part.resize(static_cast<std::size_t>(width), text_cell(' '));
    return part;
}

}  // namespace

row row_scroller::window(const row& full, int width, time_point now) {
    if (width <= 0) return {};
    const std::size_t length = shown_length(full);
    const std::size_t last_offset = length > static_cast<std::size_t>(width) ? length - width : 0;
    if (last_offset == 0) {
        phase_ = phase::fits;
        text_.clear();
        offset_ = 0;
        return cut(full, 0, width);
    }
    if (phase_ == phase::fits || full != text_) {
        text_ = full;
        phase_ = phase::start_pause;
        offset_ = 0;
        step_at_ = now + settings_.pause;
        return cut(full, 0, width);
    }
    // One move per call at most, timed from now: a late call never causes a burst.
    if (now >= step_at_) {
        if (phase_ == phase::end_pause) {
            phase_ = phase::start_pause;
            offset_ = 0;
            step_at_ = now + settings_.pause;
        } else {
            offset_ = std::min(offset_ + 1, last_offset);
            const bool at_end = offset_ == last_offset;
            phase_ = at_end ? phase::end_pause : phase::moving;
            step_at_ = now + (at_end ? settings_.pause : settings_.step);
        }
    }
    return cut(full, offset_, width);
}

std::optional<row_scroller::time_point> row_scroller::next_step() const {
    if (phase_ == phase::fits) return std::nullopt;
    return step_at_;
}

std::vector<row> frame_scroller::windows(const std::vector<row>& rows, int width,
                                         row_scroller::time_point now) {
    if (rows_.size() != rows.size()) rows_.assign(rows.size(), row_scroller(settings_));
    std::vector<row> shown;
    shown.reserve(rows.size());
    for (std::size_t i = 0; i < rows.size(); ++i)
        shown.push_back(rows_[i].window(rows[i], width, now));
    return shown;
}

std::optional<row_scroller::time_point> frame_scroller::next_step() const {
    std::optional<row_scroller::time_point> earliest;
    for (const auto& scroller : rows_) {
        const auto at = scroller.next_step();
        if (at && (!earliest || *at < *earliest)) earliest = at;
    }
    return earliest;
}

}  // namespace lcd
