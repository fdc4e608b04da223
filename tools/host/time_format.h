// The host's clock format: mm/dd/yy hh:nn and friends.
#pragma once

#include <ctime>
#include <string>

namespace lcd {

// Writes time by format. Letters, case-insensitive: yyyy yy (year), mmmm mmm mm m (month
// name, short name, number), dddd ddd dd d (weekday name, short name, day), hh h (hour),
// nn n (minute), ss s (second), am/pm a/p (12-hour clock with the marker). Text in double
// or single quotes is copied as it stands; every other character too.
std::string format_host_time(const std::string& format, const std::tm& time);

}  // namespace lcd
