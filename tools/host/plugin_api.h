// The plug-in's entry points as the host calls them.
#pragma once

#include <array>

// The plug-in's calling convention; the build sets it (stdcall on Windows).
#ifndef PLINTHAR_PLUGIN_CALL
#define PLINTHAR_PLUGIN_CALL
#endif

namespace lcd {

// A display host looks up function1 to function20; $dll(name,0,…) stands for function10.
constexpr int max_function_number = 20;

using text_function = char*(PLINTHAR_PLUGIN_CALL*)(char* first, char* second);
using help_function = char*(PLINTHAR_PLUGIN_CALL*)();

// Every entry point is optional, as it is for the display host.
struct plugin_api {
    void(PLINTHAR_PLUGIN_CALL* init)() = nullptr;
    void(PLINTHAR_PLUGIN_CALL* fini)() = nullptr;
    help_function info = nullptr;                                // SmartieInfo
    help_function demo = nullptr;                                // SmartieDemo
    std::array<text_function, max_function_number> functions{};  // function1 at index 0
    int min_refresh_interval = 0;  // GetMinRefreshInterval's answer at load; 0 without it
};

}  // namespace lcd
