#pragma once
#include <string>
#include <utility>
#include <vector>

typedef struct _GDBusConnection GDBusConnection;

// Desktop notifications through the freedesktop Notifications interface on
// the session bus, with GLib's GDBus: GLib comes with libical and libsecret
// already, so this takes no library of its own (libnotify would add itself
// and gdk-pixbuf).
namespace desktop {

class Notifier {
  public:
    Notifier() = default;
    ~Notifier();
    Notifier(const Notifier&) = delete;
    Notifier& operator=(const Notifier&) = delete;

    // Shows a notification. With actions, and where the notification server
    // offers actions, it carries "Snooze 10 minutes" and "Dismiss". Result:
    // its id; 0 when no notification service took it (error says why).
    unsigned notify(const std::string& summary, const std::string& body, bool actions,
                    std::string& error);
    // The actions the user chose since the last call, as (id, "snooze" or
    // "dismiss"); takes what the bus brought, without waiting.
    std::vector<std::pair<unsigned, std::string>> chosen();

  private:
    bool connect(std::string& error);
    static void onAction(GDBusConnection*, const char*, const char*, const char*, const char*,
                         void* parameters, void* self);

    GDBusConnection* bus_ = nullptr;
    unsigned subscription_ = 0;
    int offersActions_ = -1; // -1 not asked yet
    std::vector<std::pair<unsigned, std::string>> chosen_;
};

} // namespace desktop
