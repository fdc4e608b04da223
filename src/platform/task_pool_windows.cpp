#include "platform/task_pool.h"

// Tasks run on the system's thread pool. The library's own pool exists here too, but
// nothing uses it, and sizing it would start threads that only wait.
void size_task_pool(size_t) {}

bool task_pool_has_fixed_size() {
    return false;
}
