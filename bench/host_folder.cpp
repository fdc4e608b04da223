#include "host_folder.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <vector>

namespace bench {

host_folder::host_folder() {
    std::vector<char> name_template;
    const std::string pattern =
        (std::filesystem::temp_directory_path() / "plinthar-bench-XXXXXX").string();
    name_template.assign(pattern.begin(), pattern.end());
    name_template.push_back('\0');
    if (!mkdtemp(name_template.data())) throw std::runtime_error("cannot make a temporary folder");
    path_ = name_template.data();
    std::filesystem::create_directory(std::filesystem::path(path_) / "plugins");
    previous_ = std::filesystem::current_path().string();
    std::filesystem::current_path(path_);
}

host_folder::~host_folder() {
    std::error_code ignored;
    std::filesystem::current_path(previous_, ignored);
    std::filesystem::remove_all(path_, ignored);
}

void host_folder::write_config(const std::string& contents) const {
    std::ofstream file(std::filesystem::path(path_) / "plugins" / "plinthar.cfg",
                       std::ios::binary | std::ios::trunc);
    file << contents;
}

}  // namespace bench
