#include "platform/process_list.h"

#include <dirent.h>
#include <fcntl.h>
#include <limits.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <memory>

namespace {

constexpr size_t max_id_digits = 20;
// Room for the longest path the system hands out, and one byte to tell a longer one.
constexpr size_t path_room = PATH_MAX + 1;

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

struct fd_closer {
    int fd;
    ~fd_closer() { close(fd); }
};

// What the <pid>/exe link gave: the image path's length, or 0 and whether the link is
// there but closed to the caller.
struct image_link {
    size_t length = 0;
    bool closed = false;
};

// Reading another user's link takes the right to trace that process, so an unprivileged
// caller is refused (EACCES) for most processes. Kernel threads, zombies and processes that
// have just ended have no link at all (ENOENT).
image_link read_image_link(int proc_fd, const char* link, char* path) {
    const ssize_t length = readlinkat(proc_fd, link, path, path_room);
    if (length < 0) return {0, errno == EACCES || errno == EPERM};
    if (static_cast<size_t>(length) >= path_room) return {};  // too long to be whole
    return {static_cast<size_t>(length), false};
}

// argv[0] from <pid>/cmdline, which every user may read: the program path the process was
// started with. Kernel threads and zombies have none, and a process may have cleared it.
size_t read_first_argument(int proc_fd, const char* cmdline, char* path) {
    const int fd = openat(proc_fd, cmdline, O_RDONLY | O_CLOEXEC);
    if (fd < 0) return 0;
    const fd_closer closer{fd};
    size_t filled = 0;
    while (filled < path_room) {
        const ssize_t got = read(fd, path + filled, path_room - filled);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) break;
        if (const void* end = std::memchr(path + filled, '\0', static_cast<size_t>(got)))
            return static_cast<size_t>(static_cast<const char*>(end) - path);
        filled += static_cast<size_t>(got);
    }
    // No terminating NUL: a process that rewrote its arguments; too long is not read.
    return filled < path_room ? filled : 0;
}

}  // namespace

bool for_each_process_image(const std::function<bool(const std::string& image_path)>& visit) {
    std::unique_ptr<DIR, dir_closer> proc(opendir("/proc"));
    if (!proc) return false;
    const int proc_fd = dirfd(proc.get());

    // One string for the whole scan, so a visit costs no allocation.
    std::string image;
    image.reserve(256);
    char file[max_id_digits + sizeof "/cmdline"];
    char path[path_room];
    while (const dirent* entry = readdir(proc.get())) {
        const size_t id_length = process_id_length(entry->d_name);
        if (id_length == 0) continue;
        std::memcpy(file, entry->d_name, id_length);
        std::memcpy(file + id_length, "/exe", sizeof "/exe");
        const image_link image_path = read_image_link(proc_fd, file, path);
        size_t length = image_path.length;
        // Only a link that is there but closed to us is worth the start path: the command
        // line of a process without a link (a kernel thread, a zombie) is empty.
        if (image_path.closed) {
            std::memcpy(file + id_length, "/cmdline", sizeof "/cmdline");
            length = read_first_argument(proc_fd, file, path);
        }
        // Vanished processes, kernel threads and zombies end here.
        if (length == 0) continue;
        image.assign(path, length);
        if (!visit(image)) break;
    }
    return true;
}
