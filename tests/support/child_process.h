// Starting the host and the simulator as child processes in tests, with their output
// in files, and ending them with a deadline.
#pragma once

#include <chrono>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace tooltest {

// A program of the build: "plinthar-host" is build/plinthar-host, or plinthar-host.exe.
std::string binary(const std::string& name);
// A plug-in library of the build under test_plugins/, named without its suffix.
std::string test_plugin(const std::string& name);
std::string read_file(const std::string& path);

class child_process {
  public:
    // Runs program with args; stdout and stderr go to the given files; env is added to
    // this process's environment.
    child_process(const std::string& program, const std::vector<std::string>& args,
                  const std::string& out_file, const std::string& err_file,
                  const std::vector<std::pair<std::string, std::string>>& env = {});
    ~child_process();  // kills it if it still runs
    child_process(const child_process&) = delete;
    child_process& operator=(const child_process&) = delete;

    bool started() const;
    bool running() const;
    // Asks it to end as a user would: SIGTERM (interrupt: SIGINT) on Linux, Ctrl-Break on
    // Windows.
    void ask_to_stop(bool interrupt = false);

    // True once the process has ended within timeout; exit_code() then tells how.
    bool wait(std::chrono::milliseconds timeout);
    // Ended by returning from main or calling exit, not by a crash or a kill.
    bool exited_normally() const;
    int exit_code() const;
    // What it wrote so far, with LF line ends.
    std::string out() const;
    std::string err() const;

  private:
    struct system_process;
    std::unique_ptr<system_process> process_;
    std::string out_file_;
    std::string err_file_;
};

}  // namespace tooltest
