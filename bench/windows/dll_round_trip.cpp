// The plug-in DLL's request round trip as the display host sees it: function7 asking for
// an info label, answered by a Kodi (or simulator) on 127.0.0.1, timed call by call.
//   plinthar-dll-round-trip <plinthar.dll> <port> [calls]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "host/plugin_loader.h"

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s <plinthar.dll> <port> [calls]\n", argv[0]);
        return 2;
    }
    const int calls = argc > 3 ? std::max(10, std::atoi(argv[3])) : 1000;
    // A host folder of its own, without a log: what is timed is the request, not the file.
    const auto folder = std::filesystem::temp_directory_path() / "plinthar-round-trip";
    std::filesystem::create_directories(folder / "plugins");
    std::filesystem::current_path(folder);
    std::ofstream(folder / "plugins" / "plinthar.cfg") << "port=" << argv[2] << "\nlogging=0\n";

    lcd::loaded_plugin plugin;
    std::string error;
    if (!lcd::load_plugin(argv[1], plugin, error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    char empty[] = "";  // SmartieInit has run in load_plugin
    if (std::string(plugin.api.functions[10](empty, empty)) != "1") {
        std::fprintf(stderr, "not connected to 127.0.0.1:%s\n", argv[2]);
        plugin.api.fini();
        return 1;
    }
    std::vector<double> micros;
    for (int i = 0; i < calls; ++i) {
        char method[] = "XBMC.GetInfoLabels";
        char label[] = "System.Time";
        const auto start = std::chrono::steady_clock::now();
        const std::string answer = plugin.api.functions[6](method, label);
        micros.push_back(
            std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start)
                .count());
        if (answer.empty()) {
            std::fprintf(stderr, "no answer at call %d\n", i);
            break;
        }
    }
    plugin.api.fini();
    lcd::unload_plugin(plugin);
    std::sort(micros.begin(), micros.end());
    if (micros.empty()) return 1;
    std::printf("round trip through function7, %zu calls: median %.0f us, p90 %.0f us, min %.0f us\n",
                micros.size(), micros[micros.size() / 2], micros[micros.size() * 9 / 10],
                micros.front());
    return 0;
}
