// LCDd runs on Linux: a Windows host has no LCDd to draw on, and says so once.
#include "host/lcdproc_output.h"

namespace lcd {

lcdproc_output::lcdproc_output(lcdproc_address address, log_function log, lcdproc_timing timing)
    : address_(std::move(address)), log_(std::move(log)), timing_(timing) {
    if (log_) log_("LCDd output is not available on Windows; showing the terminal view only");
}

lcdproc_output::~lcdproc_output() = default;

void lcdproc_output::show(const std::vector<row>&, const glyph_table&) {}

std::optional<lcdproc_display> lcdproc_output::wait_connected(std::chrono::milliseconds) {
    return std::nullopt;
}

int lcdproc_output::connections() const {
    return 0;
}

}  // namespace lcd
