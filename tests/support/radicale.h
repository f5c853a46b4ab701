#pragma once
#include "support/temp_dir.h"

#include <string>
#include <sys/types.h>

// A real CalDAV server for a test: Debian's Radicale as a child process with
// a configuration of its own (127.0.0.1 on a free port, no authentication,
// its collections in a temporary folder), stopped by its PID.
class RadicaleServer {
  public:
    // Starts it and waits until it takes connections (at most 15 s). With a
    // password, only the user "velk" with that password gets in.
    explicit RadicaleServer(const std::string& password = std::string());
    // SIGTERM, then SIGKILL when it has not ended after 5 s.
    ~RadicaleServer();
    RadicaleServer(const RadicaleServer&) = delete;
    RadicaleServer& operator=(const RadicaleServer&) = delete;

    bool running() const { return pid > 0 && ready; }
    pid_t processId() const { return pid; }
    // Starts it again after it was killed: the same port, the same collections.
    void restart();
    // "http://127.0.0.1:PORT/"
    std::string url() const;
    int port() const { return port_; }
    // The folder where it keeps the collections.
    std::string storage() const { return dir.file("collections"); }
    // What it wrote to standard output and standard error.
    std::string log() const { return readWholeFile(dir.file("log")); }

  private:
    void start();
    void stop();
    TempDir dir;
    pid_t pid = -1;
    int port_ = 0;
    bool ready = false;
};

// The fault proxy (tests/sync/fault_proxy.py) in front of a server: it
// forwards every request, logs it, and kills a process or answers a status
// itself at the request its rules name. Stopped by its PID.
class FaultProxy {
  public:
    explicit FaultProxy(int upstreamPort);
    ~FaultProxy();
    FaultProxy(const FaultProxy&) = delete;
    FaultProxy& operator=(const FaultProxy&) = delete;

    bool running() const { return port_ != 0; }
    std::string url() const { return "http://127.0.0.1:" + std::to_string(port_) + "/"; }
    // Replaces the rules (lines "METHOD N kill PIDFILE" or "METHOD N status CODE").
    void rules(const std::string& text) { writeWholeFile(dir.file("rules"), text); }
    // The requests forwarded since the last clearLog, one "METHOD PATH STATUS" each.
    std::string log() const { return readWholeFile(dir.file("log")); }
    void clearLog() { writeWholeFile(dir.file("log"), ""); }
    // A file for the PID of the process a kill rule names.
    std::string pidFile() const { return dir.file("pid"); }

  private:
    TempDir dir;
    pid_t pid = -1;
    int port_ = 0;
};
