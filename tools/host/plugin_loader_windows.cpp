#include <windows.h>

#include "host/plugin_loader.h"

namespace lcd {

namespace {

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

void* open_library(const std::string& path, std::string& error) {
    const HMODULE module = LoadLibraryA(path.c_str());
    if (!module) error = "cannot load the plug-in: " + last_error_text() + " (" + path + ")";
    return module;
}

void* library_symbol(void* handle, const std::string& name) {
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(handle), name.c_str()));
}

bool close_library(void* handle) {
    return FreeLibrary(static_cast<HMODULE>(handle));
}

}  // namespace lcd
