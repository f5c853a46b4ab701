#pragma once
#include <FL/Fl.H>
#include <FL/Fl_Group.H>
#include <FL/Fl_Window.H>

#include <cstring>
#include <functional>
#include <string>

// Helpers for driving modal dialogs from inside their own event loop: the
// test arms a driver, then calls the function that runs the dialog; the
// driver's action runs from a timeout as soon as the dialog's window is
// shown, fills in widgets and presses buttons.

// The first shown window whose label is exactly title (any shown window that
// holds a widget labelled title when byChild is set); null when none.
inline Fl_Window* findShownWindow(const std::string& title, bool byChild = false) {
    for (Fl_Window* w = Fl::first_window(); w; w = Fl::next_window(w)) {
        if (!byChild && w->label() && title == w->label()) return w;
        if (byChild) {
            for (int i = 0; i < w->children(); ++i) {
                const char* l = w->child(i)->label();
                if (l && title == l) return w;
            }
        }
    }
    return nullptr;
}

// The n-th (from 0) direct child of g labelled label, as T; null when none.
template <class T = Fl_Widget> T* childLabelled(Fl_Group* g, const char* label, int n = 0) {
    for (int i = 0; i < g->children(); ++i) {
        const char* l = g->child(i)->label();
        if (l && std::strcmp(l, label) == 0 && n-- == 0) return static_cast<T*>(g->child(i));
    }
    return nullptr;
}

// Runs action once on the window named title (or holding a widget of that
// label) as soon as it is shown. If the action leaves the window open, or the
// window never shows, the driver hides it after a few seconds, so that a
// failing test ends instead of waiting for a user.
class WindowDriver {
  public:
    WindowDriver(std::string title, std::function<void(Fl_Window*)> action, bool byChild = false)
        : title_(std::move(title)), action_(std::move(action)), byChild_(byChild) {
        Fl::add_timeout(0.0, tick, this);
    }
    ~WindowDriver() { Fl::remove_timeout(tick, this); }
    WindowDriver(const WindowDriver&) = delete;
    WindowDriver& operator=(const WindowDriver&) = delete;
    bool ran() const { return ran_; }

  private:
    static void tick(void* p) {
        auto* d = static_cast<WindowDriver*>(p);
        Fl_Window* w = findShownWindow(d->title_, d->byChild_);
        if (w && !d->ran_) {
            d->ran_ = true;
            d->action_(w);
        } else if (w && d->ran_ && ++d->idle_ > 300) {
            w->hide(); // the action did not close it
            return;
        } else if (!w && d->ran_) {
            return;
        } else if (!w && ++d->idle_ > 300) {
            return;
        }
        Fl::repeat_timeout(0.01, tick, p);
    }
    std::string title_;
    std::function<void(Fl_Window*)> action_;
    bool byChild_;
    bool ran_ = false;
    int idle_ = 0;
};
