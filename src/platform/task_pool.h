// The threads the task library runs continuations and background tasks on.
#pragma once

#include <cstddef>

// Linux: the library's own pool, sized once before its first use (its default is 40);
// a pool already running keeps its size. Windows: the system's thread pool, which grows
// as needed; nothing to size.
void size_task_pool(size_t threads);

// True when the pool has a fixed number of threads that blocked tasks can all occupy.
bool task_pool_has_fixed_size();
