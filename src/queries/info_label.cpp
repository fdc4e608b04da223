#include "queries/info_label.h"

std::map<std::string, std::string> label_cache;

std::string query_info_label(const std::string&, const std::string&) {
    return std::string();
}
