#include "support/x_window.h"

#include <X11/Xlib.h>
#include <chrono>
#include <thread>

namespace {

Window findWindow(Display* d, const std::string& title) {
    Window root = DefaultRootWindow(d), parent, *children = nullptr;
    unsigned n = 0;
    Window found = 0;
    if (!XQueryTree(d, root, &root, &parent, &children, &n)) return 0;
    for (unsigned i = 0; i < n && !found; ++i) {
        char* name = nullptr;
        if (XFetchName(d, children[i], &name) && name) {
            if (title == name) found = children[i];
            XFree(name);
        }
    }
    if (children) XFree(children);
    return found;
}

} // namespace

unsigned long waitForWindow(const std::string& title, double timeoutSeconds) {
    Display* d = XOpenDisplay(nullptr);
    if (!d) return 0;
    Window found = 0;
    auto deadline = std::chrono::steady_clock::now() +
                    std::chrono::milliseconds(long(timeoutSeconds * 1000));
    while (!(found = findWindow(d, title)) && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(40));
    XCloseDisplay(d);
    return found;
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
    bool ok = XSendEvent(d, window, False, NoEventMask, &ev) != 0;
    XFlush(d);
    XCloseDisplay(d);
    return ok;
}

unsigned long waitForOtherWindow(unsigned long except, double timeoutSeconds) {
    Display* d = XOpenDisplay(nullptr);
    if (!d) return 0;
    auto deadline = std::chrono::steady_clock::now() +
                    std::chrono::milliseconds(long(timeoutSeconds * 1000));
    Window found = 0;
    while (!found) {
        Window root = DefaultRootWindow(d), parent, *children = nullptr;
        unsigned n = 0;
        if (XQueryTree(d, root, &root, &parent, &children, &n)) {
            for (unsigned i = 0; i < n && !found; ++i) {
                XWindowAttributes a;
                if (children[i] != except && XGetWindowAttributes(d, children[i], &a) &&
                    a.map_state == IsViewable && !a.override_redirect && a.width > 1)
                    found = children[i];
            }
            if (children) XFree(children);
        }
        if (found || std::chrono::steady_clock::now() > deadline) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(40));
    }
    XCloseDisplay(d);
    return found;
}
