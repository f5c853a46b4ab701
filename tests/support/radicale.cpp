#include "support/radicale.h"

#include <arpa/inet.h>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

// A port that nobody listens on now, as the kernel hands one out.
int freePort() {
    const int s = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof a;
    int port = 0;
    if (s >= 0 && ::bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 &&
        ::getsockname(s, reinterpret_cast<sockaddr*>(&a), &len) == 0)
        port = ntohs(a.sin_port);
    if (s >= 0) ::close(s);
    return port;
}

bool accepts(int port) {
    const int s = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = htons(uint16_t(port));
    const bool ok = s >= 0 && ::connect(s, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
    if (s >= 0) ::close(s);
    return ok;
}

} // namespace

RadicaleServer::RadicaleServer(const std::string& password) {
    port_ = freePort();
    const std::string config = dir.file("config"), users = dir.file("users");
    writeWholeFile(users, "velk:" + password + "\n");
    const std::string auth = password.empty() ? "none"
                                              : "htpasswd\nhtpasswd_filename = " + users +
                                                    "\nhtpasswd_encryption = plain";
    writeWholeFile(config, "[server]\nhosts = 127.0.0.1:" + std::to_string(port_) +
                               "\n[auth]\ntype = " + auth + "\n[rights]\ntype = owner_only\n"
                               "[storage]\nfilesystem_folder = " +
                               storage() + "\n[web]\ntype = none\n[logging]\nlevel = warning\n");
    start();
}

void RadicaleServer::start() {
    const std::string config = dir.file("config"), log = dir.file("log");
    ready = false;
    pid = ::fork();
    if (pid == 0) {
        // It ends with the test, even one killed before it could stop it.
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        const int fd = ::open(log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);
        if (fd >= 0) ::dup2(fd, 1), ::dup2(fd, 2);
        // Only its own configuration: no system-wide or user file.
        ::setenv("RADICALE_CONFIG", "", 1);
        ::execlp("radicale", "radicale", "-C", config.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    for (int i = 0; pid > 0 && i < 1500; ++i) {
        if (accepts(port_)) {
            ready = true;
            break;
        }
        int status;
        if (::waitpid(pid, &status, WNOHANG) == pid) {
            pid = -1;
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

RadicaleServer::~RadicaleServer() { stop(); }

void RadicaleServer::restart() {
    stop();
    start();
}

void RadicaleServer::stop() {
    if (pid <= 0) return;
    ::kill(pid, SIGTERM);
    for (int i = 0; i < 500; ++i) {
        int status;
        if (::waitpid(pid, &status, WNOHANG) == pid) {
            pid = -1;
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ::kill(pid, SIGKILL);
    int status;
    ::waitpid(pid, &status, 0);
    pid = -1;
}

std::string RadicaleServer::url() const {
    return "http://127.0.0.1:" + std::to_string(port_) + "/";
}

#ifdef VELK_FAULT_PROXY
FaultProxy::FaultProxy(int upstreamPort) {
    writeWholeFile(dir.file("rules"), "");
    writeWholeFile(dir.file("log"), "");
    const std::string portFile = dir.file("port");
    pid = ::fork();
    if (pid == 0) {
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        const int fd = ::open(dir.file("stderr").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (fd >= 0) ::dup2(fd, 2);
        ::execl("/usr/bin/python3", "python3", VELK_FAULT_PROXY,
                std::to_string(upstreamPort).c_str(), portFile.c_str(), dir.file("rules").c_str(),
                dir.file("log").c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    for (int i = 0; pid > 0 && i < 1000 && port_ == 0; ++i) {
        if (::access(portFile.c_str(), F_OK) == 0)
            port_ = std::stoi(readWholeFile(portFile));
        else
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

FaultProxy::~FaultProxy() {
    if (pid <= 0) return;
    ::kill(pid, SIGKILL);
    int status;
    ::waitpid(pid, &status, 0);
}
#endif
