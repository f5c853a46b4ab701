#include "gui/velk_gui.h"

#include "engine/velk.h"
#include "gui/about_screen.h"
#include "gui/ask.h"
#include "gui/group_editor.h"
#include "gui/input_screen.h"
#include "gui/item_editor.h"
#include "gui/list_screen.h"
#include "gui/screen_keys.h"
#include "gui/ui_scale.h"
#include "model/clock.h"

#include <FL/Fl.H>
#include <FL/Fl_Browser.H>
#include <FL/Fl_Menu_Button.H>
#include <FL/Fl_Text_Editor.H>
#include <algorithm>
#include <cerrno>
#include <ctime>
#include <sys/stat.h>

VelkGUI* mainWin = nullptr;

namespace {
// The size of a window of halfWidth x halfHeight at factor 1, at the factor
// in use, as far as the screen's work area (sw x sh) holds it, and never
// below the narrowest window.
void sizeOnScreen(int halfWidth, int halfHeight, int sw, int sh, int& W, int& H) {
    W = std::min(scaled(2 * halfWidth), std::max(sw, scaled(320)));
    H = std::min(scaled(2 * halfHeight), std::max(sh, scaled(320)));
}
} // namespace

static void cb_Done(Fl_Widget*, void*) {
    mainWin->CB_Done();
}
static void cb_hideKbd(Fl_Widget*, void*) {
    mainWin->CB_hideKbd();
}

VelkGUI::VelkGUI(int w, int h, const char* title)
    : Fl_Double_Window(w, h), halfWidth_(unscaled(w) / 2), halfHeight_(unscaled(h) / 2),
      list_(std::make_unique<ListScreen>(*this)), about_(std::make_unique<AboutScreen>(*this)),
      input_(std::make_unique<InputScreen>(*this)), item_(std::make_unique<ItemEditor>(*this)),
      group_(std::make_unique<GroupEditor>(*this)) {
    copy_label(title);
    setSizeRange();
    end();
}

VelkGUI::~VelkGUI() {
    item_->destroyDescriptionEditor();
}

void VelkGUI::makeWindows() {
    // A small-screen program driven by mouse and keys: on the list, buttons and
    // the list do not take the keyboard focus, so that keys reach the list's
    // key handling (showMain lets them take it on the other screens).
    Fl::visible_focus(0);
    begin();
    // Every screen is made and laid out at factor 1; resize scales it.
    const int W = 2 * halfWidth_, H = 2 * halfHeight_;
    kbdHideButton_ = new Fl_Button(0, H, 15, 15, "X");
    kbdHideButton_->labelsize(10);
    kbdHideButton_->callback(cb_hideKbd);
    kbdBox_ = new Fl_Box(FL_FLAT_BOX, 100, H, W + 40, 60, clockText_);
    kbdBox_->labelsize(10);
    kbdBox_->align(FL_ALIGN_LEFT | FL_ALIGN_INSIDE | FL_ALIGN_CLIP);
    // The order of making is the order of drawing and of taking events.
    list_->makeList(W, H);
    input_->make(W, H);
    about_->make(W, H);
    item_->make(W, H);
    group_->make(W, H);
    closeButton_ = new Fl_Button(0, H - 30, 70, 30, "&Close");
    closeButton_->labelsize(20);
    closeButton_->callback(cb_Done);
    list_->makeBar(W, H);
    end();
    hideAll();
}

void VelkGUI::init(Velk* e, const char* clipboardName) {
    engine_ = e;
    for (ScreenPart* part : std::initializer_list<ScreenPart*>{
             list_.get(), about_.get(), input_.get(), item_.get(), group_.get()})
        part->attach(e);
    clipboardFile_ = clipboardName ? std::string(clipboardName).substr(0, 15) : std::string();
    list_->initMenus();
    UpdateCryptMenu();
}

void VelkGUI::hideAll() {
    for (int i = 0; i < children(); ++i) {
        Fl_Widget* w = child(i);
        if (w == listView() || w == editTimesBrowser())
            w->resize(0, 0, 0, 0); // keeps its lines, selection and scroll position
        else
            w->hide();
    }
}

int VelkGUI::showMain(int n) {
    int topLine = 0;
    hideAll();
    screen_ = n;
    // On the list every key goes to the list's own handling; on the other
    // screens Tab takes the keyboard from widget to widget, so that every
    // button and menu there can be used without a mouse.
    Fl::visible_focus(n != SCREEN_LIST);
    switch (n) {
    case SCREEN_LIST:
        topLine = list_->show();
        break;
    case SCREEN_ABOUT:
        about_->show();
        break;
    case SCREEN_ITEM_BASICS:
    case SCREEN_ITEM_TIMES:
    case SCREEN_ITEM_DESCRIPTION:
        item_->showPage(n);
        break;
    case SCREEN_GROUP:
        group_->show();
        break;
    case SCREEN_INPUT:
        input_->show();
        break;
    default:
        break;
    }
    setMenuActive();
    if (engine_ && engine_->getOptShowKbd()) showKeyboard(true);
    resize(x(), y(), w(), h());
    redraw();
    return topLine;
}

void VelkGUI::setMenuActive() {
    list_->setMenuActive();
}

void VelkGUI::UpdateCryptMenu() {
    list_->updateCryptMenu();
    if (editCrypt()) item_->updateCryptFlag();
}

void VelkGUI::setSizeRange() {
    size_range(scaled(320), scaled(320), scaled(2000), scaled(2000));
}

void VelkGUI::resize(int X, int Y, int W, int H) {
    // The screens are laid out at factor 1 in the window's size divided by
    // the factor, then shown at the factor. At factor 1 the window keeps an
    // even size, as the session stores its halves.
    halfWidth_ = unscaled(W) / 2;
    halfHeight_ = unscaled(H) / 2;
    if (uiScale() == 1.0) W = 2 * halfWidth_, H = 2 * halfHeight_;
    // The widgets keep their places: the layout below sets them, and the
    // toolkit's own stretching would give the layout scaled sizes to read.
    Fl_Widget* stretches = resizable();
    resizable(nullptr);
    Fl_Double_Window::resize(X, Y, W, H);
    resizable(stretches);
    if (engine_) {
        unsigned hw = unsigned(halfWidth_), hh = unsigned(halfHeight_);
        engine_->windowSize(hw, hh);
    }
    if (!listView()) return; // not built yet
    int half = halfHeight_;
    if (engine_ && engine_->getOptShowKbd() && half > 60 && screen_ != SCREEN_LIST &&
        screen_ != SCREEN_ABOUT)
        half -= 30;
    const int w2 = 2 * halfWidth_, h2 = 2 * half, y0 = h2 - 30;
    kbdHideButton_->resize(0, h2, 15, 15);
    kbdBox_->resize(100, h2, w2 + 40, 60);
    list_->layout(w2, h2);
    input_->layout(w2, h2);
    about_->layout(w2, h2);
    item_->layout(w2, h2);
    group_->layout(w2, h2);
    closeButton_->resize(0, y0, 70, 30);
    // The scroll bars of every list and editor, the pickers' included.
    Fl::scrollbar_size(scaled(20));
    scaledLayout_.apply(this);
    redraw();
}

void VelkGUI::setScale(double s) {
    const double before = uiScale();
    if (setUiScale(s) == before) return;
    // The window keeps its layout: it grows or shrinks with the factor, as
    // far as the screen allows.
    int sx, sy, sw, sh, W, H;
    Fl::screen_work_area(sx, sy, sw, sh, x(), y());
    sizeOnScreen(halfWidth_, halfHeight_, sw, sh, W, H);
    setSizeRange();
    resize(std::max(sx, std::min(x(), sx + sw - W)), std::max(sy, std::min(y(), sy + sh - H)), W,
           H);
    list_->refreshAfterScale();
}

void VelkGUI::updateClock() {
    std::tm t{};
    if (velkLocalTime(t)) std::strftime(clockText_, sizeof clockText_, "%d.%m.%Y\n%H:%M\n", &t);
    if (kbdBox_) {
        kbdBox_->label(clockText_);
        kbdBox_->redraw();
    }
}

void VelkGUI::showKeyboard(bool on) {
    if (!on) return;
    kbdHideButton_->show();
    kbdBox_->show();
}

void VelkGUI::CB_hideKbd() {
    engine_->setOptShowKbd(false);
    kbdHideButton_->hide();
    kbdBox_->hide();
    resize(x(), y(), w(), h());
    redraw();
}

void VelkGUI::CB_Done() {
    switch (screen_) {
    case SCREEN_LIST:
        list_->done();
        break;
    case SCREEN_ABOUT:
        showMain(SCREEN_LIST);
        break;
    case SCREEN_ITEM_BASICS:
    case SCREEN_ITEM_TIMES:
    case SCREEN_ITEM_DESCRIPTION:
        editToDo_Done();
        break;
    case SCREEN_GROUP:
        editGroup_Done();
        break;
    case SCREEN_INPUT:
        input_->done();
        break;
    default:
        break;
    }
}

void VelkGUI::CB_Cancel() {
    showMain(SCREEN_LIST);
}

bool VelkGUI::confirmReplace(const std::string& name) {
    // lstat, so that a link is asked about itself, even one that leads nowhere.
    struct stat entry;
    if (lstat(name.c_str(), &entry) != 0 && (errno == ENOENT || errno == ENOTDIR)) return true;
    const std::string question = "The file " + name + " exists.\nReplace it?";
    // Cancel is the second button, which the toolkit gives Enter.
    return GuiAsk::choice(question.c_str(), "Replace", "Cancel") == 0;
}

int VelkGUI::handle(int event) {
    if (event != FL_KEYDOWN) return Fl_Double_Window::handle(event);
    const int key = Fl::event_key();
    const int state = Fl::event_state();
    // The size of everything, on every screen.
    if (const T_ScreenKey* k = findScreenKey(windowKeys(), key, state, false)) {
        setScale(uiScale() + (k->action == KeyAction::Larger ? UI_SCALE_STEP : -UI_SCALE_STEP));
        return 1;
    }
    if (showsItemEditor()) {
        if (item_->handleKey(key, state)) return 1;
        return Fl_Double_Window::handle(event);
    }
    if (screen_ != SCREEN_LIST) {
        const T_ScreenKey* k = findScreenKey(otherScreenKeys(), key, state, false);
        if (!k || k->action != KeyAction::Help) return Fl_Double_Window::handle(event);
        const char* name = screen_ == SCREEN_GROUP   ? "the group editor"
                           : screen_ == SCREEN_INPUT ? "this screen"
                                                     : "About";
        GuiAsk::message(keysHelpText(name, otherScreenKeys()).c_str());
        return 1;
    }
    return list_->handleKey(key, state);
}

void make_windows(const char* path, int halfWidth, int halfHeight) {
    std::string title = std::string("Velk: ") + path;
    // At a large factor the stored size may be more than the screen holds.
    int sx, sy, sw, sh, W, H;
    Fl::screen_work_area(sx, sy, sw, sh);
    sizeOnScreen(halfWidth, halfHeight, sw, sh, W, H);
    mainWin = new VelkGUI(W, H, title.c_str());
    mainWin->callback(cb_keypress_ESC);
    mainWin->labelsize(20);
    mainWin->resizable(mainWin);
    mainWin->makeWindows();
    mainWin->set_non_modal();
}

void cb_keypress_ESC(Fl_Widget*, void*) {
    // FLTK calls the window's callback for the Escape shortcut too; that must
    // not end the program. The event key still names Escape when the close
    // button is used after Escape was pressed, so the close event is let through.
    if (Fl::event() != FL_KEYDOWN && Fl::event() != FL_CLOSE && Fl::event_key() == FL_Escape)
        return;
    // The close box on the input screen cancels it, as "Cancel" does: the
    // search, import or export is carried out only by "&Close".
    if (Fl::event() == FL_CLOSE && mainWin->screen() == SCREEN_INPUT) {
        mainWin->CB_Cancel();
        return;
    }
    mainWin->CB_Done();
}

void updateClock(void*) {
    Fl::repeat_timeout(30.0, updateClock);
    mainWin->updateClock();
}
