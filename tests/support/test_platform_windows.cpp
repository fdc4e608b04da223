#include "support/test_platform.h"

#include <windows.h>
// After windows.h, which they need.
#include <psapi.h>
#include <tlhelp32.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <thread>

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

// The system's protocol for debug-output listeners: a shared buffer (the writer's process
// id, then its text) and two events that hand it back and forth.
struct debug_listener {
    HANDLE buffer = nullptr;
    HANDLE buffer_ready = nullptr;
    HANDLE data_ready = nullptr;
    const char* view = nullptr;
    std::thread reader;
    std::atomic<bool> stopping{false};
    std::mutex mutex;
    std::string collected;
};

debug_listener* listener = nullptr;

void read_texts(debug_listener& l) {
    SetEvent(l.buffer_ready);
    // A text written before the stop was asked for is still taken.
    for (;;) {
        const bool stop = l.stopping;
        if (WaitForSingleObject(l.data_ready, stop ? 0 : 50) != WAIT_OBJECT_0) {
            if (stop) return;
            continue;
        }
        DWORD writer = 0;
        std::memcpy(&writer, l.view, sizeof writer);
        if (writer == GetCurrentProcessId()) {
            const char* text = l.view + sizeof writer;
            std::lock_guard<std::mutex> lock(l.mutex);
            l.collected += std::string(text, strnlen(text, 4096 - sizeof writer)) + "\n";
        }
        SetEvent(l.buffer_ready);
    }
}

}  // namespace

void start_debug_capture() {
    auto* l = new debug_listener;
    l->buffer_ready = CreateEventW(nullptr, FALSE, FALSE, L"DBWIN_BUFFER_READY");
    l->data_ready = CreateEventW(nullptr, FALSE, FALSE, L"DBWIN_DATA_READY");
    l->buffer =
        CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, 4096, L"DBWIN_BUFFER");
    if (l->buffer)
        l->view = static_cast<const char*>(MapViewOfFile(l->buffer, FILE_MAP_READ, 0, 0, 4096));
    if (l->view) l->reader = std::thread(read_texts, std::ref(*l));
    listener = l;
}

std::string finish_debug_capture() {
    debug_listener* l = listener;
    listener = nullptr;
    if (!l) return std::string();
    l->stopping = true;
    if (l->reader.joinable()) l->reader.join();
    std::string output = l->collected;
    if (l->view) UnmapViewOfFile(l->view);
    for (HANDLE handle : {l->buffer, l->buffer_ready, l->data_ready})
        if (handle) CloseHandle(handle);
    delete l;
    return output;
}

}  // namespace testenv
