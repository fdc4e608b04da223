// ws_send_wait against the fake Kodi on loopback, beside two bare Beast clients that make the
// same exchange with the same server.
#include <string>
#include <vector>

#include "beast_clients.h"
#include "bench_stats.h"
#include "bench_table.h"
#include "kodi/request.h"
#include "sections.h"

namespace bench {

namespace {

std::string ping_text(uint32_t id) {
    return "{\"id\":" + std::to_string(id) + ",\"jsonrpc\":\"2.0\",\"method\":\"JSONRPC.Ping\"}";
}

}  // namespace

void run_round_trip(fake_kodi::server& kodi) {
    const std::string section = "3. Request round trip (loopback, sequential)";
    const int total = static_cast<int>(environment_number("PLINTHAR_BENCH_REQUESTS", 5000));
    const int batch = 100;

    sync_client bare(kodi.port());
    handover_client handover(kodi.port());
    std::vector<double> library, bare_samples, handover_samples;
    int failures = 0;
    uint32_t id = 1000000;

    auto timed = [](std::vector<double>& samples, auto&& call) {
        const auto start = clock::now();
        const bool ok = call();
        samples.push_back(static_cast<double>(nanoseconds_between(start, clock::now())));
        return ok;
    };
    auto run_library = [&] {
        for (int i = 0; i < batch; ++i)
            if (!timed(library, [] {
                    return !ws_send_wait(U("JSONRPC.Ping"), web::json::value::null()).is_null();
                }))
                ++failures;
    };
    auto run_bare = [&] {
        for (int i = 0; i < batch; ++i)
            if (!timed(bare_samples, [&] { return !bare.exchange(ping_text(++id)).empty(); }))
                ++failures;
    };
    auto run_handover = [&] {
        for (int i = 0; i < batch; ++i)
            if (!timed(handover_samples,
                       [&] { return !handover.exchange(ping_text(++id)).empty(); }))
                ++failures;
    };
    // Warm-up, then interleaved batches in a rotating order.
    run_library();
    run_bare();
    run_handover();
    library.clear();
    bare_samples.clear();
    handover_samples.clear();
    for (int round = 0; round < total / batch; ++round) {
        switch (round % 3) {
            case 0:
                run_library();
                run_bare();
                run_handover();
                break;
            case 1:
                run_bare();
                run_handover();
                run_library();
                break;
            default:
                run_handover();
                run_library();
                run_bare();
                break;
        }
        kodi.clear_requests();
    }

    const summary lib = summarize(library);
    const summary phys = summarize(bare_samples);
    const summary hand = summarize(handover_samples);
    add_row({section, "ws_send_wait p50 vs hand-over floor (b)", format_duration(lib.p50),
             format_duration(hand.p50), format_ratio(lib.p50, hand.p50), "≤ 1.3× (b)",
             met_text(lib.p50 <= 1.3 * hand.p50)});
    add_row({section, "ws_send_wait p99 vs hand-over floor (b)", format_duration(lib.p99),
             format_duration(hand.p99), format_ratio(lib.p99, hand.p99), "", ""});
    add_row({section, "ws_send_wait p50 vs physical floor (a)", format_duration(lib.p50),
             format_duration(phys.p50), format_ratio(lib.p50, phys.p50), "(how far)", ""});
    add_row({section, "ws_send_wait p99 vs physical floor (a)", format_duration(lib.p99),
             format_duration(phys.p99), format_ratio(lib.p99, phys.p99), "", ""});
    add_row({section, "hand-over floor (b) p50 vs physical floor (a)", format_duration(hand.p50),
             format_duration(phys.p50), format_ratio(hand.p50, phys.p50), "(thread hand-over)",
             ""});
    add_note("Round trip: " + std::to_string(library.size()) +
             " requests per client in interleaved batches of " + std::to_string(batch) +
             "; (a) bare synchronous Beast client, (b) Beast client whose reader thread hands "
             "each reply over through a condition variable; all three talk to the same fake "
             "Kodi, which parses each request and answers \"pong\"" +
             (failures ? "; " + std::to_string(failures) + " requests got no reply" : "") + ".");
}

}  // namespace bench
