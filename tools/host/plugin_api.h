// The plug-in's entry points as the host calls them.
#pragma once

#include <array>
#include <string>

#include "host/screen_file.h"

// The plug-in's calling convention; the build sets it (stdcall on Windows).
#ifndef PLINTHAR_PLUGIN_CALL
#define PLINTHAR_PLUGIN_CALL
#endif

namespace lcd {

using text_function = char*(PLINTHAR_PLUGIN_CALL*)(char* first, char* second);

struct plugin_api {
    void(PLINTHAR_PLUGIN_CALL* init)() = nullptr;
    void(PLINTHAR_PLUGIN_CALL* fini)() = nullptr;
    int(PLINTHAR_PLUGIN_CALL* min_refresh_interval)() = nullptr;
    std::array<text_function, function_count> functions{};  // function1 at index 0
};

// The export names as the loader looks them up: plain, or decorated as stdcall symbols on
// 32-bit Windows (_function1@8); argument_bytes is what the function takes.
std::string export_name(const std::string& name, int argument_bytes);
std::string function_export_name(int function);

}  // namespace lcd
