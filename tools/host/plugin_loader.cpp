#include "host/plugin_loader.h"

namespace lcd {

namespace {

// The plain name first, then the one a 32-bit stdcall export carries (_function1@8, with the
// bytes of its arguments), on every platform as the display host does.
template <typename Function>
void look_up(void* handle, const std::string& name, int argument_bytes, Function& target) {
    void* symbol = library_symbol(handle, name);
    if (!symbol) symbol = library_symbol(handle, "_" + name + "@" + std::to_string(argument_bytes));
    target = reinterpret_cast<Function>(symbol);
}

}  // namespace

bool load_plugin(const std::string& path, loaded_plugin& plugin, std::string& error) {
    void* handle = open_library(path, error);
    if (!handle) return false;
    plugin_api api;
    look_up(handle, "SmartieInit", 0, api.init);
    look_up(handle, "SmartieFini", 0, api.fini);
    look_up(handle, "SmartieInfo", 0, api.info);
    look_up(handle, "SmartieDemo", 0, api.demo);
    if (api.init) api.init();
    bool any_function = false;
    for (int i = 1; i <= max_function_number; ++i) {
        look_up(handle, "function" + std::to_string(i), 8, api.functions[i - 1]);
        any_function = any_function || api.functions[i - 1];
    }
    if (!any_function) {
        error = "the plug-in has no text function (function1 to function" +
                std::to_string(max_function_number) + ") (" + path + ")";
        close_library(handle);
        return false;
    }
    int(PLINTHAR_PLUGIN_CALL * min_refresh_interval)() = nullptr;
    look_up(handle, "GetMinRefreshInterval", 0, min_refresh_interval);
    if (min_refresh_interval) api.min_refresh_interval = min_refresh_interval();
    plugin.handle = handle;
    plugin.api = api;
    return true;
}

bool unload_plugin(loaded_plugin& plugin) {
    const bool unloaded = !plugin.handle || close_library(plugin.handle);
    plugin = loaded_plugin{};
    return unloaded;
}

}  // namespace lcd
