#include "support/x_window.h"

#include <X11/Xlib.h>
#include <chrono>
#include <functional>
#include <thread>

namespace {

// The first shown top-level window that matches, polled every 20 ms until
// timeoutSeconds have passed; 0 when none matches by then. Popups (menus) are
// looked at only when asked for, other windows only when not.
Window pollWindows(const std::function<bool(Display*, Window)>& matches, double timeoutSeconds,
                   bool popup = false) {
    // A window destroyed between the listing and the question is an error
    // that the default handler would end the test process for.
    XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
    Display* d = XOpenDisplay(nullptr);
    if (!d) return 0;
    const auto deadline = std::chrono::steady_clock::now() +
                          std::chrono::milliseconds(long(timeoutSeconds * 1000));
    Window found = 0;
    for (;;) {
        Window root = DefaultRootWindow(d), parent, *children = nullptr;
        unsigned n = 0;
        if (XQueryTree(d, root, &root, &parent, &children, &n))
            for (unsigned i = 0; i < n && !found; ++i) {
                XWindowAttributes a;
                if (XGetWindowAttributes(d, children[i], &a) && a.map_state == IsViewable &&
                    bool(a.override_redirect) == popup && a.width > 1 && matches(d, children[i]))
                    found = children[i];
            }
        if (children) XFree(children);
        if (found || std::chrono::steady_clock::now() > deadline) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    XCloseDisplay(d);
    return found;
}

} // namespace

unsigned long waitForWindow(const std::string& title, double timeoutSeconds) {
    return pollWindows(
        [&title](Display* d, Window w) {
            char* name = nullptr;
            const bool same = XFetchName(d, w, &name) && name && title == name;
            if (name) XFree(name);
            return same;
        },
        timeoutSeconds);
}

unsigned long waitForOtherWindow(unsigned long except, double timeoutSeconds) {
    return pollWindows([except](Display*, Window w) { return w != except; }, timeoutSeconds);
}

bool waitForPopup(double timeoutSeconds) {
    return pollWindows([](Display*, Window) { return true; }, timeoutSeconds, true) != 0;
}

bool waitForWindowGone(unsigned long window, double timeoutSeconds) {
    const auto deadline = std::chrono::steady_clock::now() +
                          std::chrono::milliseconds(long(timeoutSeconds * 1000));
    while (pollWindows([window](Display*, Window w) { return w == window; }, 0)) {
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
