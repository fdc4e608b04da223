#pragma once
#include <cpprest/json.h>
#include <string>
std::string query_info_item(const std::string& method, const std::string& item_spec);
// Display text of a reply value: strings as they are, numbers "%d" / "%f", others empty;
// low byte of each UTF-16 code unit; rewrite rules applied.
std::string reply_value_to_text(const web::json::value& value);
