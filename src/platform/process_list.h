// The executable image path of every process the caller may inspect.
#pragma once

#include <functional>
#include <string>

// Calls visit with the image path (UTF-8 bytes as the system gives them) of each process
// whose image can be read; processes we may not inspect are skipped. Where the system lets
// any user read the program path a process was started with (Linux: argv[0]), that path
// stands in for an image path the caller may not read. Returns false when the process list
// itself cannot be read. Stops early when visit returns false.
bool for_each_process_image(const std::function<bool(const std::string& image_path)>& visit);
