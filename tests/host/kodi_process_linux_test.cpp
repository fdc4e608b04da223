// The process check as an unprivileged user sees the processes of root: their exe links
// are closed to it, their command lines are not.
#include <grp.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <optional>
#include <string>

#include "host/exports.h"
#include "platform/process_list.h"
#include "settings/config.h"
#include "support/kodi_process.h"
#include "support/test_env.h"

namespace {

constexpr uid_t nobody = 65534;

// Exit codes of a check run as nobody.
enum outcome : int { no = 0, yes = 1, link_readable = 2, drop_failed = 3, crashed = 4 };

// Runs check in a child that has dropped to nobody, as setpriv --reuid --regid
// --clear-groups would, and returns what it answered.
int as_unprivileged(const std::function<bool()>& check, pid_t closed_to_it) {
    const pid_t child = fork();
    if (child == 0) {
        if (setgroups(0, nullptr) != 0 || setresgid(nobody, nobody, nobody) != 0 ||
            setresuid(nobody, nobody, nobody) != 0)
            _exit(drop_failed);
        char target[64];
        const std::string link = "/proc/" + std::to_string(closed_to_it) + "/exe";
        if (readlink(link.c_str(), target, sizeof target) >= 0) _exit(link_readable);
        _exit(check() ? yes : no);
    }
    int status = 0;
    if (child < 0 || waitpid(child, &status, 0) != child || !WIFEXITED(status)) return crashed;
    return WEXITSTATUS(status);
}

// Runs image with first_argument as argv[0] until it is killed; returns once the process
// runs the image.
pid_t run_named(const std::string& image, const std::string& first_argument) {
    const pid_t pid = fork();
    if (pid == 0) {
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        std::string name = first_argument;
        char forever[] = "infinity";
        char* const argv[] = {name.data(), forever, nullptr};
        execv(image.c_str(), argv);
        _exit(127);
    }
    EXPECT_TRUE(testenv::wait_until([&] {
        std::error_code error;
        const auto exe = "/proc/" + std::to_string(pid) + "/exe";
        return std::filesystem::read_symlink(exe, error) == image;
    }));
    return pid;
}

void end(pid_t pid) {
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
}

// A stand-in Kodi of root's at <test folder>/Kodi/Kodi.exe. Other tests may run their own
// Kodi.exe at the same time, so answers that must be false name this folder.
class unprivileged_process_check : public testenv::host_folder_test {
  protected:
    void SetUp() override {
        testenv::host_folder_test::SetUp();
        if (geteuid() != 0) GTEST_SKIP() << "needs root to run Kodi as root and look as nobody";
        kodi_.emplace(folder() + "/Kodi/Kodi.exe");
    }
    void TearDown() override {
        kodi_.reset();
        testenv::host_folder_test::TearDown();
    }
    // is_kodi_running() as nobody, with kodiexe set by root beforehand.
    int running_with(const std::string& kodiexe) {
        write_config("kodiexe=" + kodiexe + "\n");
        init_config();
        return as_unprivileged([] { return is_kodi_running(); }, kodi_->pid());
    }
    std::string folder_name() const { return std::filesystem::path(folder()).filename(); }
    std::string image() const { return folder() + "/Kodi/Kodi.exe"; }

    std::optional<testenv::kodi_process> kodi_;
};

TEST_F(unprivileged_process_check, finds_kodi_by_its_start_path_with_the_same_suffix_rules) {
    ASSERT_EQ(running_with(folder_name() + "/Kodi/Kodi.exe"), yes);
    EXPECT_EQ(running_with("odi.exe"), yes) << "no separator is required";
    EXPECT_EQ(running_with(image()), yes);
    EXPECT_EQ(running_with("x" + image()), no) << "a path shorter than the setting";
    EXPECT_EQ(running_with(folder_name() + "/Kodi/kodi.exe"), no) << "case is regarded";
    kodi_->stop();
    EXPECT_EQ(running_with(folder_name() + "/Kodi/Kodi.exe"), no);
}

// A zombie and a process whose argv[0] is empty; kernel threads are the machine's own.
TEST_F(unprivileged_process_check, processes_without_a_start_path_are_skipped) {
    const pid_t zombie = fork();
    if (zombie == 0) _exit(0);
    const pid_t nameless = run_named(image(), "");
    ASSERT_TRUE(testenv::wait_until([&] {
        siginfo_t info{};
        return waitid(P_PID, zombie, &info, WEXITED | WNOWAIT | WNOHANG) == 0 && info.si_pid;
    }));

    const std::string kodi = image();
    const auto every_path_named_and_kodi_among_them = [&kodi] {
        bool empty = false, found = false;
        const bool listed = for_each_process_image([&](const std::string& path) {
            empty = empty || path.empty();
            found = found || path == kodi;
            return true;
        });
        return listed && !empty && found;
    };
    EXPECT_TRUE(every_path_named_and_kodi_among_them());  // as root
    EXPECT_EQ(as_unprivileged(every_path_named_and_kodi_among_them, nameless), yes);

    end(nameless);
    waitpid(zombie, nullptr, 0);
}

// Root reads every image path, so a name a process was merely started under counts only for
// a caller to whom its image path is closed.
TEST_F(unprivileged_process_check, the_start_path_stands_in_only_for_a_closed_image_path) {
    const pid_t posing = run_named(image(), folder() + "/Posing/Kodi.bin");
    const std::string tail = folder_name() + "/Posing/Kodi.bin";
    write_config("kodiexe=" + tail + "\n");
    init_config();
    EXPECT_FALSE(is_kodi_running()) << "its image path ends otherwise";
    EXPECT_EQ(running_with(tail), yes);
    end(posing);
}

}  // namespace
