#include "support/process.h"
#include "support/temp_dir.h"

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

// Standard output and error of a child are kept outside its working directory,
// whose content the tests inspect: in a private folder of this test process,
// removed when the process ends. It is made before the first fork, so that
// parent and child name the same folder.
struct OutputFolder {
    std::string path = (std::filesystem::temp_directory_path() / "velk_e2eXXXXXX").string();
    OutputFolder() {
        if (!mkdtemp(path.data())) path.clear();
    }
    ~OutputFolder() {
        std::error_code ec;
        if (!path.empty()) std::filesystem::remove_all(path, ec);
    }
    std::string file(pid_t pid, const char* kind) const {
        return path + "/" + std::to_string(pid) + kind;
    }
};
const OutputFolder& outputs() {
    static const OutputFolder folder;
    return folder;
}

} // namespace

pid_t startProcess(const ProcessSpec& command) {
    const std::string program = command.program.empty() ? VELK_BINARY : command.program;
    outputs(); // made before the fork
    const pid_t pid = fork();
    if (pid != 0) return pid;
    if (!command.cwd.empty() && chdir(command.cwd.c_str()) != 0) _exit(127);
    for (const auto& [name, value] : command.env)
        value.empty() ? unsetenv(name.c_str()) : setenv(name.c_str(), value.c_str(), 1);
    const int o = open(outputs().file(getpid(), ".out").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const int e = open(outputs().file(getpid(), ".err").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (o < 0 || e < 0 || dup2(o, 1) < 0 || dup2(e, 2) < 0) _exit(127);
    std::vector<char*> argv{const_cast<char*>(program.c_str())};
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
    const auto deadline = std::chrono::steady_clock::now() +
                          std::chrono::milliseconds(long(timeoutSeconds * 1000));
    int status = 0;
    while (waitpid(pid, &status, WNOHANG) != pid) {
        if (std::chrono::steady_clock::now() > deadline) {
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
            status = -1;
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    r.exitCode = status == -1       ? -1000
                 : WIFEXITED(status) ? int(static_cast<signed char>(WEXITSTATUS(status)))
                 : WIFSIGNALED(status) ? -WTERMSIG(status)
                                       : -1000;
    for (auto [text, kind] : {std::pair{&r.out, ".out"}, {&r.err, ".err"}}) {
        *text = readWholeFile(outputs().file(pid, kind));
        unlink(outputs().file(pid, kind).c_str());
    }
    return r;
}

ProcessResult runProcess(const ProcessSpec& command, double timeoutSeconds) {
    return waitProcess(startProcess(command), timeoutSeconds);
}
