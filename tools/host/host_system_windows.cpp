#include "host/host_system.h"

#include <io.h>
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <filesystem>

namespace lcd {

namespace {

std::atomic<bool> stop_requested{false};
// Set by a stop request. Named after the process, so that another
// program can ask for the stop too: a console program has no window to be sent a close,
// and Ctrl-Break reaches only programs of the same console.
HANDLE wake_event = nullptr;

BOOL WINAPI on_console_event(DWORD) {
    request_stop();
    return TRUE;
}

}  // namespace

void request_stop() {
    stop_requested = true;
    if (wake_event) SetEvent(wake_event);
}

bool install_stop_handlers() {
    const std::string name = "plinthar-stop-" + std::to_string(GetCurrentProcessId());
    wake_event = CreateEventA(nullptr, TRUE, FALSE, name.c_str());
    if (!wake_event) return false;
    SetConsoleCtrlHandler(on_console_event, TRUE);
    // The view is UTF-8 text with escape sequences; a console shows it as such only when
    // told so (a terminal that Wine runs in needs nothing).
    SetConsoleOutputCP(CP_UTF8);
    const HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    DWORD mode = 0;
    if (out != INVALID_HANDLE_VALUE && GetConsoleMode(out, &mode))
        SetConsoleMode(out, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING);
    return true;
}

bool wait_until_stop_or(steady::time_point deadline) {
    while (!stop_requested) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - steady::now());
        if (left.count() <= 0) return true;
        const auto timeout = static_cast<DWORD>(std::min<long long>(left.count() + 1, 0x7FFFFFFF));
        // Set from here or by another program: either way a stop.
        if (WaitForSingleObject(wake_event, timeout) == WAIT_OBJECT_0) stop_requested = true;
    }
    return false;
}

std::tm local_now() {
    const std::time_t now = std::time(nullptr);
    std::tm result{};
    localtime_s(&result, &now);
    return result;
}

bool stdout_is_terminal() {
    return _isatty(_fileno(stdout));
}

std::string own_program_folder() {
    wchar_t path[MAX_PATH];
    const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    if (length == 0 || length == MAX_PATH) return std::string();
    return std::filesystem::path(path).parent_path().u8string();
}

const char* plugin_file_name() {
    return "plinthar.dll";
}

}  // namespace lcd
