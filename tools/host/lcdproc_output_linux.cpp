#include "host/lcdproc_output.h"

#include <fcntl.h>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>

namespace lcd {

namespace {

using steady = std::chrono::steady_clock;

const char* const client_name = "plinthar";
const char* const screen_name = "plinthar";
constexpr size_t longest_line = 4096;
constexpr int huh_reports_per_session = 5;

int milliseconds_until(steady::time_point deadline) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - steady::now()).count();
    return static_cast<int>(std::max<long long>(0, std::min<long long>(left, INT_MAX)));
}

void set_nonblocking(int fd) {
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
    fcntl(fd, F_SETFD, FD_CLOEXEC);
}

// Waits for events on fd until the deadline, in slices, so that a stop is seen soon.
// Returns poll's result; 0 on time-out or stop.
int poll_until(pollfd& p, steady::time_point deadline, const std::function<bool()>& stopping) {
    while (!stopping()) {
        const int left = milliseconds_until(deadline);
        const int ready = poll(&p, 1, std::min(left, 100));
        if (ready != 0 || left == 0) return ready;
    }
    return 0;
}

// A connected non-blocking socket, or -1 with the reason in error.
int connect_to(const lcdproc_address& address, std::chrono::milliseconds timeout,
               const std::function<bool()>& stopping, std::string& error) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    const int status = getaddrinfo(address.host.c_str(), address.port.c_str(), &hints, &found);
    if (status != 0) {
        error = gai_strerror(status);
        return -1;
    }
    int fd = -1;
    error = "no address";
    for (addrinfo* a = found; a; a = a->ai_next) {
        fd = socket(a->ai_family, a->ai_socktype, a->ai_protocol);
        if (fd < 0) continue;
        set_nonblocking(fd);
        if (connect(fd, a->ai_addr, a->ai_addrlen) == 0) break;
        if (errno == EINPROGRESS) {
            pollfd p{fd, POLLOUT, 0};
            int result = 0;
            socklen_t length = sizeof result;
            if (poll_until(p, steady::now() + timeout, stopping) == 1 &&
                getsockopt(fd, SOL_SOCKET, SO_ERROR, &result, &length) == 0 && result == 0)
                break;
            error = result ? std::strerror(result) : "timed out";
        } else {
            error = std::strerror(errno);
        }
        close(fd);
        fd = -1;
    }
    freeaddrinfo(found);
    return fd;
}

// Lines from the server, taken from a byte stream.
struct line_reader {
    std::string buffer;

    // False when the server closed the connection or failed.
    bool read_from(int fd) {
        char chunk[4096];
        while (true) {
            const ssize_t got = recv(fd, chunk, sizeof chunk, 0);
            if (got > 0) {
                buffer.append(chunk, static_cast<size_t>(got));
                continue;
            }
            if (got == 0) return false;
            return errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR;
        }
    }

    std::optional<std::string> next_line() {
        const size_t end = buffer.find('\n');
        if (end == std::string::npos) {
            if (buffer.size() > longest_line) buffer.clear();  // never a line of ours
            return std::nullopt;
        }
        std::string line = buffer.substr(0, end);
        buffer.erase(0, end + 1);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        return line;
    }
};

// Sends what the socket takes now; false when the connection failed.
bool send_some(int fd, std::string& out) {
    while (!out.empty()) {
        const ssize_t sent = send(fd, out.data(), out.size(), MSG_NOSIGNAL);
        if (sent > 0) {
            out.erase(0, static_cast<size_t>(sent));
            continue;
        }
        return sent < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR);
    }
    return true;
}

std::string joined(const std::vector<std::string>& commands) {
    std::string text;
    for (const auto& command : commands) text += command + "\n";
    return text;
}

}  // namespace

lcdproc_output::lcdproc_output(lcdproc_address address, log_function log, lcdproc_timing timing)
    : address_(std::move(address)), log_(std::move(log)), timing_(timing) {
    if (pipe(wake_) != 0) {
        wake_[0] = wake_[1] = -1;
    } else {
        set_nonblocking(wake_[0]);
        set_nonblocking(wake_[1]);
    }
    sender_ = std::thread([this] { run(); });
}

lcdproc_output::~lcdproc_output() {
    {
        std::lock_guard<std::mutex> guard(lock_);
        stopping_ = true;
    }
    changed_.notify_all();
    if (wake_[1] >= 0) {
        const char byte = 1;
        const ssize_t ignored = write(wake_[1], &byte, 1);
        (void)ignored;
    }
    if (sender_.joinable()) sender_.join();
    for (int fd : wake_)
        if (fd >= 0) close(fd);
}

void lcdproc_output::show(const std::vector<row>& rows, const glyph_table& glyphs) {
    {
        std::lock_guard<std::mutex> guard(lock_);
        pending_ = pending_frame{rows, glyphs};
    }
    if (wake_[1] >= 0) {
        const char byte = 1;
        const ssize_t ignored = write(wake_[1], &byte, 1);  // a full pipe already wakes
        (void)ignored;
    }
}

std::optional<lcdproc_display> lcdproc_output::wait_connected(std::chrono::milliseconds timeout) {
    std::unique_lock<std::mutex> guard(lock_);
    changed_.wait_for(guard, timeout, [this] { return display_.has_value() || stopping_; });
    return display_;
}

int lcdproc_output::connections() const {
    std::lock_guard<std::mutex> guard(lock_);
    return connections_;
}

bool lcdproc_output::stopping() const {
    std::lock_guard<std::mutex> guard(lock_);
    return stopping_;
}

bool lcdproc_output::pause_before_retry(std::chrono::milliseconds pause) {
    std::unique_lock<std::mutex> guard(lock_);
    return !changed_.wait_for(guard, pause, [this] { return stopping_; });
}

void lcdproc_output::run() {
    const std::string where = address_.host + ":" + address_.port;
    auto retry = timing_.first_retry;
    std::string last_problem;
    while (true) {
        {
            std::lock_guard<std::mutex> guard(lock_);
            if (stopping_) return;
        }
        std::string error;
        const int fd = connect_to(
            address_, timing_.answer_timeout, [this] { return stopping(); }, error);
        bool worked = false;
        if (fd >= 0) {
            error = "connection lost";
            worked = session(fd, error);
            close(fd);
        }
        {
            std::lock_guard<std::mutex> guard(lock_);
            display_.reset();
            if (stopping_) return;
        }
        if (worked) retry = timing_.first_retry;
        // The same trouble again is not news.
        if (error != last_problem || worked)
            log_("LCDd at " + where + ": " + error + "; trying again");
        last_problem = error;
        if (!pause_before_retry(retry)) return;
        retry = std::min(retry * 2, timing_.longest_retry);
    }
}

// One connection's life; true when it got as far as showing frames.
bool lcdproc_output::session(int fd, std::string& error) {
    std::string out = "hello\n";
    line_reader in;
    std::optional<lcdproc_display> display;
    const auto answer_deadline = steady::now() + timing_.answer_timeout;
    while (!display) {
        pollfd p{fd, static_cast<short>(POLLIN | (out.empty() ? 0 : POLLOUT)), 0};
        error = "no answer to hello";
        if (steady::now() >= answer_deadline ||
            poll_until(p, answer_deadline, [this] { return stopping(); }) < 0 || stopping())
            return false;
        error = "connection lost";
        if ((p.revents & POLLOUT) && !send_some(fd, out)) return false;
        if ((p.revents & (POLLIN | POLLHUP | POLLERR)) && !in.read_from(fd)) return false;
        while (auto line = in.next_line()) {
            display = parse_connect_line(*line);
            if (!display && line->rfind("connect", 0) == 0) {
                error = "unknown protocol in \"" + *line + "\"";
                return false;
            }
            if (display) break;
        }
    }
    log_("connected to LCDd at " + address_.host + ":" + address_.port + " (" +
         std::to_string(display->width) + "x" + std::to_string(display->height) + ", protocol " +
         display->protocol + ")");
    {
        std::lock_guard<std::mutex> guard(lock_);
        display_ = display;
        ++connections_;
    }
    changed_.notify_all();

    widget_sync widgets(screen_name);
    out = joined(session_commands(client_name, screen_name));
    if (last_sent_) out += joined(widgets.update(last_sent_->rows, last_sent_->glyphs, *display));
    int huh_reports = 0;
    auto last_progress = steady::now();
    while (true) {
        // A new frame only once the last one is all out: LCDd sets the pace.
        if (out.empty()) {
            std::optional<pending_frame> frame;
            {
                std::lock_guard<std::mutex> guard(lock_);
                if (stopping_) return true;
                frame.swap(pending_);
            }
            if (frame) {
                out = joined(widgets.update(frame->rows, frame->glyphs, *display));
                last_sent_ = std::move(frame);
            }
            last_progress = steady::now();
        }
        pollfd fds[2] = {{fd, static_cast<short>(POLLIN | (out.empty() ? 0 : POLLOUT)), 0},
                         {wake_[0], POLLIN, 0}};
        const int waited = poll(fds, wake_[0] >= 0 ? 2 : 1, 1000);
        if (waited < 0 && errno != EINTR) return true;
        if (fds[1].revents & POLLIN) {
            char drain[64];
            while (read(wake_[0], drain, sizeof drain) > 0) {
            }
        }
        if (fds[0].revents & POLLOUT) {
            const size_t before = out.size();
            if (!send_some(fd, out)) return true;
            if (out.size() != before) last_progress = steady::now();
        }
        if ((fds[0].revents & (POLLIN | POLLHUP | POLLERR)) && !in.read_from(fd)) return true;
        // Answers and the server's own news (listen, ignore, key, menu events) need nothing
        // from us; complaints are worth a few lines in the log.
        while (auto line = in.next_line()) {
            if (line->rfind("huh?", 0) == 0 && huh_reports < huh_reports_per_session) {
                ++huh_reports;
                log_("LCDd answered: " + *line);
            }
        }
        if (!out.empty() && steady::now() - last_progress > timing_.stall_timeout) {
            log_("LCDd takes nothing; dropping the connection");
            return true;
        }
    }
}

}  // namespace lcd
