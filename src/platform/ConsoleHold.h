#pragma once

#include <string>

// Whether the end of a run keeps its console window open: only for a person who started the
// program with a double-click, whose window would otherwise close with the last line unread.
namespace platform {

// What the program knows at the end of a run about who started it and where its output goes.
struct ConsoleFacts
{
    std::string parentImageName;  // file name of the starting program's executable ("" unknown)
    bool outputIsConsole = false; // standard output is a console, not a file or pipe
};

// The file name (UTF-8, without its folder) of the executable of the process that started this
// one: "explorer.exe" for a double-click. Empty when the system cannot tell, the parent has
// ended, or its number now belongs to a process started after this one.
std::string ParentProcessImageName();

// The facts of this process. Elsewhere than on Windows output is never a console of the
// program's own: a terminal stays open when the program ends.
ConsoleFacts CurrentConsoleFacts();

// True when Explorer started the program (a double-click, in a console window or, with Windows
// Terminal as the default terminal, in a tab of its own) and its output goes to that console.
// Never for any other starter, however its window looks: a command prompt or PowerShell, a
// logon script's host, the task scheduler, Intune or SCCM; nor with output to a file or pipe.
bool ShouldHoldConsoleOpen(const ConsoleFacts& facts);

} // namespace platform
