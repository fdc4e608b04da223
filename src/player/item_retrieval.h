// Asks Kodi for the now-playing item and fills the player state from it.
#pragma once

#include <cstdint>

#include <cpprest/json.h>

// Body of the retrieval task; lets no failure escape.
void retrieve_item();
// Starts retrieve_item as a task on a worker thread and returns at once.
void start_item_retrieval();
// "Player.GetItem" with the nine properties; the whole reply or null.
web::json::value get_item(int32_t player_id);
// Unload: waits until no retrieval task runs, and lets none start afterwards.
void wait_for_item_retrievals();
// Start-up: retrievals may run again.
void allow_item_retrievals();
// Play and stop call this first: a retrieval started before it changes nothing any more
// (neither the state nor the progress polling).
void begin_new_item();
// Retrieval tasks started and not yet ended (for shutdown checks and tests).
int running_item_retrievals();
