// A stand-in plug-in for the host's tests: it appends every call it gets, with a
// monotonic time stamp in milliseconds, to calls.log in the current folder.
// RECORDING_PLUGIN_INTERVAL sets what GetMinRefreshInterval answers (default 300).
#include <time.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#define EXPORTED extern "C" __attribute__((visibility("default")))

namespace {

void record(const char* name, const char* first = "", const char* second = "") {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    const long long ms = now.tv_sec * 1000LL + now.tv_nsec / 1000000;
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

EXPORTED void SmartieInit() {
    record("SmartieInit");
}
EXPORTED void SmartieFini() {
    record("SmartieFini");
}
EXPORTED int GetMinRefreshInterval() {
    record("GetMinRefreshInterval");
    const char* wanted = std::getenv("RECORDING_PLUGIN_INTERVAL");
    return wanted ? std::atoi(wanted) : 300;
}

EXPORTED char* function1(char* a, char* b) {
    return reply("function1", a, b, "$CustomChar(7, 16, 24, 28, 30, 28, 24, 16, 0)$Chr(135) Hello");
}
EXPORTED char* function2(char* a, char* b) {
    return reply("function2", a, b, "$Bar(50,100,10)");
}
EXPORTED char* function3(char* a, char* b) {
    return reply("function3", a, b, "1");
}
EXPORTED char* function4(char* a, char* b) {
    return reply("function4", a, b, "v1");
}
EXPORTED char* function5(char* a, char* b) {
    return reply("function5", a, b, std::string(a) + "|" + b);
}
EXPORTED char* function6(char* a, char* b) {
    return reply("function6", a, b, "6");
}
#ifndef LEAVE_OUT_FUNCTION7
EXPORTED char* function7(char* a, char* b) {
    return reply("function7", a, b, "7");
}
#endif
EXPORTED char* function8(char* a, char* b) {
    return reply("function8", a, b, "");
}
EXPORTED char* function9(char* a, char* b) {
    return reply("function9", a, b, "2");
}
EXPORTED char* function10(char* a, char* b) {
    return reply("function10", a, b, "");
}
EXPORTED char* function11(char* a, char* b) {
    return reply("function11", a, b, "1");
}
