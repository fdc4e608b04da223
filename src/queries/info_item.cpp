#include "queries/info_item.h"

std::string query_info_item(const std::string&, const std::string&) {
    return std::string();
}

std::string reply_value_to_text(const web::json::value&) {
    return std::string();
}
