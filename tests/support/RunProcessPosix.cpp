#include <csignal>
#include <cstring>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include "RunProcess.h"

extern char** environ;

const char* const kConsoleLineEnd = "\n";

bool RunsUnderWine()
{
    return false;
}

namespace {

std::string NameOf(const std::string& entry)
{
    return entry.substr(0, entry.find('='));
}

std::vector<std::string> ChildEnvironment(const EnvironmentChanges& changes)
{
    std::vector<std::string> entries;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        std::string text(*entry);
        bool replaced = false;
        for (const auto& change : changes) {
            replaced = replaced || NameOf(text) == change.first;
        }
        if (!replaced) {
            entries.push_back(text);
        }
    }
    for (const auto& change : changes) {
        if (change.second) {
            entries.push_back(change.first + "=" + *change.second);
        }
    }
    return entries;
}

} // namespace

StartedProcess StartProcess(const std::string& executable,
                            const std::vector<std::string>& arguments,
                            const EnvironmentChanges& changes)
{
    StartedProcess started;
    std::vector<std::string> environment = ChildEnvironment(changes);
    std::vector<char*> envp;
    for (std::string& entry : environment) {
        envp.push_back(entry.data());
    }
    envp.push_back(nullptr);
    std::vector<std::string> words = {executable};
    words.insert(words.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& word : words) {
        argv.push_back(word.data());
    }
    argv.push_back(nullptr);

    int fds[2];
    if (pipe(fds) != 0) {
        return started;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, fds[0]);
    posix_spawn_file_actions_addclose(&actions, fds[1]);
    pid_t child = 0;
    int spawned =
        posix_spawn(&child, words[0].c_str(), &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    close(fds[1]);
    if (spawned != 0) {
        close(fds[0]);
        return started;
    }
    started.started = true;
    started.process = child;
    started.output = fds[0];
    return started;
}

ProcessResult FinishProcess(StartedProcess& process)
{
    ProcessResult result;
    if (!process.started) {
        return result;
    }
    result.started = true;
    const int output = static_cast<int>(process.output);
    char buffer[4096];
    for (;;) {
        ssize_t count = read(output, buffer, sizeof buffer);
        if (count <= 0) {
            break;
        }
        if (result.output.size() < kMaxProcessOutputBytes) {
            result.output.append(buffer, static_cast<std::size_t>(count));
        }
    }
    close(output);

    int status = 0;
    const pid_t child = static_cast<pid_t>(process.process);
    if (waitpid(child, &status, 0) == child && WIFEXITED(status)) {
        result.exitCode = WEXITSTATUS(status);
    }
    process.started = false;
    return result;
}

void KillProcess(const StartedProcess& process)
{
    if (process.started) {
        (void)kill(static_cast<pid_t>(process.process), SIGKILL); // it may have ended already
    }
}

ProcessResult RunProcess(const std::string& executable, const EnvironmentChanges& changes)
{
    StartedProcess process = StartProcess(executable, {}, changes);
    return FinishProcess(process);
}

void WriteOutputBytes(const std::string& bytes)
{
    for (std::size_t done = 0; done < bytes.size();) {
        const ssize_t written = write(STDOUT_FILENO, bytes.data() + done, bytes.size() - done);
        if (written <= 0) {
            return; // the reader went away: nothing more to pass on
        }
        done += static_cast<std::size_t>(written);
    }
}
