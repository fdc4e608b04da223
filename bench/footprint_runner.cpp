#include <cstdio>
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
    if (rows == 0 || status != 0)
        add_row({"6. Footprint", "footprint program failed (status " + std::to_string(status) + ")",
                 "-", "-", "-", "-", "NO"});
}

}  // namespace bench
