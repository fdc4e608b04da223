#include <dlfcn.h>

#include "host/plugin_loader.h"

namespace lcd {

void* open_library(const std::string& path, std::string& error) {
    dlerror();
    void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        const char* reason = dlerror();
        error = "cannot load the plug-in: " + std::string(reason ? reason : path);
    }
    return handle;
}

void* library_symbol(void* handle, const std::string& name) {
    return dlsym(handle, name.c_str());
}

bool close_library(void* handle) {
    return dlclose(handle) == 0;
}

}  // namespace lcd
