#include "platform/local_time.h"

bool local_time(std::time_t time, std::tm& local) {
    return localtime_s(&local, &time) == 0;
}
