#pragma once
#include <atomic>
#include <chrono>
#include <functional>
#include <string>

class Velk;
class VelkGUI;
struct T_SyncAccount;

// Sync with the CalDAV server while the window is open: a run after the
// start-up merge, one every few minutes, "sync now", and a last one before
// the final save. Each request to the server (and each look into the
// keyring) runs on a thread of its own while the window goes on drawing and
// taking input; what a run takes in is applied on the window's thread in
// short turns, each change a journal entry. A run that fails is quiet (the
// title says "offline"); one that kept conflicts says so once.
class SyncWatch {
  public:
    // everyMinutes: the automatic runs (0: none, only "sync now").
    SyncWatch(Velk& engine, VelkGUI& win, int everyMinutes);
    ~SyncWatch();
    SyncWatch(const SyncWatch&) = delete;
    SyncWatch& operator=(const SyncWatch&) = delete;

    // The first automatic run, as soon as the window waits for input.
    void start();
    // A run at once ("sync now"); unlike the automatic ones it tells why it failed.
    void syncNow();
    // The account dialog: a server and user that work are kept, and a run follows.
    void setUpAccount();
    // Asked before the final save. A run under way is ended at its next
    // step and false returned: the window ends once it has. Otherwise the
    // last automatic run is made, and true returned.
    bool beforeEnd();
    bool running() const { return running_; }
    // What the title says after the file name: "", "syncing", "offline" or
    // "synced 10:42".
    const std::string& status() const { return status_; }

  private:
    void run(bool told, bool atEnd);
    // work on a thread of its own; the window goes on meanwhile.
    int away(const std::function<int()>& work);
    // A turn of the window between the steps of a run.
    void turn(bool changed);
    // The password of account: its command's, the keyring's, one typed in
    // this run of Velk, or one the user is asked for (not when !mayAsk and
    // the user gave none before).
    int passwordFor(const T_SyncAccount& account, bool mayAsk, std::string& password,
                    std::string& error);
    void refresh();
    static void tick(void* self);
    void schedule(double seconds);
    void setStatus(const std::string& status);
    bool tryAccount(const T_SyncAccount& account, const std::string& typedSecret,
                    std::string& said);

    Velk& engine;
    VelkGUI& win;
    int everyMinutes;
    std::string title;
    std::atomic<bool> cancel{false};
    bool running_ = false;
    bool endAfterRun = false; // the user ended the window during a run
    // A password the user typed, kept for this run of Velk only.
    std::string typed;
    std::string typedFor;
    std::string declinedFor;
    bool massDeleteRefused = false; // the automatic runs wait for "sync now"
    // What the list shows: the removals it was built after, whether the run
    // changed the tree since, and when it was built.
    using Clock = std::chrono::steady_clock;
    unsigned long removalsShown = 0;
    bool unsent = false;
    Clock::time_point lastRefresh;
    std::string status_;
};
