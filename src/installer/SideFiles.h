#pragma once

#include <ostream>
#include <string>

// The names beside a store that an install uses: storePath + "-new" (the new store while it
// is written), "-backup" (the old store during the swap) and, on Windows, "-lock" (see
// platform::ExclusiveLock). Only files the tool made belong there. A link at one of them is
// never followed: it is removed itself, never what it leads to. Nothing outside the store's
// folder is ever created, written or deleted through them.

// Clears the new store path and the backup path for an install, under the store's lock and
// before the store is read. A file or a link at the new store path is a leftover of a stopped
// run and is removed; a link at the backup path is removed too, and a file there is settled
// by SettleOldBackup (removed only when redundant, else kept under another name). Anything
// else at either name (a folder, a device, a link the system cannot remove) gets one line
// naming the path, and the result is false: the store is to be left alone.
bool ClearSideFiles(const std::string& storePath, const std::string& newStorePath,
                    std::ostream& out);
