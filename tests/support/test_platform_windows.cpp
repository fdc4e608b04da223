#include "support/test_platform.h"

#include <windows.h>
// After windows.h, which they need.
#include <psapi.h>
#include <tlhelp32.h>

#include <cstdlib>
#include <filesystem>
#include <mutex>

namespace testenv {

void set_environment(const std::string& name, const std::string& value) {
    _putenv_s(name.c_str(), value.c_str());
}

void unset_environment(const std::string& name) {
    _putenv_s(name.c_str(), "");
}

std::string own_executable() {
    wchar_t path[MAX_PATH];
    DWORD length = MAX_PATH;
    if (!QueryFullProcessImageNameW(GetCurrentProcess(), 0, path, &length)) return std::string();
    return std::filesystem::path(std::wstring(path, length)).u8string();
}

int thread_count() {
    const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return 0;
    int count = 0;
    THREADENTRY32 entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry))
        if (entry.th32OwnerProcessID == GetCurrentProcessId()) ++count;
    CloseHandle(snapshot);
    return count;
}

int open_handle_count() {
    DWORD count = 0;
    GetProcessHandleCount(GetCurrentProcess(), &count);
    return static_cast<int>(count);
}

bool timer_calls_run_on_own_threads() {
    return false;
}

namespace {

// OutputDebugStringA hands its text to debuggers as an exception (DBG_PRINTEXCEPTION_C)
// that it catches itself; a vectored handler of the process sees it first. So the capture
// needs neither a debugger nor the session-wide listener buffer, which test programs
// running side by side would share.
constexpr DWORD debug_print_exception = 0x40010006;

std::mutex captured_mutex;
std::string captured;
PVOID capture_handler = nullptr;

LONG CALLBACK take_debug_text(EXCEPTION_POINTERS* exception) {
    const EXCEPTION_RECORD& record = *exception->ExceptionRecord;
    if (record.ExceptionCode == debug_print_exception && record.NumberParameters >= 2) {
        const auto length = static_cast<size_t>(record.ExceptionInformation[0]);
        const auto* text = reinterpret_cast<const char*>(record.ExceptionInformation[1]);
        std::lock_guard<std::mutex> lock(captured_mutex);
        captured.append(text, length > 0 ? length - 1 : 0);
        captured += '\n';
    }
    return EXCEPTION_CONTINUE_SEARCH;
}

}  // namespace

void start_debug_capture() {
    {
        std::lock_guard<std::mutex> lock(captured_mutex);
        captured.clear();
    }
    capture_handler = AddVectoredExceptionHandler(1, take_debug_text);
}

std::string finish_debug_capture() {
    if (capture_handler) RemoveVectoredExceptionHandler(capture_handler);
    capture_handler = nullptr;
    std::lock_guard<std::mutex> lock(captured_mutex);
    return captured;
}

}  // namespace testenv
