// How long the plug-in's own code stays in the host's memory.
#pragma once

// Keeps the plug-in mapped until the process ends, even after the host unloads it: a
// thread of a library it uses that is still finishing can never find its code gone, and a
// host that loads it again gets the same copy (which starts afresh). Linux: the link does
// it (-z nodelete); Windows: the module is pinned.
void keep_module_loaded();
