#include "platform/local_time.h"

bool local_time(std::time_t time, std::tm& local) {
    return localtime_r(&time, &local) != nullptr;
}
