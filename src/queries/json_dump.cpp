#include "queries/json_dump.h"

void display(web::json::value, utility::string_t) {}
