#include <filesystem>
#include <optional>
#include <string>

#include "host/exports.h"
#include "settings/config.h"
#include "support/kodi_process.h"
#include "support/test_env.h"

namespace {

// Runs a stand-in Kodi at <test folder>/Kodi/Kodi.exe. Other tests may run their own
// Kodi.exe at the same time, so answers that must be false name this folder.
class kodi_process_check : public testenv::host_folder_test {
  protected:
    void SetUp() override {
        testenv::host_folder_test::SetUp();
        kodi_.emplace(folder() + "/Kodi/Kodi.exe");
    }
    void TearDown() override {
        kodi_.reset();
        testenv::host_folder_test::TearDown();
    }
    bool running_with(const std::string& kodiexe) {
        // The system writes image paths with its own separators.
        write_config("kodiexe=" + testenv::native_path(kodiexe) + "\n");
        init_config();
        return is_kodi_running();
    }
    // The test folder's own name, e.g. plinthar-test-Ab12Cd.
    std::string folder_name() const { return std::filesystem::path(folder()).filename().string(); }

    std::optional<testenv::kodi_process> kodi_;
};

TEST_F(kodi_process_check, the_default_setting_finds_the_process) {
    init_config();
    EXPECT_TRUE(is_kodi_running());
}

TEST_F(kodi_process_check, only_the_end_of_the_path_is_compared) {
    EXPECT_TRUE(running_with("odi.exe"));
    EXPECT_TRUE(running_with("Kodi/Kodi.exe"));
    EXPECT_TRUE(running_with(folder_name() + "/Kodi/Kodi.exe"));
}

TEST_F(kodi_process_check, a_longer_name_also_matches_the_end) {
    testenv::kodi_process other(folder() + "/Apps/MyKodi.exe");
    EXPECT_TRUE(running_with("Kodi.exe"));
    EXPECT_TRUE(running_with(folder_name() + "/Apps/MyKodi.exe"));
}

TEST_F(kodi_process_check, the_comparison_regards_case) {
    EXPECT_FALSE(running_with(folder_name() + "/Kodi/kodi.exe"));
    EXPECT_FALSE(running_with(folder_name() + "/kodi/Kodi.exe"));
}

TEST_F(kodi_process_check, a_path_shorter_than_the_setting_never_matches) {
    // The whole image path with one more character in front of it.
    EXPECT_TRUE(running_with(folder() + "/Kodi/Kodi.exe"));
    EXPECT_FALSE(running_with("x" + folder() + "/Kodi/Kodi.exe"));
}

TEST_F(kodi_process_check, an_empty_setting_matches_every_readable_process) {
    kodi_.reset();
    EXPECT_TRUE(running_with(""));
}

TEST_F(kodi_process_check, a_stopped_kodi_is_no_longer_found) {
    const std::string tail = folder_name() + "/Kodi/Kodi.exe";
    EXPECT_TRUE(running_with(tail));
    kodi_->stop();
    EXPECT_FALSE(is_kodi_running());
}

TEST_F(kodi_process_check, a_setting_that_is_not_utf8_answers_false) {
    // Its bytes would match this process's path exactly.
    testenv::kodi_process odd(folder() +
                              "/Odd/K\xff"
                              "di.exe");
    EXPECT_FALSE(running_with(folder_name() + "/Odd/K\xff"
                                              "di.exe"));
    EXPECT_FALSE(
        running_with("\xff"
                     "di.exe"));
}

}  // namespace
