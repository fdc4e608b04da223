// A stand-in plug-in for the host's tests: it appends every call it gets, with a
// monotonic time stamp in milliseconds, to calls.log in the current folder.
// RECORDING_PLUGIN_INTERVAL sets what GetMinRefreshInterval answers (default 300).
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

// The build gives the export attribute and the host's calling convention.
#define EXPORTED extern "C" RECORDING_PLUGIN_EXPORT

namespace {

void record(const char* name, const char* first = "", const char* second = "") {
    const long long ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                             std::chrono::steady_clock::now().time_since_epoch())
                             .count();
    if (FILE* out = std::fopen("calls.log", "a")) {
        std::fprintf(out, "%lld %s [%s] [%s]\n", ms, name, first ? first : "(null)",
                     second ? second : "(null)");
        std::fclose(out);
    }
}

char answer[256];

char* reply(const char* name, char* first, char* second, const std::string& text) {
    record(name, first, second);
    std::snprintf(answer, sizeof answer, "%s", text.c_str());
    // Scribble over the parameters: the host must hand over copies.
    if (first && *first) first[0] = '!';
    if (second && *second) second[0] = '!';
    return answer;
}

}  // namespace

EXPORTED void PLINTHAR_PLUGIN_CALL SmartieInit() {
    record("SmartieInit");
}
EXPORTED void PLINTHAR_PLUGIN_CALL SmartieFini() {
    record("SmartieFini");
}
EXPORTED int PLINTHAR_PLUGIN_CALL GetMinRefreshInterval() {
    record("GetMinRefreshInterval");
    const char* wanted = std::getenv("RECORDING_PLUGIN_INTERVAL");
    return wanted ? std::atoi(wanted) : 300;
}

EXPORTED char* PLINTHAR_PLUGIN_CALL function1(char* a, char* b) {
    return reply("function1", a, b, "$CustomChar(7, 16, 24, 28, 30, 28, 24, 16, 0)$Chr(135) Hello");
}
EXPORTED char* PLINTHAR_PLUGIN_CALL function2(char* a, char* b) {
    return reply("function2", a, b, "$Bar(50,100,10)");
}
EXPORTED char* PLINTHAR_PLUGIN_CALL function3(char* a, char* b) {
    return reply("function3", a, b, "1");
}
EXPORTED char* PLINTHAR_PLUGIN_CALL function4(char* a, char* b) {
    return reply("function4", a, b, "v1");
}
EXPORTED char* PLINTHAR_PLUGIN_CALL function5(char* a, char* b) {
    return reply("function5", a, b, std::string(a) + "|" + b);
}
EXPORTED char* PLINTHAR_PLUGIN_CALL function6(char* a, char* b) {
    return reply("function6", a, b, "6");
}
#ifndef LEAVE_OUT_FUNCTION7
EXPORTED char* PLINTHAR_PLUGIN_CALL function7(char* a, char* b) {
    return reply("function7", a, b, "7");
}
#endif
EXPORTED char* PLINTHAR_PLUGIN_CALL function8(char* a, char* b) {
    return reply("function8", a, b, "");
}
EXPORTED char* PLINTHAR_PLUGIN_CALL function9(char* a, char* b) {
    return reply("function9", a, b, "2");
}
EXPORTED char* PLINTHAR_PLUGIN_CALL function10(char* a, char* b) {
    return reply("function10", a, b, "");
}
EXPORTED char* PLINTHAR_PLUGIN_CALL function11(char* a, char* b) {
    return reply("function11", a, b, "1");
}
