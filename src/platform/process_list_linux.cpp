#include "platform/process_list.h"

#include <dirent.h>
#include <limits.h>
#include <unistd.h>

#include <cstring>
#include <memory>

namespace {

constexpr size_t max_id_digits = 20;

// Length of the process id that names this /proc entry, or 0 when it names something else.
size_t process_id_length(const char* name) {
    size_t length = 0;
    for (; name[length]; ++length)
        if (name[length] < '0' || name[length] > '9' || length == max_id_digits) return 0;
    return length;
}

struct dir_closer {
    void operator()(DIR* dir) const { closedir(dir); }
};

}  // namespace

bool for_each_process_image(const std::function<bool(const std::string& image_path)>& visit) {
    std::unique_ptr<DIR, dir_closer> proc(opendir("/proc"));
    if (!proc) return false;
    const int proc_fd = dirfd(proc.get());

    // One string for the whole scan, so a visit costs no allocation.
    std::string image;
    image.reserve(256);
    char link[max_id_digits + sizeof "/exe"];
    char target[PATH_MAX + 1];
    while (const dirent* entry = readdir(proc.get())) {
        const size_t id_length = process_id_length(entry->d_name);
        if (id_length == 0) continue;
        std::memcpy(link, entry->d_name, id_length);
        std::memcpy(link + id_length, "/exe", sizeof "/exe");
        // Kernel threads, vanished processes and those we may not inspect fail here.
        const ssize_t length = readlinkat(proc_fd, link, target, sizeof target);
        if (length <= 0 || static_cast<size_t>(length) >= sizeof target) continue;
        image.assign(target, static_cast<size_t>(length));
        if (!visit(image)) break;
    }
    return true;
}
