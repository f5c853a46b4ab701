#include "support/process.h"
#include "support/temp_dir.h"

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

// Standard output (fd 1) and error (2) of a child are kept outside its working
// directory, whose content the tests inspect: in a private folder of this test
// program, named after the child, and removed once read. The folder is made
// before the first fork, so that parent and children agree on it.
static const std::string& outputDir() {
    static const std::string dir = [] {
        std::string name = (std::filesystem::temp_directory_path() / "velk_e2e_XXXXXX").string();
        if (!mkdtemp(name.data())) std::abort();
        return name;
    }();
    // Registered after dir is made, so it runs before dir is destroyed.
    static const int removed = std::atexit([] { ::rmdir(outputDir().c_str()); });
    (void)removed;
    return dir;
}

static std::string output(pid_t child, int fd) {
    return outputDir() + "/" + std::to_string(child) + (fd == 1 ? ".out" : ".err");
}

bool waitUntil(const std::function<bool()>& cond, double seconds) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (!cond()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

pid_t startProcess(const ProcessSpec& command) {
    outputDir();
    const pid_t pid = fork();
    if (pid != 0) return pid;
    if (!command.cwd.empty() && chdir(command.cwd.c_str()) != 0) _exit(127);
    for (const auto& [name, value] : command.env)
        value.empty() ? unsetenv(name.c_str()) : setenv(name.c_str(), value.c_str(), 1);
    for (int fd : {1, 2}) {
        const int to = open(output(getpid(), fd).c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (to < 0 || dup2(to, fd) < 0) _exit(127);
    }
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
        kill(pid, SIGKILL);
    else // waitpid reports only a process that exited or was killed by a signal
        r.exitCode = WIFEXITED(status) ? int(static_cast<signed char>(WEXITSTATUS(status)))
                                       : -WTERMSIG(status);
    waitpid(pid, nullptr, 0); // one that was killed
    for (auto [text, fd] : {std::pair{&r.out, 1}, {&r.err, 2}}) {
        *text = readWholeFile(output(pid, fd));
        unlink(output(pid, fd).c_str());
    }
    return r;
}

ProcessResult runProcess(const ProcessSpec& command, double timeoutSeconds) {
    return waitProcess(startProcess(command), timeoutSeconds);
}
