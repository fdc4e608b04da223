// Data races of our own inside code that cpprestsdk's shared pool runs: a task body and a
// continuation. The thread suite compiles and runs this with tsan.supp and the same options
// as the tests: ThreadSanitizer must still report both, so that no suppression hides our
// frames merely because library frames sit below them.
#include <pplx/pplxtasks.h>

#include <cstdio>

int task_counter = 0;
int continuation_counter = 0;

int main() {
    auto task = pplx::create_task([] {
        for (int i = 0; i < 1000; ++i) ++task_counter;
    });
    auto continuation = pplx::create_task([] {}).then([] {
        for (int i = 0; i < 1000; ++i) ++continuation_counter;
    });
    for (int i = 0; i < 1000; ++i) ++task_counter, ++continuation_counter;
    task.wait();
    continuation.wait();
    std::printf("%d %d\n", task_counter, continuation_counter);
}
