#pragma once
#include "desktop/notifier.h"

#include <ctime>
#include <map>
#include <string>

class Velk;

// The reminders while the window is open. Every half minute it takes the
// reminders that came due (from the state beside the data file, which
// "velk --remind" shares, so that none fires twice) and shows each as a
// desktop notification with "Snooze 10 minutes" and "Dismiss"; without a
// notification service they show in one message of the window. A snoozed
// reminder comes back ten minutes later.
class ReminderWatch {
  public:
    explicit ReminderWatch(Velk& engine) : engine(engine) {}
    ~ReminderWatch();
    ReminderWatch(const ReminderWatch&) = delete;
    ReminderWatch& operator=(const ReminderWatch&) = delete;

    // Looks at once, then every second for chosen actions and every half
    // minute for reminders.
    void start();

  private:
    static void tick(void* self);
    void look(std::time_t now);

    Velk& engine;
    desktop::Notifier notifier;
    std::map<unsigned, std::string> keys; // notification id -> reminder key
    std::time_t lastLook = 0;
    bool showing = false; // a message of the window is open
};
