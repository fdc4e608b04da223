#include "platform/host_files.h"

const char* const settings_file_path = "plugins\\plinthar.cfg";
const char* const log_file_path = "plugins/plinthar.log";
