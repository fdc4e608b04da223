#pragma once
#include <map>
#include <string>
extern std::map<std::string, std::string> label_cache;
std::string query_info_label(const std::string& method, const std::string& label);
