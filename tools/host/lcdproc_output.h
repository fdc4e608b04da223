// Sends the display to LCDd over TCP from a thread of its own. The refresh hands over
// the newest rows and goes on at once; the sender passes on only the latest, so a slow
// LCDd costs frames, never the plug-in's refresh. A lost connection is made again with
// a growing pause between tries.
#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "host/lcd_cells.h"
#include "host/lcdproc_protocol.h"

namespace lcd {

struct lcdproc_address {
    std::string host = "127.0.0.1";
    std::string port = "13666";
};

// "[HOST:]PORT", also "HOST" alone and "[::1]:PORT"; false for a bad text.
bool parse_lcdproc_address(const std::string& text, lcdproc_address& address);

struct lcdproc_timing {
    std::chrono::milliseconds first_retry{250};
    std::chrono::milliseconds longest_retry{5000};
    std::chrono::milliseconds answer_timeout{3000};  // connect and hello
    std::chrono::milliseconds stall_timeout{5000};   // LCDd takes nothing for this long
};

class lcdproc_output {
  public:
    using log_function = std::function<void(const std::string&)>;

    lcdproc_output(lcdproc_address address, log_function log, lcdproc_timing timing = {});
    ~lcdproc_output();
    lcdproc_output(const lcdproc_output&) = delete;
    lcdproc_output& operator=(const lcdproc_output&) = delete;

    // Never blocks on LCDd: replaces whatever was not yet sent.
    void show(const std::vector<row>& rows, const glyph_table& glyphs);

    // The display once connected, waiting at most timeout for the first connection.
    std::optional<lcdproc_display> wait_connected(std::chrono::milliseconds timeout);

    int connections() const;

  private:
    struct pending_frame {
        std::vector<row> rows;
        glyph_table glyphs{};
    };

    void run();
    bool session(int fd, std::string& error);
    bool pause_before_retry(std::chrono::milliseconds pause);
    bool stopping() const;

    lcdproc_address address_;
    log_function log_;
    lcdproc_timing timing_;

    mutable std::mutex lock_;
    std::condition_variable changed_;
    std::optional<pending_frame> pending_;
    std::optional<lcdproc_display> display_;
    int connections_ = 0;
    bool stopping_ = false;
    int wake_[2] = {-1, -1};
    std::optional<pending_frame> last_sent_;  // the sender's own: shown again after a reconnect
    std::thread sender_;
};

}  // namespace lcd
