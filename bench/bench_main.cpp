// The benchmark run: every figure measured beside its floor in the same run, then one table.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>

#include "bench_stats.h"
#include "bench_table.h"
#include "host/exports.h"
#include "host_folder.h"
#include "kodi/connection.h"
#include "kodi_script.h"
#include "sections.h"

namespace {

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

        progress("display exports");
        bench::run_display_exports(kodi);
        progress("notification to display");
        bench::run_notification_to_display(kodi);
        // Nothing plays from here on (section 5 ends with a stop).
        progress("request round trip");
        bench::run_round_trip(kodi);
        progress("process check");
        bench::run_process_check();
        progress("intake");
        bench::run_intake();

        SmartieFini();
        kodi.stop();
    }

    progress("footprint");
    bench::run_footprint(PLINTHAR_BENCH_FOOTPRINT, PLINTHAR_BENCH_MODULE,
                         PLINTHAR_BENCH_KODI_SERVER);

    std::printf("\n");
    bench::print_table();
    return 0;
}
