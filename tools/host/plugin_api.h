// The plug-in's entry points as the host calls them.
#pragma once

#include <array>
#include <string>

#include "host/screen_file.h"

namespace lcd {

using text_function = char* (*)(char* first, char* second);

struct plugin_api {
    void (*init)() = nullptr;
    void (*fini)() = nullptr;
    int (*min_refresh_interval)() = nullptr;
    std::array<text_function, function_count> functions{};  // function1 at index 0
};

// The export names, in the order the loader resolves them.
std::string function_export_name(int function);

}  // namespace lcd
