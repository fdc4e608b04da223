// The name a picture is shown by: its file name without directory and extension.
#pragma once

#include <cpprest/details/basic_types.h>

// The directory is everything up to the last "/" or "\" (or a leading drive such as "C:"),
// the extension everything from the last "." of the rest. At most 1023 UTF-16 code units.
utility::string_t picture_name(const utility::string_t& file);
