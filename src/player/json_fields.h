// Reading members of Kodi's messages: a missing member reads as null, and reading null or a
// value of another kind fails with web::json::json_exception.
#pragma once

#include <cstdint>
#include <initializer_list>

#include <cpprest/json.h>

// The member at the end of names; null when a member is missing or a step is no object.
// Never inserts anything, so it is safe on a value that other threads read too.
const web::json::value& member_path(const web::json::value& root,
                                    std::initializer_list<const utility::char_t*> names);

const utility::string_t& read_text(const web::json::value& value);
// A number as signed 32-bit integer, a fraction truncated toward zero. A number outside the
// 32-bit range (or not finite) fails rather than wrapping around.
int32_t read_int32(const web::json::value& value);
bool read_bool(const web::json::value& value);
