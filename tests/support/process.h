#pragma once
#include <functional>
#include <map>
#include <string>
#include <sys/types.h>
#include <vector>

// Runs the built velk program as a user would, for end-to-end tests.

struct ProcessResult {
    int exitCode = -1000; // the exit status, or -signal when killed by a signal
    std::string out, err;
};

struct ProcessSpec {
    std::vector<std::string> args; // without the program name
    std::string cwd;
    std::map<std::string, std::string> env; // set (or, with an empty value, unset)
};

// Starts the program; its standard output and error are collected by waitProcess.
pid_t startProcess(const ProcessSpec& command);
// Waits at most timeoutSeconds; a process still running then is killed and
// reported with exit code -1000.
ProcessResult waitProcess(pid_t pid, double timeoutSeconds);
// startProcess and waitProcess in one.
ProcessResult runProcess(const ProcessSpec& command, double timeoutSeconds = 30);

// Polls cond every 20 ms for up to seconds; true as soon as it holds.
bool waitUntil(const std::function<bool()>& cond, double seconds = 10);
