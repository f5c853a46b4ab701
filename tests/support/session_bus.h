#pragma once
#include "support/temp_dir.h"

#include <cstdio>
#include <string>
#include <sys/types.h>
#include <vector>

// A D-Bus session bus of the test's own: dbus-daemon with a configuration
// of its own (its socket in a temporary folder, no services started on
// demand), and on it, when asked, a real Secret Service: gnome-keyring-daemon
// with a keyring of its own, unlocked. Both are stopped by their PIDs.
class PrivateSessionBus {
  public:
    PrivateSessionBus();
    ~PrivateSessionBus();
    PrivateSessionBus(const PrivateSessionBus&) = delete;
    PrivateSessionBus& operator=(const PrivateSessionBus&) = delete;

    bool running() const { return bus > 0; }
    std::string address() const { return "unix:path=" + dir.file("bus"); }
    // Starts the Secret Service and waits until it answers on the bus.
    bool startSecretService();
    // Starts a notification service (tests/desktop/notify_recorder.py) that
    // records each notification as a line "SUMMARY|BODY|ACTIONS" of
    // notifications(); with actions it offers actions.
    bool startNotificationRecorder(bool actions);
    std::string notifications() const { return readWholeFile(dir.file("notified")); }
    // The user chooses the action key of notification id.
    void chooseAction(unsigned id, const std::string& key) {
        writeWholeFile(dir.file("chosen"), std::to_string(id) + " " + key);
        std::rename(dir.file("chosen").c_str(), dir.file("notified.invoke").c_str());
    }

  private:
    // Starts argv with this bus as its session bus, stopped with the bus.
    pid_t start(const std::vector<const char*>& argv, int input = -1);
    TempDir dir;
    pid_t bus = -1, keyring = -1, recorder = -1;
};
