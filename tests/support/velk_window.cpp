#include "support/velk_window.h"
#include "support/x_window.h"

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <sstream>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

std::string quoted(const std::string& s) {
    std::string q = "'";
    for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

} // namespace

bool waitUntil(const std::function<bool()>& cond, double seconds) {
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(long(seconds * 1000));
    while (!cond()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

PrivateXServer::PrivateXServer() {
    int fds[2];
    if (pipe(fds) != 0) return;
    pid_ = fork();
    if (pid_ == 0) {
        prctl(PR_SET_PDEATHSIG, SIGTERM); // the server ends with the test, even an aborted one
        close(fds[0]);
        const int devnull = ::open("/dev/null", O_WRONLY);
        dup2(devnull, 1);
        dup2(devnull, 2);
        // -noreset: the server would reset whenever its last client leaves,
        // between two runs of the program, and refuse connections meanwhile.
        execlp("Xvfb", "Xvfb", "-displayfd", std::to_string(fds[1]).c_str(), "-screen", "0",
               "1024x900x24", "-nolisten", "tcp", "-noreset", static_cast<char*>(nullptr));
        _exit(127);
    }
    close(fds[1]);
    // The server writes its display number once it accepts connections.
    std::string number;
    pollfd p{fds[0], POLLIN, 0};
    char c;
    while (pid_ > 0 && poll(&p, 1, 20000) > 0 && read(fds[0], &c, 1) == 1 && c != '\n')
        number += c;
    close(fds[0]);
    if (number.empty()) return;
    display_ = ":" + number;
    setenv("DISPLAY", display_.c_str(), 1); // for xdotool and the window helpers
}

PrivateXServer::~PrivateXServer() {
    if (pid_ <= 0) return;
    ::kill(pid_, SIGTERM);
    int status;
    waitpid(pid_, &status, 0);
}

VelkWindow::VelkWindow(const PrivateXServer& x, ProcessSpec command, const std::string& dataFile)
    : display_(x.display()) {
    command.env["DISPLAY"] = display_;
    pid_ = startProcess(command);
    window_ = ::waitForWindow("Velk: " + dataFile, 20);
    // The pointer is parked off the window: a menu that opens under it would
    // take its item from the pointer instead of from the keys.
    xdo("mousemove 1020 890");
}

VelkWindow::~VelkWindow() {
    if (!ended_ && pid_ > 0) kill();
}

bool VelkWindow::xdo(const std::string& args) const {
    const std::string cmd = "DISPLAY=" + display_ + " xdotool " + args + " >/dev/null 2>&1";
    return std::system(cmd.c_str()) == 0;
}

void VelkWindow::keysTo(unsigned long window, const std::string& names) {
    xdo("windowfocus --sync " + std::to_string(window) + " key " + names);
}

void VelkWindow::typeTo(unsigned long window, const std::string& text) {
    xdo("windowfocus --sync " + std::to_string(window) + " type " + quoted(text));
}

// The pointer is moved without --sync, which would wait in vain while the
// pointer already stands there; the server handles the move before the click.
void VelkWindow::clickIn(unsigned long window, int x, int y, int count) {
    xdo("mousemove --window " + std::to_string(window) + " " + std::to_string(x) + " " +
        std::to_string(y) + " click --repeat " + std::to_string(count) + " --delay 80 1");
}

void VelkWindow::keys(const std::string& names) { keysTo(window_, names); }

bool VelkWindow::menu(const std::string& names) {
    std::vector<unsigned long> before = shownPopups();
    keys("alt+m");
    bool opened = waitForNewPopup(before);
    std::istringstream in(names);
    for (std::string key; opened && in >> key;) {
        const bool opens = key.ends_with('+');
        before = shownPopups();
        opened = xdo("key " + key.substr(0, key.size() - opens)) && (!opens || waitForNewPopup(before));
    }
    return opened;
}
void VelkWindow::type(const std::string& text) { typeTo(window_, text); }
void VelkWindow::click(int x, int y, int count) { clickIn(window_, x, y, count); }

unsigned long VelkWindow::waitForWindow(const std::string& title, double seconds) const {
    return ::waitForWindow(title, seconds);
}

unsigned long VelkWindow::waitForDialog(double seconds) const {
    return ::waitForOtherWindow(window_, seconds);
}

bool VelkWindow::waitUntilClosed(unsigned long dialog, double seconds) const {
    return ::waitForWindowGone(dialog, seconds);
}

void VelkWindow::screenshot(const std::string& file) const {
    const std::string cmd =
        "DISPLAY=" + display_ + " import -window root " + quoted(file) + " >/dev/null 2>&1";
    if (std::system(cmd.c_str()) != 0) std::fprintf(stderr, "no screenshot %s\n", file.c_str());
}

ProcessResult VelkWindow::quit(double seconds) {
    keys("ctrl+q");
    return waitForEnd(seconds);
}

ProcessResult VelkWindow::waitForEnd(double seconds) {
    ended_ = true;
    return waitProcess(pid_, seconds);
}

ProcessResult VelkWindow::kill() {
    ::kill(pid_, SIGKILL);
    ended_ = true;
    return waitProcess(pid_, 10);
}

bool VelkWindow::running() const { return !ended_ && processRunning(pid_); }
