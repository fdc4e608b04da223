#include "platform/text_encoding.h"
#include "player/player_state.h"
#include "settings/log.h"
#include "settings/rewrite_rules.h"

void set_title(const utility::string_t& text) {
    std::string title = narrow_text(text);
    std::lock_guard<std::mutex> lock(state_mutex);
    // Built into the state only once complete, so a failing rule leaves the old title whole.
    apply_rewrite_rules(title);
    title.erase(0, title.find_first_not_of("\n\r\t "));
    player_state.title = std::move(title);
    write_log("title=%s", player_state.title.c_str());
}

void set_mode(const utility::string_t& text) {
    std::lock_guard<std::mutex> lock(state_mutex);
    if (player_state.mode == text) return;
    player_state.mode = text;
    if (logging_enabled()) write_log("Mode set to %ls", wide_text(text).c_str());
}
