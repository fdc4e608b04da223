// A temporary host folder with plugins/, made the current directory for the run, as a
// display host's own folder would be.
#pragma once

#include <string>

namespace bench {

class host_folder {
  public:
    host_folder();
    ~host_folder();
    host_folder(const host_folder&) = delete;
    host_folder& operator=(const host_folder&) = delete;

    // Writes plugins/plinthar.cfg with these lines.
    void write_config(const std::string& contents) const;
    const std::string& path() const { return path_; }

  private:
    std::string path_;
    std::string previous_;
};

}  // namespace bench
