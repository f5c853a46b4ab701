#include "support/velk_window.h"
#include "support/x_window.h"

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <cstdio>
#include <cstdlib>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

std::string quoted(const std::string& s) {
    std::string q = "'";
    for (char c : s) {
        if (c == '\'') q += "'\\''";
        else q += c;
    }
    return q + "'";
}

void pause(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

} // namespace

bool waitUntil(const std::function<bool()>& cond, double seconds) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(long(seconds * 1000));
    while (!cond()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        pause(50);
    }
    return true;
}

PrivateXServer::PrivateXServer() {
    int fds[2];
    if (pipe(fds) != 0) return;
    pid_ = fork();
    if (pid_ == 0) {
        // The server ends with the test, even when the test aborts.
        prctl(PR_SET_PDEATHSIG, SIGTERM);
        close(fds[0]);
        std::string fd = std::to_string(fds[1]);
        int devnull = ::open("/dev/null", O_WRONLY);
        if (devnull >= 0) {
            dup2(devnull, 1);
            dup2(devnull, 2);
        }
        execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1024x900x24",
               "-nolisten", "tcp", static_cast<char*>(nullptr));
        _exit(127);
    }
    close(fds[1]);
    if (pid_ < 0) {
        close(fds[0]);
        return;
    }
    // The server writes its display number once it accepts connections.
    std::string number;
    pollfd p{fds[0], POLLIN, 0};
    while (poll(&p, 1, 20000) > 0) {
        char c;
        if (read(fds[0], &c, 1) != 1 || c == '\n') break;
        number += c;
    }
    close(fds[0]);
    if (number.empty()) return;
    display_ = ":" + number;
    setenv("DISPLAY", display_.c_str(), 1); // for xdotool and the window helpers
}

PrivateXServer::~PrivateXServer() {
    if (pid_ > 0) {
        ::kill(pid_, SIGTERM);
        int status;
        waitpid(pid_, &status, 0);
    }
}

VelkWindow::VelkWindow(const PrivateXServer& x, ProcessSpec command, const std::string& dataFile)
    : display_(x.display()) {
    command.env["DISPLAY"] = display_;
    pid_ = startProcess(command);
    window_ = ::waitForWindow("Velk: " + dataFile, 20);
    if (window_) settle();
}

VelkWindow::~VelkWindow() {
    if (!ended_ && pid_ > 0) kill();
}

bool VelkWindow::xdo(const std::string& args) const {
    std::string cmd = "DISPLAY=" + display_ + " xdotool " + args + " >/dev/null 2>&1";
    return std::system(cmd.c_str()) == 0;
}

// Gives the program time to handle what was sent and to redraw.
void VelkWindow::settle() const { pause(350); }

void VelkWindow::keysTo(unsigned long window, const std::string& names) {
    xdo("windowfocus --sync " + std::to_string(window) + " key --delay 60 " + names);
    settle();
}

void VelkWindow::typeTo(unsigned long window, const std::string& text) {
    xdo("windowfocus --sync " + std::to_string(window) + " type --delay 30 " + quoted(text));
    settle();
}

void VelkWindow::clickIn(unsigned long window, int x, int y, int count) {
    xdo("mousemove --sync --window " + std::to_string(window) + " " + std::to_string(x) + " " +
        std::to_string(y) + " click --repeat " + std::to_string(count) + " --delay 80 1");
    settle();
}

void VelkWindow::keys(const std::string& names) { keysTo(window_, names); }
void VelkWindow::type(const std::string& text) { typeTo(window_, text); }
void VelkWindow::click(int x, int y, int count) { clickIn(window_, x, y, count); }

unsigned long VelkWindow::waitForWindow(const std::string& title, double seconds) const {
    unsigned long w = ::waitForWindow(title, seconds);
    if (w) settle();
    return w;
}

unsigned long VelkWindow::waitForDialog(double seconds) const {
    unsigned long w = ::waitForOtherWindow(window_, seconds);
    if (w) settle();
    return w;
}

void VelkWindow::screenshot(const std::string& file) const {
    std::string cmd = "DISPLAY=" + display_ + " import -window root " + quoted(file) + " >/dev/null 2>&1";
    if (std::system(cmd.c_str()) != 0) std::fprintf(stderr, "no screenshot %s\n", file.c_str());
}

ProcessResult VelkWindow::quit(double seconds) {
    keys("ctrl+q");
    ended_ = true;
    return waitProcess(pid_, seconds);
}

ProcessResult VelkWindow::kill() {
    ::kill(pid_, SIGKILL);
    ended_ = true;
    return waitProcess(pid_, 10);
}

bool VelkWindow::running() const { return !ended_ && processRunning(pid_); }
