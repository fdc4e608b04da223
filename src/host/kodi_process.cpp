#include <cstring>
#include <string>

#include "host/exports.h"
#include "platform/process_list.h"
#include "platform/text_encoding.h"
#include "settings/config.h"

// Kodi runs when some process's image path (or, where the caller may not read it, the path
// the process was started with) ends with the kodiexe setting. Both texts are
// well-formed UTF-8 here, so comparing their bytes gives the same answer as comparing their
// UTF-16 forms, without converting every path.
bool PLINTHAR_CALL is_kodi_running() {
    try {
        const char* setting = get_config_item(cfg_kodiexe);
        if (!setting) return false;
        const std::string tail(setting);
        if (!is_valid_utf8(tail)) return false;

        bool found = false;
        const bool listed = for_each_process_image([&](const std::string& image) {
            found = image.size() >= tail.size() &&
                    std::memcmp(image.data() + image.size() - tail.size(), tail.data(),
                                tail.size()) == 0;
            return !found;
        });
        return listed && found;
    } catch (...) {
        return false;
    }
}
