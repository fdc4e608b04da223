// The benchmark run: every figure measured beside its floor in the same run, then one table.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "bench_stats.h"
#include "bench_table.h"
#include "host/exports.h"
#include "host_folder.h"
#include "kodi/connection.h"
#include "kodi_script.h"
#include "sections.h"

namespace {

// PLINTHAR_BENCH_ONLY="1,3" runs only those sections (for profiling one of them).
bool wanted(int section) {
    const char* only = std::getenv("PLINTHAR_BENCH_ONLY");
    if (!only || !*only) return true;
    const std::string list = std::string(",") + only + ",";
    return list.find("," + std::to_string(section) + ",") != std::string::npos;
}

void progress(const char* what) {
    std::fprintf(stderr, "bench: %s\n", what);
    std::fflush(stderr);
}

}  // namespace

int main(int argc, char** argv) {
    // Repetitions of the Google Benchmark parts run in random interleaving.
    std::string interleaving = "--benchmark_enable_random_interleaving=true";
    std::vector<char*> arguments = {argv[0], interleaving.data()};
    for (int i = 1; i < argc; ++i) arguments.push_back(argv[i]);
    int count = static_cast<int>(arguments.size());
    benchmark::Initialize(&count, arguments.data());

    {
        bench::host_folder folder;
        fake_kodi::server kodi;
        bench::script_kodi(kodi);
        kodi.start();
        // kodiexe matches no process, so that every process check scans the whole list.
        folder.write_config("port=" + std::to_string(kodi.port()) +
                            "\nkodiexe=plinthar-bench-no-such-kodi\nlogging=0\n");
        SmartieInit();
        if (!g_connected.load() || !kodi.wait_for_clients(1, std::chrono::seconds(5))) {
            std::fprintf(stderr, "bench: the library did not connect to the fake Kodi\n");
            SmartieFini();
            return 1;
        }

        if (wanted(1)) {
            progress("display exports");
            bench::run_display_exports(kodi);
        }
        if (wanted(5)) {
            progress("notification to display");
            bench::run_notification_to_display(kodi);
        }
        // Nothing plays from here on (section 5 ends with a stop).
        if (wanted(3)) {
            progress("request round trip");
            bench::run_round_trip(kodi);
        }
        if (wanted(2)) {
            progress("process check");
            bench::run_process_check();
        }
        if (wanted(4)) {
            progress("intake");
            bench::run_intake();
        }

        SmartieFini();
        kodi.stop();
    }

    if (wanted(6)) {
        progress("footprint");
        bench::run_footprint(PLINTHAR_BENCH_FOOTPRINT, PLINTHAR_BENCH_MODULE,
                             PLINTHAR_BENCH_KODI_SERVER);
    }

    std::printf("\n");
    bench::print_table();
    bench::print_targets_met();
    return 0;
}
