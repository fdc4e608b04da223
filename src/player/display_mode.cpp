#include "player/display_mode.h"

#include <string_view>

display_mode display_mode_of(const utility::string_t& mode) {
    using name_view = std::basic_string_view<utility::char_t>;
    // Views compare their lengths first, so most names are ruled out without a look at text.
    static constexpr struct {
        name_view name;
        display_mode mode;
    } names[] = {
        {U("movie"), display_mode::movie},     {U("episode"), display_mode::episode},
        {U("song"), display_mode::song},       {U("picture"), display_mode::picture},
        {U("channel"), display_mode::channel}, {U("volume"), display_mode::volume},
    };
    const name_view text(mode);
    for (const auto& entry : names)
        if (text == entry.name) return entry.mode;
    return display_mode::other;
}
