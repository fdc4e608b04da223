// A data race of our own inside a task that cpprestsdk's shared pool runs. The thread
// suite compiles and runs it with tsan.supp: ThreadSanitizer must still report it, so that
// no suppression hides our frames merely because a library frame sits below them.
#include <pplx/pplxtasks.h>

#include <cstdio>

int shared_counter = 0;

int main() {
    auto task = pplx::create_task([] {
        for (int i = 0; i < 1000; ++i) ++shared_counter;
    });
    for (int i = 0; i < 1000; ++i) ++shared_counter;
    task.wait();
    std::printf("%d\n", shared_counter);
}
