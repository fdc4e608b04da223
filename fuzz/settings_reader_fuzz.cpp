// The settings reader on whole files: any bytes in plugins/plinthar.cfg.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "settings/config.h"

namespace {

// The reader takes plugins/plinthar.cfg from the current folder: work in a folder of our own.
bool enter_work_folder() {
    char folder[] = "/tmp/plinthar-fuzz-settings-XXXXXX";
    if (!mkdtemp(folder)) return false;
    if (chdir(folder) != 0) return false;
    return std::system("mkdir -p plugins") == 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool ready = enter_work_folder();
    if (!ready) std::abort();
    FILE* file = std::fopen("plugins/plinthar.cfg", "wb");
    if (!file) std::abort();
    std::fwrite(data, 1, size, file);
    std::fclose(file);
    init_config();
    // Every text setting must still be a terminated C string within its field.
    for (unsigned i = 0; i < cfg_count; ++i) {
        const char* text = get_config_item(i);
        bool terminated = false;
        for (size_t at = 0; at < sizeof config_items[i].text_value; ++at)
            if (text[at] == '\0') terminated = true;
        if (!terminated) std::abort();
    }
    return 0;
}
