// Every test runs in a fresh temporary folder holding plugins/, as a host's folder would.
#pragma once

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace testenv {

// Creates a temporary folder with plugins/ and makes it the current directory.
class host_folder_test : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;

    // Writes plugins/plinthar.cfg with exactly these bytes.
    void write_config(const std::string& contents);
    // Lines of plugins/plinthar.log without their time stamps ("MM/DD/YY HH:MM:SS: ").
    std::vector<std::string> log_lines() const;
    // Whole lines of the log, time stamps included.
    std::vector<std::string> raw_log_lines() const;
    bool log_contains(const std::string& message) const;
    const std::string& folder() const { return folder_; }

  private:
    std::string folder_;
    std::string previous_;
};

// How many times slower than a native machine this one runs the tests: the factor in the
// environment variable PLINTHAR_TEST_SLOWDOWN (an emulated processor), else 1.
int slowdown();

// Polls condition every millisecond until it holds or timeout, stretched by slowdown(),
// passes.
bool wait_until(const std::function<bool()>& condition,
                std::chrono::milliseconds timeout = std::chrono::milliseconds(5000));

// The path with the platform's own separators ("Kodi/Kodi.exe" is "Kodi\\Kodi.exe" on
// Windows), as the system writes the image paths of processes.
std::string native_path(const std::string& path);

// Strips the "MM/DD/YY HH:MM:SS: " time stamp from a log line.
std::string strip_time_stamp(const std::string& line);

}  // namespace testenv
