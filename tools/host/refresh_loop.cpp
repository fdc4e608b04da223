#include "host/refresh_loop.h"

#include <algorithm>
#include <map>
#include <tuple>

#include "host/dll_macro.h"
#include "host/macro_expander.h"

namespace lcd {

namespace {

using call_key = std::tuple<int, std::string, std::string>;

// The plug-in takes writable texts; hand it copies.
std::string call_function(const plugin_api& api, const screen_part& part) {
    std::vector<char> first(part.first_parameter.begin(), part.first_parameter.end());
    std::vector<char> second(part.second_parameter.begin(), part.second_parameter.end());
    first.push_back('\0');
    second.push_back('\0');
    const text_function function = api.functions[part.function - 1];
    if (!function) return missing_function_text(part.function);
    const char* answer = function(first.data(), second.data());
    return answer ? std::string(answer) : std::string();  // copied before the next call
}

row pad_to_width(row cells, int width) {
    if (cells.size() < static_cast<size_t>(width))
        cells.resize(static_cast<size_t>(width), text_cell(' '));
    return cells;
}

}  // namespace

std::chrono::milliseconds refresh_interval(int plugin_minimum, const loop_settings& settings) {
    return std::max(
        {std::chrono::milliseconds(plugin_minimum), settings.slowest_first, interval_floor});
}

frame build_frame(const plugin_api& api, const screen& layout, int width, int height,
                  const std::tm& now, glyph_table& glyphs) {
    std::map<call_key, std::string> answers;
    expand_context context;
    context.width = width;
    context.now = now;
    context.glyphs = &glyphs;

    frame result;
    for (int r = 0; r < height; ++r) {
        std::string text;
        if (r < static_cast<int>(layout.rows.size())) {
            for (const auto& part : layout.rows[r]) {
                if (part.function == 0) {
                    text += part.text;
                    continue;
                }
                const call_key key{part.function, part.first_parameter, part.second_parameter};
                auto found = answers.find(key);
                if (found == answers.end())
                    found = answers.emplace(key, call_function(api, part)).first;
                text += found->second;
            }
        }
        result.rows.push_back(pad_to_width(expand_macros(text, context), width));
    }
    result.glyphs = glyphs;
    return result;
}

loop_result run_display(const plugin_api& api, const screen& layout, const loop_settings& settings,
                        const loop_clock& clock,
                        const std::function<void(const frame&, const loop_result&)>& show,
                        const loop_redraw& between) {
    loop_result result;
    result.interval = refresh_interval(api.min_refresh_interval, settings);
    const steady::time_point started = clock.now();
    std::optional<steady::time_point> end;
    if (settings.run_for) end = started + *settings.run_for;

    glyph_table glyphs{};
    steady::time_point refresh_at = started;
    while (true) {
        std::optional<steady::time_point> redraw_at;
        if (between.next && between.redraw) redraw_at = between.next();
        const bool redraw_first = redraw_at && *redraw_at < refresh_at;
        const steady::time_point wake_at = redraw_first ? *redraw_at : refresh_at;
        if (end && wake_at >= *end) {
            clock.wait_until(*end);
            break;
        }
        if (!clock.wait_until(wake_at)) break;
        if (redraw_first) {
            between.redraw();
            continue;
        }
        const frame shown =
            build_frame(api, layout, settings.width, settings.height, clock.local_time(), glyphs);
        ++result.refreshes;
        // A whole interval from the last call of this refresh: a function called late in a
        // slow refresh is then not called again sooner than that at the start of the next.
        refresh_at = clock.now() + result.interval;
        show(shown, result);
    }
    if (api.fini) api.fini();
    return result;
}

}  // namespace lcd
