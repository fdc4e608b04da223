// The fixed table of 19 settings and the reader of plugins/plinthar.cfg.
#pragma once

#include <cstdint>

#include "host/exports.h"

struct config_item {
    char name[32];
    int32_t type;  // 0 = integer setting, 1 = text setting
    int32_t int_value;
    char text_value[64];
};

// Positions in config_items; readers refer to a setting by its position.
enum config_index : unsigned {
    cfg_logging = 0,
    cfg_newfile,
    cfg_port,
    cfg_lcd_width,
    cfg_use_bars,
    cfg_reset_delay,
    cfg_kodiexe,
    cfg_connect_delay,
    cfg_time_format,
    cfg_disable_icon,
    cfg_idle_timer,
    cfg_welcome,
    cfg_stop_str,
    cfg_track_str,
    cfg_channel_str,
    cfg_ff_str,
    cfg_rewind_str,
    cfg_volume_str,
    cfg_knf_str,
    cfg_count
};

constexpr int32_t config_type_int = 0;
constexpr int32_t config_type_text = 1;

extern config_item config_items[cfg_count];

// Reads plugins/plinthar.cfg once; "regex" lines go to add_rewrite_rule.
PLINTHAR_EXPORT void init_config();

// text_value of the entry at index, or nullptr past the table's end.
const char* get_config_item(unsigned index);

inline int32_t config_int(config_index index) { return config_items[index].int_value; }
inline const char* config_text(config_index index) { return config_items[index].text_value; }
