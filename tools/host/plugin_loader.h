// Loads a plug-in library (dlopen, LoadLibrary) the way the display host does.
#pragma once

#include <string>

#include "host/plugin_api.h"

namespace lcd {

struct loaded_plugin {
    void* handle = nullptr;
    plugin_api api;
};

// The display host's order: the library; SmartieInit, SmartieFini, SmartieInfo and
// SmartieDemo looked up; SmartieInit called; function1 to function20 looked up (gaps
// allowed); GetMinRefreshInterval looked up and called once. Each lookup tries the plain
// name first, then the decorated one. A library without any text function is unloaded again
// without SmartieFini. On failure returns false with a one-line reason in error.
bool load_plugin(const std::string& path, loaded_plugin& plugin, std::string& error);
// Unloads without calling anything; false when the system refused.
bool unload_plugin(loaded_plugin& plugin);

// The system's library loader, one implementation per platform.
void* open_library(const std::string& path, std::string& error);
void* library_symbol(void* handle, const std::string& name);
bool close_library(void* handle);

}  // namespace lcd
