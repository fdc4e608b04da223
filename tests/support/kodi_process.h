// A stand-in Kodi process: a copy of /bin/sleep under a chosen file name, so that the
// process check finds an image path ending in that name.
#pragma once

#include <sys/types.h>

#include <string>

namespace testenv {

class kodi_process {
  public:
    // Copies /bin/sleep to path (folders created) and runs it until stop() or destruction,
    // however long that is.
    explicit kodi_process(const std::string& path);
    ~kodi_process();
    kodi_process(const kodi_process&) = delete;
    kodi_process& operator=(const kodi_process&) = delete;

    void stop();
    pid_t pid() const { return pid_; }

  private:
    pid_t pid_ = -1;
};

}  // namespace testenv
