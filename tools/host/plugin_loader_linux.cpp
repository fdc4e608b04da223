#include "host/plugin_loader.h"

#include <dlfcn.h>

namespace lcd {

std::string export_name(const std::string& name, int) {
    return name;
}

std::string function_export_name(int function) {
    return export_name("function" + std::to_string(function), 8);
}

namespace {

void* resolve(void* handle, const std::string& name, std::string& error) {
    dlerror();
    void* symbol = dlsym(handle, name.c_str());
    if (!symbol) error = "the plug-in has no export " + name;
    return symbol;
}

template <typename Function>
bool resolve_into(void* handle, const std::string& name, Function& target, std::string& error) {
    void* symbol = resolve(handle, name, error);
    if (!symbol) return false;
    target = reinterpret_cast<Function>(symbol);
    return true;
}

}  // namespace

bool load_plugin(const std::string& path, loaded_plugin& plugin, std::string& error) {
    dlerror();
    void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        const char* reason = dlerror();
        error = "cannot load the plug-in: " + std::string(reason ? reason : path);
        return false;
    }
    plugin_api api;
    bool ok = resolve_into(handle, "SmartieInit", api.init, error) &&
              resolve_into(handle, "SmartieFini", api.fini, error) &&
              resolve_into(handle, "GetMinRefreshInterval", api.min_refresh_interval, error);
    for (int i = 1; ok && i <= function_count; ++i)
        ok = resolve_into(handle, function_export_name(i), api.functions[i - 1], error);
    if (!ok) {
        error += " (" + path + ")";
        dlclose(handle);
        return false;
    }
    plugin.handle = handle;
    plugin.api = api;
    return true;
}

void unload_plugin(loaded_plugin& plugin) {
    if (plugin.handle) dlclose(plugin.handle);
    plugin = loaded_plugin{};
}

}  // namespace lcd
