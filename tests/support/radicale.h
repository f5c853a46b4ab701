#pragma once
#include "support/temp_dir.h"

#include <string>
#include <sys/types.h>

// A real CalDAV server for a test: Debian's Radicale as a child process with
// a configuration of its own (127.0.0.1 on a free port, no authentication,
// its collections in a temporary folder), stopped by its PID.
class RadicaleServer {
  public:
    // Starts it and waits until it takes connections (at most 15 s).
    RadicaleServer();
    // SIGTERM, then SIGKILL when it has not ended after 5 s.
    ~RadicaleServer();
    RadicaleServer(const RadicaleServer&) = delete;
    RadicaleServer& operator=(const RadicaleServer&) = delete;

    bool running() const { return pid > 0 && ready; }
    // "http://127.0.0.1:PORT/"
    std::string url() const;
    // The folder where it keeps the collections.
    std::string storage() const { return dir.file("collections"); }
    // What it wrote to standard output and standard error.
    std::string log() const { return readWholeFile(dir.file("log")); }

  private:
    TempDir dir;
    pid_t pid = -1;
    int port = 0;
    bool ready = false;
};
