#include "support/kodi_process.h"

#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <stdexcept>

namespace fs = std::filesystem;

namespace testenv {

kodi_process::kodi_process(const std::string& path) {
    const fs::path image = fs::absolute(path);
    fs::create_directories(image.parent_path());
    fs::copy_file("/bin/sleep", image, fs::copy_options::overwrite_existing);
    fs::permissions(image, fs::perms::owner_all);
    const pid_t owner = getpid();
    pid_ = fork();
    if (pid_ < 0) throw std::runtime_error("fork failed");
    if (pid_ == 0) {
        // It sleeps for good, so it must never outlive a test that crashed, not even one
        // that died before the death signal was armed.
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (getppid() != owner) _exit(127);
        // Sockets are not opened close-on-exec: an inherited listening socket of the fake
        // Kodi would keep its port bound after the test stops the server.
        close_range(3, ~0U, 0);
        const std::string file = image.string();
        // As long as the test that owns it: a soak may run for hours.
        execl(file.c_str(), file.c_str(), "infinity", static_cast<char*>(nullptr));
        _exit(127);
    }
    // The image path shows in /proc only once exec has happened.
    const std::string exe = "/proc/" + std::to_string(pid_) + "/exe";
    for (int i = 0; i < 2000; ++i) {
        std::error_code error;
        if (fs::read_symlink(exe, error) == image) break;
        usleep(1000);
    }
}

kodi_process::~kodi_process() {
    stop();
}

void kodi_process::stop() {
    if (pid_ <= 0) return;
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
    pid_ = -1;
}

}  // namespace testenv
