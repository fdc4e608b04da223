// The local time of day, thread-safe.
#pragma once

#include <ctime>

// Breaks time down into local time; false when the system cannot.
bool local_time(std::time_t time, std::tm& local);
