// Starting the host and the simulator as child processes in tests, with their output
// in files, and ending them with a deadline.
#pragma once

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "support/test_env.h"

namespace tooltest {

inline std::string binary(const std::string& name) {
    return std::string(PLINTHAR_BINARY_DIR) + "/" + name;
}

inline std::string read_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream contents;
    contents << in.rdbuf();
    return contents.str();
}

class child_process {
  public:
    // Runs program with args; stdout and stderr go to the given files.
    child_process(const std::string& program, const std::vector<std::string>& args,
                  const std::string& out_file, const std::string& err_file,
                  const std::vector<std::pair<std::string, std::string>>& env = {})
        : out_file_(out_file), err_file_(err_file) {
        pid_ = fork();
        if (pid_ == 0) {
            if (!freopen(out_file.c_str(), "w", stdout) || !freopen(err_file.c_str(), "w", stderr))
                _exit(126);
            for (const auto& var : env) setenv(var.first.c_str(), var.second.c_str(), 1);
            std::vector<char*> argv;
            argv.push_back(const_cast<char*>(program.c_str()));
            for (const auto& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
            argv.push_back(nullptr);
            execv(program.c_str(), argv.data());
            _exit(127);
        }
    }
    ~child_process() {
        if (running()) {
            kill(pid_, SIGKILL);
            int status = 0;
            waitpid(pid_, &status, 0);
        }
    }
    child_process(const child_process&) = delete;
    child_process& operator=(const child_process&) = delete;

    bool started() const { return pid_ > 0; }
    bool running() const { return pid_ > 0 && !exited_; }
    void signal(int number) {
        if (running()) kill(pid_, number);
    }

    // True once the process has ended within timeout; status() then tells how.
    bool wait(std::chrono::milliseconds timeout) {
        return testenv::wait_until(
            [this] {
                if (exited_) return true;
                if (waitpid(pid_, &status_, WNOHANG) == pid_) exited_ = true;
                return exited_;
            },
            timeout);
    }
    bool exited_normally() const { return exited_ && WIFEXITED(status_); }
    int exit_code() const { return WIFEXITED(status_) ? WEXITSTATUS(status_) : -1; }
    std::string out() const { return read_file(out_file_); }
    std::string err() const { return read_file(err_file_); }

  private:
    pid_t pid_ = -1;
    bool exited_ = false;
    int status_ = 0;
    std::string out_file_;
    std::string err_file_;
};

}  // namespace tooltest
