// Where the files a host keeps for the plug-in lie, relative to the host's current folder.
#pragma once

// The settings file, written as the platform's users write paths.
extern const char* const settings_file_path;
// The log file; the same on every platform (Windows takes either separator).
extern const char* const log_file_path;
