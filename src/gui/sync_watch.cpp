#include "gui/sync_watch.h"

#include "desktop/secret_store.h"
#include "engine/sync_account.h"
#include "engine/velk.h"
#include "gui/ask.h"
#include "gui/velk_gui.h"
#include "model/clock.h"
#include "model/group.h"

#include <FL/Fl.H>
#include <FL/Fl_Box.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Input.H>
#include <FL/Fl_Return_Button.H>
#include <FL/Fl_Secret_Input.H>
#include <FL/Fl_Window.H>
#include <ctime>
#include <thread>

namespace {

// A run that could not start, or was interrupted, is tried again this soon.
constexpr double RETRY_SECONDS = 5;

std::string conflictsText(unsigned n) {
    return std::to_string(n) + (n == 1 ? " entry was" : " entries were") +
           " changed both here and on the server since the last sync.\nThe server's version "
           "is in place; this computer's is kept in the group \"Sync conflicts\".";
}

} // namespace

SyncWatch::SyncWatch(Velk& engine, VelkGUI& win, int everyMinutes)
    : engine(engine), win(win), everyMinutes(everyMinutes), title(win.label() ? win.label() : "") {}

SyncWatch::~SyncWatch() {
    Fl::remove_timeout(&SyncWatch::tick, this);
}

void SyncWatch::start() {
    // Lets the request threads wake the window's thread when they are done.
    Fl::lock();
    if (everyMinutes > 0) schedule(0);
}

void SyncWatch::schedule(double seconds) {
    Fl::remove_timeout(&SyncWatch::tick, this);
    Fl::add_timeout(seconds, &SyncWatch::tick, this);
}

void SyncWatch::tick(void* self) {
    auto& s = *static_cast<SyncWatch*>(self);
    // Not while a run is under way, nor while a dialog waits for an answer:
    // the code that opened it holds items the run might change.
    if (s.running_ || Fl::modal()) {
        s.schedule(RETRY_SECONDS);
        return;
    }
    if (s.everyMinutes > 0) s.schedule(60.0 * s.everyMinutes);
    // A mass delete the user refused waits for "sync now".
    if (!s.massDeleteRefused) s.run(false, false);
}

void SyncWatch::syncNow() {
    if (running_) {
        GuiAsk::message("A sync is under way.");
        return;
    }
    massDeleteRefused = false;
    run(true, false);
}

bool SyncWatch::beforeEnd() {
    if (running_) {
        cancel = true;
        endAfterRun = true;
        return false;
    }
    const bool ended = endAfterRun;
    endAfterRun = false;
    if (everyMinutes > 0 && !ended && !massDeleteRefused) run(false, true);
    return true;
}

void SyncWatch::setStatus(const std::string& status) {
    status_ = status;
    win.copy_label((status.empty() ? title : title + " (" + status + ")").c_str());
}

int SyncWatch::away(const std::function<int()>& work) {
    std::atomic<bool> done{false};
    int result = 0;
    std::thread worker([&] {
        result = work();
        done = true;
        Fl::awake();
    });
    while (!done)
        Fl::wait(0.5);
    worker.join();
    return result;
}

void SyncWatch::turn(bool changed) {
    // The list is built anew at once when entries were removed (none of its
    // lines may stand for one), else at most twice a second: a list of tens
    // of thousands of entries takes a while to build.
    unsent = unsent || changed;
    const Clock::time_point now = Clock::now();
    if (ToDoListGroup::removals() != removalsShown ||
        (unsent && now - lastRefresh > std::chrono::milliseconds(500)))
        refresh();
    Fl::check();
}

void SyncWatch::refresh() {
    win.refreshAfterSync();
    unsent = false;
    removalsShown = ToDoListGroup::removals();
    lastRefresh = Clock::now();
}

int SyncWatch::passwordFor(const T_SyncAccount& state, bool mayAsk, std::string& password,
                           std::string& error) {
    password.clear();
    if (!state.passwordCommand.empty())
        return away(
            [&] { return desktop::passwordFromCommand(state.passwordCommand, password, error); });
    if (state.user.empty()) return 0;
    const std::string account = state.url + "\n" + state.user;
    if (typedFor == account) {
        password = typed;
        return 0;
    }
    // Asked in vain once: the automatic runs do not ask again.
    if (!mayAsk && declinedFor == account) {
        error = "no password was given";
        return -1;
    }
    if (desktop::sessionHasBus() &&
        away([&] { return desktop::lookUpPassword(state.url, state.user, password, error); }) > 0)
        return 0;
    const char* given =
        GuiAsk::password(("Password for " + state.user + " at " + state.url + ":").c_str());
    if (!given) {
        declinedFor = account;
        error = "no password was given";
        return -1;
    }
    typed = password = given;
    typedFor = account;
    return 0;
}

void SyncWatch::run(bool told, bool atEnd) {
    T_SyncAccount account;
    std::string error;
    const int read = readSyncAccount(engine.getFileName(), account, error);
    if (read == 1) {
        if (told)
            GuiAsk::message("No sync account is set up yet: \"sync account...\" in the file menu "
                            "sets one up.");
        return;
    }
    const auto failed = [&](const std::string& why) {
        setStatus("offline");
        if (told)
            GuiAsk::alert(("The sync did not end: " + why +
                           "\nThe changes made so far are kept, and the next sync goes on.")
                              .c_str());
    };
    if (read != 0) return failed(error);
    running_ = true;
    cancel = false;
    const std::string before = status_;
    setStatus(atEnd ? "syncing before the end" : "syncing");
    std::string password;
    if (passwordFor(account, told, password, error) != 0) {
        running_ = false;
        return failed(error);
    }
    T_SyncPacing pacing;
    pacing.wait = [this](const std::function<int()>& request) { return away(request); };
    pacing.pause = [this](bool changed) { turn(changed); };
    pacing.stopped = [this] { return cancel.load(); };
    pacing.editing = [this]() -> const ToDoListToDo* { return win.editedEntry(); };
    T_SyncHooks hooks;
    hooks.pacing = &pacing;
    hooks.cancel = &cancel;
    T_SyncReport report;
    removalsShown = ToDoListGroup::removals();
    unsent = false;
    int r = syncWithAccount(engine, password, false, report, hooks);
    if (r == SYNC_MASS_DELETE && !cancel) {
        if (GuiAsk::choice(("The sync would delete many entries on the server: " + report.error +
                            ".\nDelete them there too?")
                               .c_str(),
                           "Delete there", "Keep them") == 0)
            r = syncWithAccount(engine, password, true, report, hooks);
        else
            massDeleteRefused = true;
    }
    engine.checkCompleted();
    if (unsent || ToDoListGroup::removals() != removalsShown) refresh();
    if (r == SYNC_OK && report.stateError.empty()) {
        char now[8] = "";
        std::tm tm{};
        if (velkLocalTime(tm)) std::strftime(now, sizeof now, "%H:%M", &tm);
        setStatus(std::string("synced ") + now);
    } else if (r == SYNC_OK) {
        failed(report.stateError);
    } else if (r == SYNC_INTERRUPTED) {
        setStatus(before);
        if (!cancel) schedule(RETRY_SECONDS);
    } else if (r == SYNC_MASS_DELETE) {
        setStatus("sync stopped: \"sync now\" asks again");
    } else {
        // A password the server refused is asked again at the next run.
        if (report.loginRefused) typedFor.clear();
        failed(report.error);
    }
    running_ = false;
    if (report.conflicts != 0) GuiAsk::alert(conflictsText(report.conflicts).c_str());
    if (endAfterRun && !atEnd) win.endSession();
}

bool SyncWatch::tryAccount(const T_SyncAccount& account, const std::string& typedSecret,
                           std::string& said) {
    std::string error, secret = typedSecret;
    // Nothing typed: the password command the account had.
    if (secret.empty() && !account.passwordCommand.empty() &&
        away([&] { return desktop::passwordFromCommand(account.passwordCommand, secret, error); }) !=
            0) {
        said = error;
        return false;
    }
    std::string home;
    std::vector<T_SyncCalendar> calendars;
    if (away([&] {
            return setUpSyncAccount(engine.getFileName(), account, secret, home, calendars, error);
        }) != 0) {
        said = error;
        return false;
    }
    said = "The account works: " + std::to_string(calendars.size()) +
           (calendars.size() == 1 ? " calendar." : " calendars.");
    if (account.user.empty() || !account.passwordCommand.empty()) return true;
    // The password goes to the desktop's keyring; without one it is kept
    // for this run of Velk only.
    typed = secret;
    typedFor = account.url + "\n" + account.user;
    if (desktop::sessionHasBus() &&
        away([&] { return desktop::keepPassword(account.url, account.user, secret, error); }) == 0)
        said += "\nThe password is kept in the keyring.";
    else
        said += "\nThe password is asked once each time Velk starts.";
    return true;
}

void SyncWatch::setUpAccount() {
    if (running_) {
        GuiAsk::message("A sync is under way.");
        return;
    }
    T_SyncAccount state;
    std::string error;
    readSyncAccount(engine.getFileName(), state, error);

    // Fits the narrowest window, 320 pixels wide.
    Fl_Window dialog(300, 240, "Sync account");
    Fl_Input url(80, 10, 210, 30, "server:");
    Fl_Input user(80, 45, 210, 30, "user:");
    Fl_Secret_Input secret(80, 80, 210, 30, "password:");
    Fl_Box said(10, 115, 280, 80);
    said.align(FL_ALIGN_INSIDE | FL_ALIGN_LEFT | FL_ALIGN_TOP | FL_ALIGN_WRAP);
    said.labelsize(12);
    Fl_Return_Button check(100, 200, 90, 30, "Check");
    Fl_Button close(200, 200, 90, 30, "Cancel");
    dialog.end();
    url.value(state.url.c_str());
    user.value(state.user.c_str());
    bool checking = false, done = false, works = false;
    std::string text;
    check.callback(
        [](Fl_Widget*, void* self) { *static_cast<bool*>(self) = true; }, &checking);
    close.callback([](Fl_Widget*, void* self) { *static_cast<bool*>(self) = true; }, &done);
    dialog.callback([](Fl_Widget*, void* self) { *static_cast<bool*>(self) = true; }, &done);
    dialog.set_modal();
    dialog.show();
    while (!done && dialog.shown()) {
        Fl::wait();
        if (!checking) continue;
        checking = false;
        said.copy_label("Asking the server...");
        check.deactivate();
        // The same account keeps the password command it was set up with.
        const bool same = state.url == url.value() && state.user == user.value();
        works = tryAccount({url.value(), user.value(),
                            same && !*secret.value() ? state.passwordCommand : std::string()},
                           secret.value(), text);
        check.activate();
        said.copy_label(text.c_str());
        if (works) {
            close.label("Close");
            check.hide();
        }
    }
    dialog.hide();
    if (works) schedule(0);
}
