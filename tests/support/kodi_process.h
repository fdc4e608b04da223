// A stand-in Kodi process: a copy of a program that only waits (/bin/sleep on Linux, a
// program of the tests' own on Windows) under a chosen file name, so that the process
// check finds an image path ending in that name.
#pragma once

#include <sys/types.h>

#include <memory>
#include <string>

namespace testenv {

class kodi_process {
  public:
    // Copies the waiting program to path (folders created) and runs it until stop() or
    // destruction, however long that is; returns once the process list shows it.
    explicit kodi_process(const std::string& path);
    ~kodi_process();
    kodi_process(const kodi_process&) = delete;
    kodi_process& operator=(const kodi_process&) = delete;

    void stop();
    pid_t pid() const { return pid_; }

  private:
    pid_t pid_ = -1;
    std::shared_ptr<void> process_;  // Windows: the process handle
};

}  // namespace testenv
