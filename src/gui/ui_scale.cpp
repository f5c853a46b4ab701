#include "gui/ui_scale.h"

#include <FL/Fl.H>
#include <FL/Fl_Browser_.H>
#include <FL/Fl_Group.H>
#include <FL/Fl_Input_.H>
#include <FL/Fl_Menu_.H>
#include <FL/Fl_Menu_Item.H>
#include <FL/Fl_Text_Display.H>
#include <FL/Fl_Window.H>
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <typeinfo>

#include <FL/x.H> // last: it brings the X headers

namespace {

double factor = 1.0;

// The text size of the widgets that have one (inputs, menus, browsers, text
// editors); -1 for the others.
int textSizeOf(Fl_Widget* w) {
    if (auto* i = dynamic_cast<Fl_Input_*>(w)) return i->textsize();
    if (auto* m = dynamic_cast<Fl_Menu_*>(w)) return m->textsize();
    if (auto* b = dynamic_cast<Fl_Browser_*>(w)) return b->textsize();
    if (auto* t = dynamic_cast<Fl_Text_Display*>(w)) return t->textsize();
    return -1;
}
void setTextSizeOf(Fl_Widget* w, int size) {
    if (auto* i = dynamic_cast<Fl_Input_*>(w)) i->textsize(size);
    if (auto* m = dynamic_cast<Fl_Menu_*>(w)) m->textsize(size);
    if (auto* b = dynamic_cast<Fl_Browser_*>(w)) b->textsize(size);
    if (auto* t = dynamic_cast<Fl_Text_Display*>(w)) t->textsize(size);
}

// A group whose children the window lays out itself. Groups made of parts
// of their own (a browser's scroll bars, a text editor's) lay those out in
// their resize and are scaled as one widget.
bool isContainer(Fl_Widget* w) {
    return w->as_window() || typeid(*w) == typeid(Fl_Group);
}

// The label sizes of menu entries: menu tables are static and shared, so
// each entry's size at factor 1 is kept by the entry's address. A size that
// differs from the one last shown belongs to a new table at that address.
struct MenuEntrySize {
    int base, shown;
};
std::unordered_map<const Fl_Menu_Item*, MenuEntrySize>& menuEntrySizes() {
    static std::unordered_map<const Fl_Menu_Item*, MenuEntrySize> sizes;
    return sizes;
}
void scaleMenuEntries(Fl_Menu_* m) {
    const Fl_Menu_Item* items = m->menu();
    if (!items) return;
    const int n = m->size(); // the entries and their ends
    for (int i = 0; i < n; ++i) {
        Fl_Menu_Item& item = const_cast<Fl_Menu_Item&>(items[i]);
        if (!item.label()) continue;
        auto found = menuEntrySizes().find(&item);
        if (found == menuEntrySizes().end() || found->second.shown != item.labelsize())
            found =
                menuEntrySizes().insert_or_assign(&item, MenuEntrySize{item.labelsize(), 0}).first;
        found->second.shown = scaled(found->second.base);
        item.labelsize(found->second.shown);
    }
}

// Places w at the factor: the edges of a box are scaled, so that widgets
// that touch at factor 1 touch at every factor.
void place(Fl_Widget* w, const int base[4], int shown[4]) {
    shown[0] = scaled(base[0]);
    shown[1] = scaled(base[1]);
    shown[2] = scaled(base[0] + base[2]) - shown[0];
    shown[3] = scaled(base[1] + base[3]) - shown[1];
    if (isContainer(w) && !w->as_window()) {
        // The children are placed one by one: the group must not move them.
        Fl_Group* g = w->as_group();
        g->Fl_Widget::resize(shown[0], shown[1], shown[2], shown[3]);
        g->init_sizes();
    } else {
        w->resize(shown[0], shown[1], shown[2], shown[3]);
    }
}

} // namespace

double uiScale() {
    return factor;
}

double roundToQuarter(double s) {
    return std::round(s / UI_SCALE_STEP) * UI_SCALE_STEP;
}

double setUiScale(double s) {
    factor = std::clamp(roundToQuarter(s), UI_SCALE_MIN, UI_SCALE_MAX);
    return factor;
}

int scaled(int n) {
    return int(std::lround(n * factor));
}

int unscaled(int n) {
    return int(std::lround(n / factor));
}

double desktopScale(const char* gdkScale, const char* xResources) {
    double s = 0;
    if (gdkScale && *gdkScale) {
        char* end = nullptr;
        s = std::strtod(gdkScale, &end);
        if (*end != '\0') s = 0;
    }
    if (!(s > 0) && xResources) {
        // One resource per line, "Xft.dpi:\t144".
        for (const char* line = xResources; line && *line;) {
            const char* next = std::strchr(line, '\n');
            if (std::strncmp(line, "Xft.dpi:", 8) == 0) {
                char* end = nullptr;
                const double dpi = std::strtod(line + 8, &end);
                if (end != line + 8 && dpi > 0) s = dpi / 96.0;
            }
            line = next ? next + 1 : nullptr;
        }
    }
    if (!(s > 0)) s = 1;
    return std::clamp(roundToQuarter(s), UI_SCALE_MIN, UI_SCALE_MAX);
}

double desktopScaleOfDisplay() {
    fl_open_display();
    return desktopScale(std::getenv("GDK_SCALE"), XResourceManagerString(fl_display));
}

ScaledLayout::Sizes& ScaledLayout::sizesOf(Fl_Widget* w) {
    const int now[4] = {w->x(), w->y(), w->w(), w->h()};
    auto found = known_.find(w);
    if (found == known_.end()) {
        Sizes s{};
        std::copy(now, now + 4, s.base);
        std::copy(now, now + 4, s.shown);
        s.baseLabel = s.shownLabel = w->labelsize();
        s.baseText = s.shownText = textSizeOf(w);
        found = known_.emplace(w, s).first;
    }
    Sizes& s = found->second;
    // A size that is not the one last shown was set by the layout code since:
    // it is a size at factor 1.
    if (!std::equal(now, now + 4, s.shown)) std::copy(now, now + 4, s.base);
    if (w->labelsize() != s.shownLabel) s.baseLabel = w->labelsize();
    if (s.baseText >= 0 && textSizeOf(w) != s.shownText) s.baseText = textSizeOf(w);
    return s;
}

void ScaledLayout::scaleOne(Fl_Widget* w) {
    Sizes& s = sizesOf(w);
    s.shownLabel = scaled(s.baseLabel);
    w->labelsize(s.shownLabel);
    if (s.baseText >= 0) {
        s.shownText = scaled(s.baseText);
        setTextSizeOf(w, s.shownText);
    }
    if (auto* m = dynamic_cast<Fl_Menu_*>(w)) scaleMenuEntries(m);
    // After the fonts: a text editor measures its lines when it is resized.
    place(w, s.base, s.shown);
    if (isContainer(w))
        for (int i = 0; i < w->as_group()->children(); ++i)
            scaleOne(w->as_group()->child(i));
}

void ScaledLayout::apply(Fl_Group* root) {
    for (int i = 0; i < root->children(); ++i)
        scaleOne(root->child(i));
}

void ScaledLayout::setTextSize(Fl_Widget* w, int size) {
    Sizes& s = sizesOf(w);
    s.baseText = size;
    s.shownText = scaled(size);
    setTextSizeOf(w, s.shownText);
}

void ScaledLayout::setLabelSize(Fl_Widget* w, int size) {
    Sizes& s = sizesOf(w);
    s.baseLabel = size;
    s.shownLabel = scaled(size);
    w->labelsize(s.shownLabel);
}

void scaleNewWindow(Fl_Window* w) {
    // Each widget is placed below; the toolkit must not stretch them first.
    Fl_Widget* stretches = w->resizable();
    w->resizable(nullptr);
    w->size(scaled(w->w()), scaled(w->h()));
    w->resizable(stretches);
    w->init_sizes();
    w->labelsize(scaled(w->labelsize()));
    ScaledLayout once;
    once.apply(w);
}
