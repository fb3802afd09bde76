#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

// Runs a program to its end, for end-to-end tests of the built executables.

// Variable name -> value for the child; no value removes the variable from its environment.
using EnvironmentChanges = std::vector<std::pair<std::string, std::optional<std::string>>>;

struct ProcessResult
{
    bool started = false;
    int exitCode = -1;
    std::string output; // standard output, bytes as the child wrote them
};

// Starts the program (UTF-8 path, no arguments) with the test's environment changed as given,
// collects its standard output (at most kMaxProcessOutputBytes) and waits for its end. Its
// standard error goes where the test's goes.
ProcessResult RunProcess(const std::string& executable, const EnvironmentChanges& changes);

// A program started by StartProcess and not yet finished with FinishProcess.
struct StartedProcess
{
    bool started = false;
    std::intptr_t process = 0; // process id (POSIX) or process handle (Windows)
    std::intptr_t output = 0;  // read end of the pipe on its standard output
};

// Starts the program with arguments, as RunProcess does, without waiting for it: several
// programs can run side by side. Every started process must be finished.
StartedProcess StartProcess(const std::string& executable,
                            const std::vector<std::string>& arguments,
                            const EnvironmentChanges& changes);

// Collects the started program's standard output to its end and waits for it to end.
ProcessResult FinishProcess(StartedProcess& process);

// Ends the started program at once, as a power cut or a task manager would (SIGKILL,
// TerminateProcess); FinishProcess must still follow.
void KillProcess(const StartedProcess& process);

// Writes the bytes to this program's standard output as they are, without the text-mode line
// end translation of Windows: to pass on what a child wrote.
void WriteOutputBytes(const std::string& bytes);

// True when the tests run under Wine, which differs from Windows in a few ways the tests meet
// (the profile variables it gives a child, what it shows of links).
bool RunsUnderWine();

inline constexpr std::size_t kMaxProcessOutputBytes = 1024 * 1024;

// What a console line ends with in a child's standard output: text-mode output on Windows
// turns the new-line character into CR LF.
extern const char* const kConsoleLineEnd;
