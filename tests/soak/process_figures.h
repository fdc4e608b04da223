// What the soak watches of its own process: threads, open descriptors, resident memory and
// the bytes the allocator has handed out.
#pragma once

#include <cstddef>

namespace soak {

struct figures {
    size_t threads;
    size_t descriptors;
    long rss_kb;
    long heap_kb;  // in use by malloc: what a leak grows, whatever the allocator keeps cached
};

figures measure();

}  // namespace soak
