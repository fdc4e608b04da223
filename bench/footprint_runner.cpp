#include <cstdio>
#include <cstdlib>
#include <string>

#include "bench_table.h"
#include "sections.h"

namespace bench {

void run_footprint(const char* program, const char* module, const char* server) {
    const std::string command = std::string("'") + program + "' '" + module + "' '" + server + "'";
    FILE* output = popen(command.c_str(), "r");
    if (!output) {
        add_row({"6. Footprint", "footprint program did not start", "-", "-", "-", "-", "NO"});
        return;
    }
    char line[4096];
    int rows = 0;
    while (std::fgets(line, sizeof line, output)) {
        std::string text(line);
        while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
        table_row row;
        if (decode_row(text, row)) {
            add_row(row);
            ++rows;
        } else {
            std::fprintf(stderr, "%s\n", text.c_str());
        }
    }
    const int status = pclose(output);
    const std::string window =
        std::getenv("PLINTHAR_BENCH_WINDOW") && *std::getenv("PLINTHAR_BENCH_WINDOW")
            ? std::getenv("PLINTHAR_BENCH_WINDOW")
            : std::string("10");
    add_note("Footprint: windows of " + window +
             " s each (PLINTHAR_BENCH_WINDOW=60 gives the full minute), each opened 1 s after "
             "the step before it; the host thread sleeps through them and calls nothing. "
             "Wake-ups are the voluntary context switches (a thread slept and was woken) of "
             "every thread but the host's (getrusage, threads that ended included); in "
             "brackets, those of the threads alive throughout (/proc/self/task/*/status), and "
             "the preemptions (involuntary switches: other work on the machine took the core), "
             "which are not wake-ups. Playing: a titled movie, so one "
             "Player.GetProperties poll a second. Its floor, measured in the same process "
             "while the plug-in is connected and idle: a bare cpprestsdk client whose own "
             "thread sleeps until the next second, sends the same Player.GetProperties request, "
             "waits for the reply (no wait for the send's continuation) and parses it. Playing and "
             "its floor take turns, the "
             "floor first, as many windows each as the rows say (PLINTHAR_BENCH_PLAY_WINDOWS, "
             "default 5): one window of "
             "either swings too much on a busy machine to judge by, so the rows give the window "
             "of median wake-ups and the median CPU time of each, and the targets compare "
             "those. The split: playing, the timer threads "
             "started for it, then the threads there before (cpprestsdk's client and task "
             "pool, which also runs the plug-in's send continuations, and the timer queue's "
             "one sleeping thread, which takes turns at the ticks); floor, its polling "
             "thread, then the rest.");
    if (rows == 0 || status != 0)
        add_row({"6. Footprint", "footprint program failed (status " + std::to_string(status) + ")",
                 "-", "-", "-", "-", "NO"});
}

}  // namespace bench
