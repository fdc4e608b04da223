// The plug-in exports the host's entry points and the library's documented functions, nothing else.
#include <cstdio>
#include <set>
#include <string>

#include <gtest/gtest.h>

namespace {

std::set<std::string> defined_dynamic_symbols(const std::string& library) {
    std::set<std::string> names;
    const std::string command = "nm -D --defined-only " + library + " 2>/dev/null";
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return names;
    char line[4096];
    while (fgets(line, sizeof line, pipe)) {
        std::string text(line);
        while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
        const auto space = text.rfind(' ');
        names.insert(space == std::string::npos ? text : text.substr(space + 1));
    }
    pclose(pipe);
    return names;
}

TEST(exported_symbols, are_exactly_the_host_entry_points_and_the_documented_functions) {
    const auto names = defined_dynamic_symbols(PLINTHAR_MODULE_PATH);
    const std::set<std::string> host = {"SmartieInit", "SmartieFini",    "GetMinRefreshInterval",
                                        "SmartieInfo", "SmartieDemo",    "function1",
                                        "function2",   "function3",      "function4",
                                        "function5",   "function6",      "function7",
                                        "function8",   "function9",      "function10",
                                        "function11",  "is_kodi_running"};
    for (const auto& name : host) EXPECT_TRUE(names.count(name)) << name;

    // Beyond those only the mangled C++ functions that other programs may call.
    const std::set<std::string> cpp = {"_Z11init_configv", "_Z12init_loggingv", "_Z10ws_connectv",
                                       "_Z8ws_closev", "_Z12start_listenv"};
    int ws_send_wait = 0, display = 0;
    for (const auto& name : names) {
        if (host.count(name) || cpp.count(name)) continue;
        if (name.rfind("_Z12ws_send_wait", 0) == 0) {
            ++ws_send_wait;
            continue;
        }
        if (name.rfind("_Z7display", 0) == 0) {
            ++display;
            continue;
        }
        ADD_FAILURE() << "unexpected export " << name;
    }
    EXPECT_EQ(ws_send_wait, 2);
    EXPECT_EQ(display, 1);
}

}  // namespace
