// The text functions as the display host calls them, on its GUI thread: the plug-in loaded
// the host's way, each function called over and over against a Kodi (or the simulator) on
// 127.0.0.1, every call timed. The same program is built for Linux (the .so) and for
// Windows (the DLL, run under Wine), so that both sets of figures are taken alike.
//   plinthar-host-calls <plug-in> <port> [calls]
// Prints one line per function: name, calls, median and 90th percentile in microseconds.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "host/plugin_loader.h"

namespace {

struct timed_function {
    int number;
    const char* first;
    const char* second;
};

// function3 and function9 look through the process list; function7 asks Kodi.
const timed_function timed[] = {
    {1, "", ""}, {2, "", ""}, {3, "", ""}, {9, "", ""}, {7, "XBMC.GetInfoLabels", "System.Time"},
};

// The program's own file name: the process check then finds a "Kodi" running, itself.
std::string own_file_name(const char* argv0) {
    const std::string path = argv0;
    const size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::vector<double> time_calls(lcd::text_function function, const timed_function& call, int calls) {
    std::vector<double> micros;
    micros.reserve(static_cast<size_t>(calls));
    for (int i = 0; i < calls; ++i) {
        std::string first = call.first, second = call.second;  // fresh copies, as the host's
        const auto start = std::chrono::steady_clock::now();
        const std::string answer = function(first.data(), second.data());  // copied at once
        micros.push_back(
            std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start)
                .count());
    }
    std::sort(micros.begin(), micros.end());
    return micros;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s <plug-in> <port> [calls]\n", argv[0]);
        return 2;
    }
    const int calls = argc > 3 ? std::max(10, std::atoi(argv[3])) : 1000;
    const std::string plugin_file = std::filesystem::absolute(argv[1]).string();
    // A host folder of its own, without a log: what is timed is the call, not the file.
    const auto folder = std::filesystem::temp_directory_path() / "plinthar-host-calls";
    std::filesystem::create_directories(folder / "plugins");
    std::filesystem::current_path(folder);
    std::ofstream(folder / "plugins" / "plinthar.cfg")
        << "port=" << argv[2] << "\nlogging=0\nkodiexe=" << own_file_name(argv[0]) << "\n";

    lcd::loaded_plugin plugin;
    std::string error;
    if (!lcd::load_plugin(plugin_file, plugin, error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    char empty[] = "";
    int status = 0;
    if (std::string(plugin.api.functions[10](empty, empty)) != "1") {
        std::fprintf(stderr, "not connected to 127.0.0.1:%s\n", argv[2]);
        status = 1;
    }
    for (const auto& call : timed) {
        if (status != 0) break;
        std::string first = call.first, second = call.second;
        if (std::string(plugin.api.functions[call.number - 1](first.data(), second.data()))
                .empty()) {
            std::fprintf(stderr, "function%d gave no answer\n", call.number);
            status = 1;
            break;
        }
        const auto micros = time_calls(plugin.api.functions[call.number - 1], call, calls);
        std::printf("function%d %d %.1f %.1f\n", call.number, calls, micros[micros.size() / 2],
                    micros[micros.size() * 9 / 10]);
    }
    if (plugin.api.fini) plugin.api.fini();
    lcd::unload_plugin(plugin);
    return status;
}
