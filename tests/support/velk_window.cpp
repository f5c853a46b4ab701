#include "support/velk_window.h"

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <gtest/gtest.h>
#include <poll.h>
#include <sstream>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>
// Last: the X headers define macros that clash with other headers.
#include <X11/Xlib.h>

namespace {

std::string shellQuoted(const std::string& s) {
    std::string q = "'";
    for (char c : s)
        q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

// The shown top-level windows that match, polled until at least one matches
// or timeoutSeconds have passed. Popups (menus) are looked at only when asked
// for, other windows only when not.
std::vector<Window> pollWindows(const std::function<bool(Display*, Window)>& matches,
                                double timeoutSeconds, bool popup = false) {
    // A window destroyed between the listing and the question is an error
    // that the default handler would end the test process for.
    XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
    std::vector<Window> found;
    Display* d = XOpenDisplay(nullptr);
    if (!d) return found;
    const auto listed = [&] {
        found.clear();
        Window root = DefaultRootWindow(d), parent, *children = nullptr;
        unsigned n = 0;
        if (XQueryTree(d, root, &root, &parent, &children, &n))
            for (unsigned i = 0; i < n; ++i) {
                XWindowAttributes a;
                if (XGetWindowAttributes(d, children[i], &a) && a.map_state == IsViewable &&
                    bool(a.override_redirect) == popup && a.width > 1 && matches(d, children[i]))
                    found.push_back(children[i]);
            }
        if (children) XFree(children);
        return !found.empty();
    };
    waitUntil(listed, timeoutSeconds);
    XCloseDisplay(d);
    return found;
}

} // namespace

unsigned long waitForWindow(const std::string& title, double timeoutSeconds) {
    const auto named = [&title](Display* d, Window w) {
        char* name = nullptr;
        // The title, or the title with a state after it ("Velk: FILE (synced 10:42)").
        const bool same = XFetchName(d, w, &name) && name &&
                          (title == name || std::string(name).rfind(title + " (", 0) == 0);
        if (name) XFree(name);
        return same;
    };
    const std::vector<Window> found = pollWindows(named, timeoutSeconds);
    return found.empty() ? 0 : found[0];
}

bool waitForWindowGone(unsigned long window, double timeoutSeconds) {
    const auto shown = [window](Display*, Window w) { return w == window; };
    return waitUntil([&] { return pollWindows(shown, 0).empty(); }, timeoutSeconds);
}

bool askWindowToClose(unsigned long window) {
    Display* d = XOpenDisplay(nullptr);
    if (!d) return false;
    XEvent ev{};
    ev.xclient = {
        ClientMessage, 0, False, d, window, XInternAtom(d, "WM_PROTOCOLS", False), 32, {}};
    ev.xclient.data.l[0] = long(XInternAtom(d, "WM_DELETE_WINDOW", False));
    const bool ok = XSendEvent(d, window, False, NoEventMask, &ev) != 0;
    XCloseDisplay(d); // flushes the event
    return ok;
}

PrivateXServer::PrivateXServer() {
    int fds[2];
    if (pipe(fds) != 0) return;
    pid_ = fork();
    if (pid_ == 0) {
        prctl(PR_SET_PDEATHSIG, SIGTERM); // the server ends with the test, even an aborted one
        close(fds[0]);
        std::freopen("/dev/null", "w", stdout);
        std::freopen("/dev/null", "w", stderr);
        // -noreset: the server would reset whenever its last client leaves,
        // between two runs of the program, and refuse connections meanwhile.
        execlp("Xvfb", "Xvfb", "-displayfd", std::to_string(fds[1]).c_str(), "-screen", "0",
               "1024x900x24", "-nolisten", "tcp", "-noreset", static_cast<char*>(nullptr));
        _exit(127);
    }
    close(fds[1]);
    // The server writes its display number once it accepts connections; a
    // server that fails ends, and the pipe with it.
    FILE* in = fdopen(fds[0], "r");
    int number = -1;
    pollfd ready{fds[0], POLLIN, 0};
    if (pid_ > 0 && poll(&ready, 1, 20000) > 0 && std::fscanf(in, "%d", &number) == 1)
        display_ = ":" + std::to_string(number);
    std::fclose(in);
    // For the program, xdotool and the window helpers.
    if (!display_.empty()) setenv("DISPLAY", display_.c_str(), 1);
}

PrivateXServer::~PrivateXServer() {
    if (pid_ <= 0) return;
    ::kill(pid_, SIGTERM);
    waitpid(pid_, nullptr, 0);
}

VelkWindow::VelkWindow(const ProcessSpec& command, const std::string& dataFile)
    : picture_(dataFile + ".failure.png"), pid_(startProcess(command)),
      window_(::waitForWindow("Velk: " + dataFile, 20)) {
    // The pointer is parked off the window: a menu that opens under it would
    // take its item from the pointer instead of from the keys.
    xdo("mousemove 1020 890");
}

void VelkWindow::typeTo(unsigned long window, const std::string& text) {
    xdo(focus(window) + " type " + shellQuoted(text));
}

void VelkWindow::clickIn(unsigned long window, int x, int y) {
    const std::string at = std::to_string(x) + " " + std::to_string(y);
    xdo("mousemove --window " + std::to_string(window) + " " + at + " click 1");
}

bool VelkWindow::menu(const std::string& names) {
    std::istringstream in("alt+m+ " + names);
    bool opened = true;
    for (std::string key, to = focus(window_) + " "; opened && in >> key; to = "") {
        const bool opens = key.ends_with('+');
        const auto before = pollWindows([](Display*, Window) { return true; }, 0, true);
        const auto isNew = [&](Display*, Window w) {
            return std::ranges::find(before, w) == before.end();
        };
        const std::string pressed = to + "key " + key.substr(0, key.size() - opens);
        opened = xdo(pressed) && (!opens || !pollWindows(isNew, 10, true).empty());
    }
    return opened;
}

VelkWindow::~VelkWindow() {
    const std::string shoot = "import -window root " + shellQuoted(picture_) + " >/dev/null 2>&1";
    if (testing::Test::HasFailure() && !ended_ && std::system(shoot.c_str()) != 0)
        std::fprintf(stderr, "no picture %s\n", picture_.c_str());
    kill();
}

ProcessResult VelkWindow::kill() {
    if (ended_ || pid_ <= 0) return {};
    ::kill(pid_, SIGKILL);
    return waitForEnd(10);
}
