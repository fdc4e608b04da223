#include "settings/config.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "platform/debug_output.h"
#include "platform/host_files.h"
#include "settings/ascii_case.h"
#include "settings/rewrite_rules.h"

config_item config_items[cfg_count] = {
    {"logging", config_type_int, 0, ""},
    {"newfile", config_type_int, 1, ""},
    {"port", config_type_text, 0, "9090"},
    {"lcd_width", config_type_int, 20, ""},
    {"use_bars", config_type_int, 1, ""},
    {"reset_delay", config_type_int, 3, ""},
    {"kodiexe", config_type_text, 0, "Kodi.exe"},
    {"connect_delay", config_type_int, 1, ""},
    {"time_format", config_type_text, 0, "mm/dd/yy hh:nn"},
    {"disable_icon", config_type_int, 0, ""},
    {"idle_timer", config_type_int, 0, ""},
    {"welcome", config_type_text, 0, "Kodi Media Center"},
    {"stop_str", config_type_text, 0, "Stop"},
    {"track_str", config_type_text, 0, "Track"},
    {"channel_str", config_type_text, 0, "Channel"},
    {"ff_str", config_type_text, 0, "Fast-Forward"},
    {"rewind_str", config_type_text, 0, "Rewind"},
    {"volume_str", config_type_text, 0, "Volume"},
    {"knf_str", config_type_text, 0, "Kodi not found"},
};

namespace {

constexpr size_t piece_size = 128;  // a longer line is read as several pieces

struct file_closer {
    void operator()(FILE* file) const { std::fclose(file); }
};

// Reads at most piece_size - 1 characters, up to and including the line end, the way
// fgets does on a text-mode stream: CR LF arrives as LF, so pieces are cut at the same
// places whichever line ends the file uses. The piece may hold NUL bytes; its C-string
// simply ends at the first one.
bool read_piece(FILE* file, char (&piece)[piece_size]) {
    size_t length = 0;
    while (length < piece_size - 1) {
        int c = std::getc(file);
        if (c == EOF) break;
        if (c == '\r') {
            const int next = std::getc(file);
            if (next == '\n')
                c = '\n';
            else if (next != EOF)
                std::ungetc(next, file);
        }
        piece[length++] = static_cast<char>(c);
        if (c == '\n') break;
    }
    piece[length] = '\0';
    return length > 0;
}

int32_t to_int32(const char* text) {
    const long long value = std::strtoll(text, nullptr, 10);
    if (value > INT32_MAX) return INT32_MAX;
    if (value < INT32_MIN) return INT32_MIN;
    return static_cast<int32_t>(value);
}

void store_value(config_item& item, const char* value) {
    if (item.type == config_type_int) {
        item.int_value = to_int32(value);
    } else {
        // Longer texts are cut to what the field holds.
        std::snprintf(item.text_value, sizeof item.text_value, "%s", value);
    }
}

void read_line(char* line) {
    if (line[0] == '/' && line[1] == '/') return;
    char* equals = std::strchr(line, '=');
    if (!equals) return;
    *equals = '\0';
    const char* key = line;
    char* value = equals + 1;

    debug_output("config item");
    debug_output(key);
    debug_output(value);

    size_t length = std::strlen(value);
    if (length > 0 && value[length - 1] == '\n') {
        value[--length] = '\0';
        if (length > 0 && value[length - 1] == '\r') value[--length] = '\0';
    }

    if (equals_ignoring_case(key, "regex")) {
        add_rewrite_rule(value);
        return;
    }
    for (config_item& item : config_items) {
        if (!equals_ignoring_case(key, item.name)) continue;
        debug_output("Setting config item");
        debug_output(key);
        debug_output(value);
        store_value(item, value);
    }
}

}  // namespace

void init_config() {
    // A host may load the library again without it being unmapped in between: each reading
    // starts from the defaults, as a fresh load would.
    static const auto defaults = [] {
        std::array<config_item, cfg_count> table;
        std::copy(std::begin(config_items), std::end(config_items), table.begin());
        return table;
    }();
    std::copy(defaults.begin(), defaults.end(), config_items);
    clear_rewrite_rules();

    // Binary, so that every platform reads the same bytes (line ends are handled above, and
    // a Ctrl-Z byte does not end the file early on Windows).
    std::unique_ptr<FILE, file_closer> file(std::fopen(settings_file_path, "rb"));
    if (!file) return;
    char piece[piece_size];
    while (read_piece(file.get(), piece)) {
        try {
            read_line(piece);
        } catch (...) {
            // Out of memory for one line costs only that line.
        }
    }
}

const char* get_config_item(unsigned index) {
    return index < cfg_count ? config_items[index].text_value : nullptr;
}
