#pragma once

#include <ostream>

// The end of a console program's run. Started from Explorer (a double-click) with its output on
// the console, the window would close before anyone could read it: then it says so on out and
// waits for a key or 15 seconds. In every other case (logon scripts, scheduled tasks, Intune,
// SCCM, command prompts, redirected output) it returns at once. Either way the console's code page
// is put back as PrepareConsole found it.
void FinishConsoleRun(std::ostream& out);
