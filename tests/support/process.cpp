#include "support/process.h"
#include "support/temp_dir.h"

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

// Standard output and error of a child are kept outside its working directory,
// whose content the tests inspect: in the temporary folder, named after this
// test process and the child, and removed once read.
static std::string output(pid_t parent, pid_t child, const char* kind) {
    return std::filesystem::temp_directory_path().string() + "/velk_e2e_" + std::to_string(parent) +
           "_" + std::to_string(child) + kind;
}

bool waitUntil(const std::function<bool()>& cond, double seconds) {
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(long(seconds * 1000));
    while (!cond()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

pid_t startProcess(const ProcessSpec& command) {
    const pid_t pid = fork();
    if (pid != 0) return pid;
    if (!command.cwd.empty() && chdir(command.cwd.c_str()) != 0) _exit(127);
    for (const auto& [name, value] : command.env)
        value.empty() ? unsetenv(name.c_str()) : setenv(name.c_str(), value.c_str(), 1);
    const int o =
        open(output(getppid(), getpid(), ".out").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const int e =
        open(output(getppid(), getpid(), ".err").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (o < 0 || e < 0 || dup2(o, 1) < 0 || dup2(e, 2) < 0) _exit(127);
    std::vector<char*> argv{const_cast<char*>(VELK_BINARY)};
    for (const std::string& a : command.args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    execv(VELK_BINARY, argv.data());
    _exit(127);
}

ProcessResult waitProcess(pid_t pid, double timeoutSeconds) {
    if (pid <= 0) return {};
    ProcessResult r;
    int status = 0;
    if (!waitUntil([&] { return waitpid(pid, &status, WNOHANG) == pid; }, timeoutSeconds))
        kill(pid, SIGKILL), waitpid(pid, &status, 0);
    else // waitpid reports only a process that exited or was killed by a signal
        r.exitCode = WIFEXITED(status) ? int(static_cast<signed char>(WEXITSTATUS(status)))
                                       : -WTERMSIG(status);
    for (auto [text, kind] : {std::pair{&r.out, ".out"}, {&r.err, ".err"}}) {
        *text = readWholeFile(output(getpid(), pid, kind));
        unlink(output(getpid(), pid, kind).c_str());
    }
    return r;
}

ProcessResult runProcess(const ProcessSpec& command, double timeoutSeconds) {
    return waitProcess(startProcess(command), timeoutSeconds);
}
