// process-facts: what the end of a run knows about who started it, for the tests of the
// console hold.
//
// Without PROCESS_FACTS_RUN in its environment it writes two lines: "parent: " and the image
// name of the process that started it, and "holds: yes" or "holds: no", whether a run would
// keep its console window open. With PROCESS_FACTS_RUN set to a program's path (UTF-8, so a
// non-ASCII path survives on Windows), it starts that program as its parent, with the variable
// removed and its standard output a pipe, writes what the program wrote and ends with its exit
// code. A copy named explorer.exe thus stands in for Explorer.

#include <cstdio>
#include <optional>
#include <string>

#include "RunProcess.h"
#include "platform/ConsoleHold.h"
#include "platform/Platform.h"

int main()
{
    const std::optional<std::string> program = platform::EnvironmentValue("PROCESS_FACTS_RUN");
    if (program) {
        StartedProcess child = StartProcess(*program, {}, {{"PROCESS_FACTS_RUN", std::nullopt}});
        const ProcessResult result = FinishProcess(child);
        WriteOutputBytes(result.output);
        return result.started ? result.exitCode : 127;
    }
    const bool holds = platform::ShouldHoldConsoleOpen(platform::CurrentConsoleFacts());
    std::printf("parent: %s\nholds: %s\n", platform::ParentProcessImageName().c_str(),
                holds ? "yes" : "no");
    return 0;
}
