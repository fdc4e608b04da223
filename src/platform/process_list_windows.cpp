#include "platform/process_list.h"

#include <psapi.h>
#include <windows.h>

#include <string>

#include "platform/text_encoding.h"

namespace {

constexpr DWORD max_processes = 1024;
constexpr DWORD max_path_units = 260;            // including the terminating NUL
constexpr DWORD query_and_read_rights = 0x0410;  // PROCESS_QUERY_INFORMATION | PROCESS_VM_READ

// The process's image path in the ordinary Win32 form; empty when it cannot be read.
std::wstring image_path_of(DWORD id) {
    const HANDLE process = OpenProcess(query_and_read_rights, FALSE, id);
    if (!process) return std::wstring();  // a system process, or one that has gone
    wchar_t path[max_path_units];
    DWORD length = max_path_units;
    std::wstring image;
    if (QueryFullProcessImageNameW(process, 0, path, &length)) image.assign(path, length);
    CloseHandle(process);
    return image;
}

}  // namespace

bool for_each_process_image(const std::function<bool(const std::string& image_path)>& visit) {
    DWORD ids[max_processes];
    DWORD filled = 0;
    if (!K32EnumProcesses(ids, sizeof ids, &filled)) return false;
    // A machine with more processes has only the first 1024 examined.
    const DWORD count = filled / sizeof(DWORD);
    for (DWORD i = 0; i < count; ++i) {
        if (ids[i] == 0) continue;
        const std::wstring image = image_path_of(ids[i]);
        if (image.empty()) continue;
        if (!visit(utf8_text(image))) break;
    }
    return true;
}
