#include "support/child_process.h"

#include <windows.h>

#include <filesystem>

#include "support/test_env.h"

namespace tooltest {

namespace {

// Exit codes of a process that crashed are NTSTATUS values such as 0xC0000005.
constexpr DWORD crash_codes = 0xC0000000;
constexpr DWORD killed_code = 0xDEAD;

std::wstring wide(const std::string& utf8) {
    return std::filesystem::u8path(utf8).wstring();
}

// One command-line argument, quoted as the C runtime's parser reads it back.
std::wstring quoted(const std::wstring& argument) {
    std::wstring out = L"\"";
    size_t backslashes = 0;
    for (wchar_t c : argument) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        out.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
        backslashes = 0;
        out.push_back(c);
    }
    out.append(backslashes * 2, L'\\');
    return out + L"\"";
}

HANDLE inheritable_file(const std::string& path) {
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    return CreateFileW(wide(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                       &inherit, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
}

}  // namespace

struct child_process::system_process {
    HANDLE process = nullptr;
    DWORD id = 0;
    bool exited = false;
    DWORD code = 0;
};

child_process::child_process(const std::string& program, const std::vector<std::string>& args,
                             const std::string& out_file, const std::string& err_file,
                             const std::vector<std::pair<std::string, std::string>>& env)
    : process_(std::make_unique<system_process>()), out_file_(out_file), err_file_(err_file) {
    for (const auto& var : env)
        SetEnvironmentVariableW(wide(var.first).c_str(), wide(var.second).c_str());
    std::wstring command = quoted(wide(program));
    for (const auto& arg : args) command += L" " + quoted(wide(arg));
    const HANDLE out = inheritable_file(out_file);
    const HANDLE err = inheritable_file(err_file);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = out;
    startup.hStdError = err;
    PROCESS_INFORMATION started{};
    // A group of its own, so that a Ctrl-Break reaches it alone.
    if (CreateProcessW(wide(program).c_str(), command.data(), nullptr, nullptr, TRUE,
                       CREATE_NEW_PROCESS_GROUP, nullptr, nullptr, &startup, &started)) {
        CloseHandle(started.hThread);
        process_->process = started.hProcess;
        process_->id = started.dwProcessId;
    }
    for (HANDLE file : {out, err})
        if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
    for (const auto& var : env) SetEnvironmentVariableW(wide(var.first).c_str(), nullptr);
}

child_process::~child_process() {
    if (running()) {
        TerminateProcess(process_->process, killed_code);
        WaitForSingleObject(process_->process, 5000);
    }
    if (process_->process) CloseHandle(process_->process);
}

bool child_process::started() const {
    return process_->process != nullptr;
}

bool child_process::running() const {
    return started() && !process_->exited;
}

void child_process::ask_to_stop(bool) {
    if (!running()) return;
    // The host and the simulator also stop on their named event: Ctrl-Break reaches only a
    // program of the same console, and under Wine there may be none.
    const std::string name = "plinthar-stop-" + std::to_string(process_->id);
    if (const HANDLE stop = OpenEventA(EVENT_MODIFY_STATE, FALSE, name.c_str())) {
        SetEvent(stop);
        CloseHandle(stop);
        return;
    }
    GenerateConsoleCtrlEvent(CTRL_BREAK_EVENT, process_->id);
}

bool child_process::wait(std::chrono::milliseconds timeout) {
    return testenv::wait_until(
        [this] {
            if (process_->exited) return true;
            if (WaitForSingleObject(process_->process, 0) == WAIT_OBJECT_0) {
                GetExitCodeProcess(process_->process, &process_->code);
                process_->exited = true;
            }
            return process_->exited;
        },
        timeout);
}

bool child_process::exited_normally() const {
    return process_->exited && process_->code < crash_codes && process_->code != killed_code;
}

int child_process::exit_code() const {
    return exited_normally() ? static_cast<int>(process_->code) : -1;
}

}  // namespace tooltest
