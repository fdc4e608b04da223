#include "support/kodi_process.h"

#include <windows.h>

#include <chrono>
#include <filesystem>
#include <stdexcept>
#include <thread>

#include "platform/process_list.h"

namespace fs = std::filesystem;

namespace testenv {

namespace {

bool listed(const std::string& image) {
    bool found = false;
    for_each_process_image([&](const std::string& path) {
        found = path == image;
        return !found;
    });
    return found;
}

}  // namespace

kodi_process::kodi_process(const std::string& path) {
    const fs::path image = fs::absolute(fs::path(path)).make_preferred();
    fs::create_directories(image.parent_path());
    fs::copy_file(PLINTHAR_STAND_IN_KODI, image, fs::copy_options::overwrite_existing);
    // The stand-in ends with this process; nothing is inherited (a listening socket of the
    // fake Kodi would keep its port bound after the test stopped the server).
    std::wstring command =
        L"\"" + image.wstring() + L"\" " + std::to_wstring(GetCurrentProcessId());
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started{};
    if (!CreateProcessW(image.wstring().c_str(), command.data(), nullptr, nullptr, FALSE, 0,
                        nullptr, nullptr, &startup, &started))
        throw std::runtime_error("cannot start the stand-in Kodi " + image.string());
    CloseHandle(started.hThread);
    pid_ = static_cast<pid_t>(started.dwProcessId);
    process_ = std::shared_ptr<void>(started.hProcess, [](HANDLE handle) { CloseHandle(handle); });
    const std::string expected = image.u8string();
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (!listed(expected) && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

kodi_process::~kodi_process() {
    stop();
}

void kodi_process::stop() {
    if (!process_) return;
    TerminateProcess(process_.get(), 1);
    WaitForSingleObject(process_.get(), 5000);
    process_.reset();
    pid_ = -1;
}

}  // namespace testenv
