#include <windows.h>

#include "host/plugin_loader.h"

namespace lcd {

std::string export_name(const std::string& name, int argument_bytes) {
    // 32-bit stdcall symbols carry an underscore and their argument bytes; 64-bit ones
    // are plain.
    if (sizeof(void*) == 4) return "_" + name + "@" + std::to_string(argument_bytes);
    return name;
}

std::string function_export_name(int function) {
    return export_name("function" + std::to_string(function), 8);
}

namespace {

template <typename Function>
bool resolve_into(HMODULE module, const std::string& name, int argument_bytes, Function& target,
                  std::string& error) {
    const std::string symbol = export_name(name, argument_bytes);
    const FARPROC address = GetProcAddress(module, symbol.c_str());
    if (!address) {
        error = "the plug-in has no export " + symbol;
        return false;
    }
    target = reinterpret_cast<Function>(reinterpret_cast<void*>(address));
    return true;
}

std::string last_error_text() {
    const DWORD code = GetLastError();
    char text[256] = {};
    FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0,
                   text, sizeof text, nullptr);
    std::string message(text);
    while (!message.empty() && (message.back() == '\n' || message.back() == '\r'))
        message.pop_back();
    return message.empty() ? "error " + std::to_string(code) : message;
}

}  // namespace

bool load_plugin(const std::string& path, loaded_plugin& plugin, std::string& error) {
    const HMODULE module = LoadLibraryA(path.c_str());
    if (!module) {
        error = "cannot load the plug-in: " + last_error_text() + " (" + path + ")";
        return false;
    }
    plugin_api api;
    bool ok = resolve_into(module, "SmartieInit", 0, api.init, error) &&
              resolve_into(module, "SmartieFini", 0, api.fini, error) &&
              resolve_into(module, "GetMinRefreshInterval", 0, api.min_refresh_interval, error);
    for (int i = 1; ok && i <= function_count; ++i)
        ok = resolve_into(module, "function" + std::to_string(i), 8, api.functions[i - 1], error);
    if (!ok) {
        error += " (" + path + ")";
        FreeLibrary(module);
        return false;
    }
    plugin.handle = module;
    plugin.api = api;
    return true;
}

void unload_plugin(loaded_plugin& plugin) {
    if (plugin.handle) FreeLibrary(static_cast<HMODULE>(plugin.handle));
    plugin = loaded_plugin{};
}

}  // namespace lcd
