#include "display/idle_timer.h"

void start_inactivity_timer() {}
void on_inactivity_timer() {}
void stop_inactivity_timer() {}
void shutdown_inactivity_timer() {}
