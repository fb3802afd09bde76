#pragma once

#include <ostream>
#include <string>

// A run stopped between the two renames leaves the store only under its backup name. Puts it
// back at storePath, saying so on out, when the store path is free and the backup is a file (a
// link there is left as it is).
// The caller holds the store's lock: without it, another run's swap in progress (the store
// moved out, the new one not yet in) would look the same, and be undone.
void RecoverInterruptedStore(const std::string& storePath, std::ostream& out);
