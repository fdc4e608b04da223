// Data races of our own inside code that cpprestsdk's shared pool runs: a task body and a
// continuation. The thread suite compiles and runs this with tsan.supp and the same options
// as the tests: ThreadSanitizer must still report both, so that no suppression hides our
// frames merely because library frames sit below them.
#include <pplx/pplxtasks.h>

#include <atomic>
#include <cstdio>

int task_counter = 0;
int continuation_counter = 0;

// The pool's bodies write only after this thread has: a body that ran first could hand its
// writes over through a lock of the pool that this thread takes later, and so hide the race.
// A relaxed flag orders nothing for ThreadSanitizer.
std::atomic<bool> main_wrote{false};

void after_main_wrote() {
    while (!main_wrote.load(std::memory_order_relaxed)) {
    }
}

int main() {
    auto task = pplx::create_task([] {
        after_main_wrote();
        for (int i = 0; i < 1000; ++i) ++task_counter;
    });
    auto continuation = pplx::create_task([] {}).then([] {
        after_main_wrote();
        for (int i = 0; i < 1000; ++i) ++continuation_counter;
    });
    for (int i = 0; i < 1000; ++i) ++task_counter, ++continuation_counter;
    main_wrote.store(true, std::memory_order_relaxed);
    task.wait();
    continuation.wait();
    std::printf("%d %d\n", task_counter, continuation_counter);
}
