// plinthar-kodi-sim: a Kodi stand-in on 127.0.0.1 that plays a scripted, looping
// programme and answers the JSON-RPC requests a display plug-in makes.

#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>

#include "fake_kodi/fake_kodi.h"
#include "host/host_system.h"
#include "kodi_sim/programme.h"
#include "kodi_sim/simulated_kodi.h"

namespace {

const char* const program = "plinthar-kodi-sim";

struct options {
    long port = 9090;
    double speed = 1.0;
    bool once = false;
    bool quiet = false;
};

void usage(FILE* out) {
    std::fprintf(out,
                 "usage: %s [--port N] [--speed X] [--once] [--quiet]\n"
                 "  --port N    WebSocket JSON-RPC port on 127.0.0.1 (default 9090, 0 picks one)\n"
                 "  --speed X   run the programme X times faster (default 1)\n"
                 "  --once      play the programme once, then exit\n"
                 "  --quiet     do not print the programme's steps\n"
                 "The programme starts when the first client connects.\n",
                 program);
}

// Returns -1 to go on, otherwise the exit code.
int parse_options(int argc, char** argv, options& opts) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
        char* end = nullptr;
        if (arg == "--help" || arg == "-h") {
            usage(stdout);
            return 0;
        } else if (arg == "--once") {
            opts.once = true;
        } else if (arg == "--quiet") {
            opts.quiet = true;
        } else if (arg == "--port" && value) {
            opts.port = std::strtol(value, &end, 10);
            if (end == value || *end || opts.port < 0 || opts.port > 65535) {
                std::fprintf(stderr, "%s: bad port %s\n", program, value);
                return 2;
            }
            ++i;
        } else if (arg == "--speed" && value) {
            opts.speed = std::strtod(value, &end);
            if (end == value || *end || !(opts.speed >= 0.01 && opts.speed <= 1000)) {
                std::fprintf(stderr, "%s: bad speed %s (0.01 to 1000)\n", program, value);
                return 2;
            }
            ++i;
        } else {
            std::fprintf(stderr, "%s: bad option %s\n", program, arg.c_str());
            usage(stderr);
            return 2;
        }
    }
    return -1;
}

struct stop_signal {
    std::mutex lock;
    std::condition_variable changed;
    bool stopping = false;

    void request() {
        std::lock_guard<std::mutex> guard(lock);
        stopping = true;
        changed.notify_all();
    }
    // False when a stop came first.
    bool sleep_until(std::chrono::steady_clock::time_point when) {
        std::unique_lock<std::mutex> guard(lock);
        return !changed.wait_until(guard, when, [this] { return stopping; });
    }
    bool requested() {
        std::lock_guard<std::mutex> guard(lock);
        return stopping;
    }
};

void run_programme(fake_kodi::server& server, kodi_sim::simulated_kodi& kodi,
                   const kodi_sim::sim_clock& clock, const options& opts, stop_signal& stop) {
    const auto steps = kodi_sim::make_programme();
    while (!stop.requested() && !server.wait_for_clients(1, std::chrono::milliseconds(100))) {
    }
    double due = clock.seconds();
    const double started = due;
    do {
        for (const auto& one : steps) {
            due += one.after;
            if (!stop.sleep_until(clock.real_time_of(due))) return;
            one.act(kodi);
            if (!opts.quiet) {
                std::printf("[%7.1f s] %s\n", due - started, one.what.c_str());
                std::fflush(stdout);
            }
        }
    } while (!opts.once);
}

}  // namespace

int main(int argc, char** argv) {
    options opts;
    if (const int code = parse_options(argc, argv, opts); code >= 0) return code;

    // Ctrl-C, SIGTERM and SIGHUP (Ctrl-Break on Windows) end the programme.
    if (!lcd::install_stop_handlers()) {
        std::fprintf(stderr, "%s: cannot set up signal handling\n", program);
        return 1;
    }

    kodi_sim::sim_clock clock;
    clock.factor = opts.speed;
    fake_kodi::server server(static_cast<uint16_t>(opts.port));
    server.set_recording(false);  // it may run for days, and nothing reads them
    kodi_sim::simulated_kodi kodi(server, clock);
    kodi.install_responders();
    try {
        server.start();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s: cannot listen on 127.0.0.1:%ld: %s\n", program, opts.port,
                     e.what());
        return 1;
    }
    std::printf("%s: listening on 127.0.0.1:%u (ws://127.0.0.1:%u/jsonrpc), speed %g\n", program,
                static_cast<unsigned>(server.port()), static_cast<unsigned>(server.port()),
                opts.speed);
    std::fflush(stdout);

    stop_signal stop;
    std::atomic<bool> finished{false};
    std::thread runner([&] {
        run_programme(server, kodi, clock, opts, stop);
        finished = true;
    });

    while (!finished)
        if (!lcd::wait_until_stop_or(lcd::steady::now() + std::chrono::milliseconds(100))) break;
    stop.request();
    runner.join();
    server.stop();
    return 0;
}
