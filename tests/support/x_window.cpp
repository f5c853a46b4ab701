#include "support/x_window.h"

#include <X11/Xlib.h>
#include <algorithm>
#include <chrono>
#include <functional>
#include <thread>
#include <vector>

namespace {

// The shown top-level windows that match, polled every 20 ms until at least
// want match or timeoutSeconds have passed. Popups (menus) are looked at only
// when asked for, other windows only when not.
std::vector<Window> pollWindows(const std::function<bool(Display*, Window)>& matches,
                                double timeoutSeconds, bool popup = false, std::size_t want = 1) {
    // A window destroyed between the listing and the question is an error
    // that the default handler would end the test process for.
    XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
    std::vector<Window> found;
    Display* d = XOpenDisplay(nullptr);
    if (!d) return found;
    const auto deadline = std::chrono::steady_clock::now() +
                          std::chrono::milliseconds(long(timeoutSeconds * 1000));
    for (;;) {
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
        if (found.size() >= want || std::chrono::steady_clock::now() > deadline) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    XCloseDisplay(d);
    return found;
}

Window firstOf(const std::vector<Window>& windows) { return windows.empty() ? 0 : windows[0]; }

} // namespace

unsigned long waitForWindow(const std::string& title, double timeoutSeconds) {
    return firstOf(pollWindows(
        [&title](Display* d, Window w) {
            char* name = nullptr;
            const bool same = XFetchName(d, w, &name) && name && title == name;
            if (name) XFree(name);
            return same;
        },
        timeoutSeconds));
}

unsigned long waitForOtherWindow(unsigned long except, double timeoutSeconds) {
    return firstOf(pollWindows([except](Display*, Window w) { return w != except; }, timeoutSeconds));
}

std::vector<unsigned long> shownPopups() {
    const auto all = [](Display*, Window) { return true; };
    const std::vector<Window> shown = pollWindows(all, 0, true, 0);
    return std::vector<unsigned long>(shown.begin(), shown.end());
}

bool waitForNewPopup(const std::vector<unsigned long>& before, double timeoutSeconds) {
    const auto isNew = [&before](Display*, Window w) {
        return std::find(before.begin(), before.end(), w) == before.end();
    };
    return !pollWindows(isNew, timeoutSeconds, true).empty();
}

bool waitForWindowGone(unsigned long window, double timeoutSeconds) {
    const auto deadline = std::chrono::steady_clock::now() +
                          std::chrono::milliseconds(long(timeoutSeconds * 1000));
    while (!pollWindows([window](Display*, Window w) { return w == window; }, 0).empty()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

bool askWindowToClose(unsigned long window) {
    Display* d = XOpenDisplay(nullptr);
    if (!d) return false;
    XEvent ev{};
    ev.xclient.type = ClientMessage;
    ev.xclient.window = window;
    ev.xclient.message_type = XInternAtom(d, "WM_PROTOCOLS", False);
    ev.xclient.format = 32;
    ev.xclient.data.l[0] = long(XInternAtom(d, "WM_DELETE_WINDOW", False));
    ev.xclient.data.l[1] = CurrentTime;
    const bool ok = XSendEvent(d, window, False, NoEventMask, &ev) != 0;
    XFlush(d);
    XCloseDisplay(d);
    return ok;
}
