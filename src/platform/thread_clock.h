// Processor time used by the calling thread.
#pragma once

#include <chrono>

std::chrono::nanoseconds thread_cpu_time();
