#include "support/child_process.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include "support/test_env.h"

namespace tooltest {

struct child_process::system_process {
    pid_t pid = -1;
    bool exited = false;
    int status = 0;
};

child_process::child_process(const std::string& program, const std::vector<std::string>& args,
                             const std::string& out_file, const std::string& err_file,
                             const std::vector<std::pair<std::string, std::string>>& env)
    : process_(std::make_unique<system_process>()), out_file_(out_file), err_file_(err_file) {
    process_->pid = fork();
    if (process_->pid == 0) {
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

child_process::~child_process() {
    if (running()) {
        kill(process_->pid, SIGKILL);
        int status = 0;
        waitpid(process_->pid, &status, 0);
    }
}

bool child_process::started() const {
    return process_->pid > 0;
}

bool child_process::running() const {
    return started() && !process_->exited;
}

void child_process::ask_to_stop(bool interrupt) {
    if (running()) kill(process_->pid, interrupt ? SIGINT : SIGTERM);
}

bool child_process::wait(std::chrono::milliseconds timeout) {
    return testenv::wait_until(
        [this] {
            if (process_->exited) return true;
            if (waitpid(process_->pid, &process_->status, WNOHANG) == process_->pid)
                process_->exited = true;
            return process_->exited;
        },
        timeout);
}

bool child_process::exited_normally() const {
    return process_->exited && WIFEXITED(process_->status);
}

int child_process::exit_code() const {
    return WIFEXITED(process_->status) ? WEXITSTATUS(process_->status) : -1;
}

}  // namespace tooltest
