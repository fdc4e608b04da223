#include "support/test_env.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <regex>
#include <thread>

namespace fs = std::filesystem;

namespace testenv {

namespace {

// A new folder of our own in the system's temporary folder.
std::string make_temporary_folder() {
    std::random_device seed;
    std::mt19937_64 random(seed());
    const char letters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    const fs::path base = fs::temp_directory_path();
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string name = "plinthar-test-";
        for (int i = 0; i < 6; ++i) name += letters[random() % (sizeof letters - 1)];
        std::error_code error;
        if (fs::create_directory(base / name, error)) return (base / name).string();
    }
    return std::string();
}

}  // namespace

void host_folder_test::SetUp() {
    folder_ = make_temporary_folder();
    ASSERT_FALSE(folder_.empty());
    fs::create_directory(fs::path(folder_) / "plugins");
    previous_ = fs::current_path().string();
    fs::current_path(folder_);
}

void host_folder_test::TearDown() {
    std::error_code ignored;
    fs::current_path(previous_, ignored);
    if (!std::getenv("PLINTHAR_KEEP_TEST_FOLDERS")) fs::remove_all(folder_, ignored);
}

void host_folder_test::write_config(const std::string& contents) {
    std::ofstream out(fs::path(folder_) / "plugins" / "plinthar.cfg", std::ios::binary);
    out << contents;
}

std::vector<std::string> host_folder_test::raw_log_lines() const {
    std::vector<std::string> lines;
    std::ifstream in(fs::path(folder_) / "plugins" / "plinthar.log", std::ios::binary);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

std::vector<std::string> host_folder_test::log_lines() const {
    std::vector<std::string> lines;
    for (const auto& line : raw_log_lines()) lines.push_back(strip_time_stamp(line));
    return lines;
}

bool host_folder_test::log_contains(const std::string& message) const {
    for (const auto& line : log_lines())
        if (line == message) return true;
    return false;
}

std::string native_path(const std::string& path) {
    // Only the separators change: the bytes are kept as they are, UTF-8 or not.
    std::string native = path;
    std::replace(native.begin(), native.end(), '/',
                 static_cast<char>(fs::path::preferred_separator));
    return native;
}

std::string strip_time_stamp(const std::string& line) {
    static const std::regex stamp(R"(^\d\d/\d\d/\d\d \d\d:\d\d:\d\d: )");
    std::smatch match;
    if (std::regex_search(line, match, stamp)) return match.suffix().str();
    return line;
}

int slowdown() {
    static const int factor = [] {
        const char* text = std::getenv("PLINTHAR_TEST_SLOWDOWN");
        const int value = text ? std::atoi(text) : 1;
        return value >= 1 && value <= 100 ? value : 1;
    }();
    return factor;
}

bool wait_until(const std::function<bool()>& condition, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout * slowdown();
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= deadline) return condition();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

}  // namespace testenv
