// ws_send_wait against the fake Kodi on loopback, beside two bare Beast clients that make the
// same exchange with the same server.
#include <sys/resource.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "beast_clients.h"
#include "bench_stats.h"
#include "bench_table.h"
#include "cpprest_client.h"
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
    cpprest_client cpprest(kodi.port());
    std::vector<double> library, bare_samples, handover_samples, cpprest_samples, waiting_samples;
    int failures = 0;
    uint32_t id = 1000000;

    auto timed = [](std::vector<double>& samples, auto&& call) {
        const auto start = clock::now();
        const bool ok = call();
        samples.push_back(static_cast<double>(nanoseconds_between(start, clock::now())));
        return ok;
    };
    // Context switches of the whole process (the fake Kodi's thread included) per client.
    long switches[5] = {0, 0, 0, 0, 0};
    auto process_switches = [] {
        rusage usage{};
        getrusage(RUSAGE_SELF, &usage);
        return usage.ru_nvcsw + usage.ru_nivcsw;
    };
    auto counted = [&](int client, auto&& batch_run) {
        const long before = process_switches();
        batch_run();
        switches[client] += process_switches() - before;
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
    auto run_cpprest = [&] {
        for (int i = 0; i < batch; ++i)
            if (!timed(cpprest_samples, [&] { return !cpprest.exchange(ping_text(++id)).empty(); }))
                ++failures;
    };
    auto run_waiting = [&] {
        for (int i = 0; i < batch; ++i)
            if (!timed(waiting_samples,
                       [&] { return !cpprest.exchange(ping_text(++id), true).empty(); }))
                ++failures;
    };
    // Warm-up, then interleaved batches in a rotating order.
    run_library();
    run_bare();
    run_handover();
    run_cpprest();
    run_waiting();
    waiting_samples.clear();
    library.clear();
    cpprest_samples.clear();
    bare_samples.clear();
    handover_samples.clear();
    // The library against the bare cpprestsdk client, round by round: a round's batches run
    // back to back, so the load on the machine changes little within one.
    std::vector<double> round_ratios;
    auto round_p50 = [](const std::vector<double>& samples, size_t from) {
        return summarize(std::vector<double>(samples.begin() + from, samples.end())).p50;
    };
    for (int round = 0; round < total / batch; ++round) {
        const size_t library_from = library.size();
        const size_t cpprest_from = cpprest_samples.size();
        const std::function<void()> batches[5] = {
            [&] { counted(0, run_library); }, [&] { counted(1, run_bare); },
            [&] { counted(2, run_handover); }, [&] { counted(3, run_cpprest); },
            [&] { counted(4, run_waiting); }};
        for (int k = 0; k < 5; ++k) batches[(round + k) % 5]();
        kodi.clear_requests();
        const double cpprest_p50 = round_p50(cpprest_samples, cpprest_from);
        if (cpprest_p50 > 0) round_ratios.push_back(round_p50(library, library_from) / cpprest_p50);
    }

    const summary lib = summarize(library);
    const summary phys = summarize(bare_samples);
    const summary hand = summarize(handover_samples);
    const summary bare_cpprest = summarize(cpprest_samples);
    const summary waiting = summarize(waiting_samples);
    const double ratio_to_cpprest = summarize(round_ratios).p50;
    add_row({section, "ws_send_wait p50 vs bare cpprestsdk client (c)", format_duration(lib.p50),
             format_duration(bare_cpprest.p50), format_number(ratio_to_cpprest, 2) + "× (rounds)",
             "≤ 1.05× (c)", met_text(!round_ratios.empty() && ratio_to_cpprest <= 1.05)});
    add_row({section, "ws_send_wait p99 vs bare cpprestsdk client (c)", format_duration(lib.p99),
             format_duration(bare_cpprest.p99), format_ratio(lib.p99, bare_cpprest.p99), "", ""});
    add_row({section, "ws_send_wait p50 vs hand-over floor (b)", format_duration(lib.p50),
             format_duration(hand.p50), format_ratio(lib.p50, hand.p50), "(information)", ""});
    add_row({section, "ws_send_wait p99 vs hand-over floor (b)", format_duration(lib.p99),
             format_duration(hand.p99), format_ratio(lib.p99, hand.p99), "", ""});
    add_row({section, "ws_send_wait p50 vs physical floor (a)", format_duration(lib.p50),
             format_duration(phys.p50), format_ratio(lib.p50, phys.p50), "(information)", ""});
    add_row({section, "ws_send_wait p99 vs physical floor (a)", format_duration(lib.p99),
             format_duration(phys.p99), format_ratio(lib.p99, phys.p99), "", ""});
    add_row({section, "(c) also waiting for its send's continuation (d), p50",
             format_duration(waiting.p50), format_duration(bare_cpprest.p50),
             format_ratio(waiting.p50, bare_cpprest.p50), "(cost of that wait)", ""});
    add_row({section, "bare cpprestsdk client (c) p50 vs hand-over floor (b)",
             format_duration(bare_cpprest.p50), format_duration(hand.p50),
             format_ratio(bare_cpprest.p50, hand.p50), "(cpprestsdk's share)", ""});
    add_row({section, "hand-over floor (b) p50 vs physical floor (a)", format_duration(hand.p50),
             format_duration(phys.p50), format_ratio(hand.p50, phys.p50), "(thread hand-over)",
             ""});
    const double requests = std::max<size_t>(1, library.size());
    add_row({section, "context switches per request (process-wide, server included)",
             format_number(switches[0] / requests, 1),
             format_number(switches[4] / requests, 1) + " (d) / " +
                 format_number(switches[3] / requests, 1) + " (c) / " +
                 format_number(switches[2] / requests, 1) + " (b) / " +
                 format_number(switches[1] / requests, 1) + " (a)",
             format_ratio(switches[0], switches[3]) + " (c)", "(where the time goes)", ""});
    add_note(
        "Round trip: " + std::to_string(library.size()) +
        " requests per client in interleaved batches of " + std::to_string(batch) +
        "; the target compares the library with (c): the ratio is the median, over the " +
        std::to_string(round_ratios.size()) +
        " rounds, of each round's p50 ratio (a round runs one batch of each client back to "
        "back), so that load changing on the machine between rounds does not decide it; "
        "(a) bare synchronous Beast client, (b) Beast client whose reader thread hands "
        "each reply over through a condition variable, (c) bare cpprestsdk callback client "
        "whose message handler takes the text with extract_string and hands it over the same "
        "way, (d) the same client waiting for its send's continuation before it waits for "
        "the reply (ws_send_wait waits for both in one wait, and runs its continuation on "
        "the thread that completes the send); all five talk to the same fake Kodi, which parses "
        "each request and answers \"pong\"" +
        (failures ? "; " + std::to_string(failures) + " requests got no reply" : "") +
        ". On a loaded machine the hand-over floor (b) differs from run to run (where the "
        "scheduler puts its reader thread decides whether a hand-over waits for the other "
        "core); (c) shows the library's own share.");
}

}  // namespace bench
