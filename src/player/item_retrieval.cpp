#include "player/item_retrieval.h"

void retrieve_item() {}
void start_item_retrieval() {}
web::json::value get_item(int32_t) {
    return web::json::value::null();
}
void wait_for_item_retrievals() {}
