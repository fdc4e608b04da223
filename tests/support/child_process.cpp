#include "support/child_process.h"

#include <fstream>
#include <sstream>

namespace tooltest {

std::string read_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream contents;
    contents << in.rdbuf();
    return contents.str();
}

std::string binary(const std::string& name) {
    return std::string(PLINTHAR_BINARY_DIR) + "/" + name + PLINTHAR_EXECUTABLE_SUFFIX;
}

std::string test_plugin(const std::string& name) {
    return std::string(PLINTHAR_BINARY_DIR) + "/test_plugins/" + name + PLINTHAR_MODULE_SUFFIX;
}

namespace {

// A Windows program writes its text output with CR LF line ends.
std::string with_lf_line_ends(std::string text) {
    for (size_t at = text.find("\r\n"); at != std::string::npos; at = text.find("\r\n", at))
        text.erase(at, 1);
    return text;
}

}  // namespace

std::string child_process::out() const {
    return with_lf_line_ends(read_file(out_file_));
}

std::string child_process::err() const {
    return with_lf_line_ends(read_file(err_file_));
}

}  // namespace tooltest
