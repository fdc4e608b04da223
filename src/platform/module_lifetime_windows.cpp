#include "platform/module_lifetime.h"

#include <windows.h>

void keep_module_loaded() {
    HMODULE self = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_PIN,
                       reinterpret_cast<LPCWSTR>(&keep_module_loaded), &self);
}

// Loading and unloading, of the process and of its threads, need nothing of the plug-in.
extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) {
    return TRUE;
}
