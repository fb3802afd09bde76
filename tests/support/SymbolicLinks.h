#pragma once

// Symbolic links planted by tests where a program must never follow them, on every system the
// tests run on, Wine included.

#include <string>

// Makes a symbolic link at link leading to target, which need not exist. On Windows through
// CreateSymbolicLinkW (developer mode or an elevated run). Wine only pretends to make one
// there, so under Wine the link is made on the Unix side, by the system's ln in the link's
// folder, leading to target's path relative to that folder (which must then be ASCII). False
// when no link could be made.
bool MakeSymbolicLink(const std::string& target, const std::string& link);

// True when the name at path is itself a symbolic link, not followed. Under Wine, which shows a
// Unix link as what it leads to (or as nothing), asked of the Unix side.
bool IsSymbolicLink(const std::string& path);

// Removes the symbolic link at path itself; false when none could be removed.
bool RemoveSymbolicLink(const std::string& path);
