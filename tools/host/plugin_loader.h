// Loads a plug-in library (dlopen, LoadLibrary) and resolves every export the host calls.
#pragma once

#include <string>

#include "host/plugin_api.h"

namespace lcd {

struct loaded_plugin {
    void* handle = nullptr;
    plugin_api api;
};

// On failure returns false with a one-line reason in error; nothing stays loaded.
bool load_plugin(const std::string& path, loaded_plugin& plugin, std::string& error);
void unload_plugin(loaded_plugin& plugin);

}  // namespace lcd
