#include "platform/module_lifetime.h"

// Linked with -z nodelete: nothing to do at run time.
void keep_module_loaded() {}
