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

#ifndef VELK_BINARY
#define VELK_BINARY "velk"
#endif

namespace {

// Standard output and error of a child are kept outside its working directory,
// whose content the tests inspect: in a private folder of this test process,
// removed when the process ends. It is made before the first fork, so that
// parent and child name the same folder.
const std::string& outputFolder() {
    static const struct Folder {
        std::string path;
        Folder() {
            std::string pattern =
                (std::filesystem::temp_directory_path() / "velk_e2eXXXXXX").string();
            if (mkdtemp(pattern.data())) path = pattern;
        }
        ~Folder() {
            std::error_code ec;
            if (!path.empty()) std::filesystem::remove_all(path, ec);
        }
    } folder;
    return folder.path;
}
std::string outFile(pid_t pid) { return outputFolder() + "/" + std::to_string(pid) + ".out"; }
std::string errFile(pid_t pid) { return outputFolder() + "/" + std::to_string(pid) + ".err"; }

int statusToCode(int status) {
    if (WIFEXITED(status)) return int(static_cast<signed char>(WEXITSTATUS(status)));
    if (WIFSIGNALED(status)) return -WTERMSIG(status);
    return -1000;
}

} // namespace

pid_t startProcess(const ProcessSpec& command) {
    std::string program = command.program.empty() ? VELK_BINARY : command.program;
    // VELK_TEST_PROGRAM runs the end-to-end tests against another build.
    if (command.program.empty() && std::getenv("VELK_TEST_PROGRAM"))
        program = std::getenv("VELK_TEST_PROGRAM");
    outputFolder(); // made before the fork; a child without it exits with 127
    pid_t pid = fork();
    if (pid != 0) return pid;
    std::string out = outFile(getpid()), err = errFile(getpid());
    if (!command.cwd.empty() && chdir(command.cwd.c_str()) != 0) _exit(127);
    for (const auto& [name, value] : command.env) {
        if (value.empty()) unsetenv(name.c_str());
        else setenv(name.c_str(), value.c_str(), 1);
    }
    int o = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    int e = open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (o < 0 || e < 0) _exit(127);
    dup2(o, 1);
    dup2(e, 2);
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& a : command.args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    execv(program.c_str(), argv.data());
    _exit(127);
}

bool processRunning(pid_t pid) {
    int status;
    return waitpid(pid, &status, WNOHANG) == 0;
}

ProcessResult waitProcess(pid_t pid, double timeoutSeconds) {
    ProcessResult r;
    auto deadline = std::chrono::steady_clock::now() +
                    std::chrono::milliseconds(long(timeoutSeconds * 1000));
    int status = 0;
    for (;;) {
        pid_t done = waitpid(pid, &status, WNOHANG);
        if (done == pid) {
            r.exitCode = statusToCode(status);
            break;
        }
        if (std::chrono::steady_clock::now() > deadline) {
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
            r.exitCode = -1000;
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    r.out = readWholeFile(outFile(pid));
    r.err = readWholeFile(errFile(pid));
    unlink(outFile(pid).c_str());
    unlink(errFile(pid).c_str());
    return r;
}

ProcessResult runProcess(const ProcessSpec& command, double timeoutSeconds) {
    return waitProcess(startProcess(command), timeoutSeconds);
}
