#include "platform/task_pool.h"

#include <mutex>

#include <pplx/threadpool.h>

void size_task_pool(size_t threads) {
    static std::once_flag sized;
    std::call_once(sized, [threads] {
        try {
            crossplat::threadpool::initialize_with_threads(threads);
        } catch (...) {
            // Already in use: it keeps the size it has.
        }
    });
}

bool task_pool_has_fixed_size() {
    return true;
}
