#pragma once
#include <cpprest/json.h>
#include "host/exports.h"
// Writes the members of an object to std::wcout, one "key = value" line each.
PLINTHAR_EXPORT void display(web::json::value value, utility::string_t prefix);
