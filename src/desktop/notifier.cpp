#include "desktop/notifier.h"

#include "desktop/secret_store.h"

#include <gio/gio.h>

namespace desktop {

namespace {

const char* const NAME = "org.freedesktop.Notifications";
const char* const PATH = "/org/freedesktop/Notifications";
constexpr int CALL_MS = 5000;

std::string said(GError* e) {
    std::string text = e && e->message ? e->message : "no reason given";
    if (e) g_error_free(e);
    return text;
}

} // namespace

Notifier::~Notifier() {
    if (bus_ && subscription_) g_dbus_connection_signal_unsubscribe(bus_, subscription_);
    if (bus_) g_object_unref(bus_);
}

bool Notifier::connect(std::string& error) {
    if (bus_) return true;
    if (!sessionHasBus()) {
        error = "this session has no message bus";
        return false;
    }
    GError* e = nullptr;
    bus_ = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, &e);
    if (!bus_) {
        error = "the session bus cannot be reached: " + said(e);
        return false;
    }
    subscription_ = g_dbus_connection_signal_subscribe(
        bus_, nullptr, NAME, "ActionInvoked", PATH, nullptr, G_DBUS_SIGNAL_FLAGS_NONE,
        reinterpret_cast<GDBusSignalCallback>(&Notifier::onAction), this, nullptr);
    return true;
}

void Notifier::onAction(GDBusConnection*, const char*, const char*, const char*, const char*,
                        void* parameters, void* self) {
    guint32 id = 0;
    const gchar* key = nullptr;
    g_variant_get(static_cast<GVariant*>(parameters), "(u&s)", &id, &key);
    static_cast<Notifier*>(self)->chosen_.emplace_back(id, key ? key : "");
}

unsigned Notifier::notify(const std::string& summary, const std::string& body, bool actions,
                          std::string& error) {
    if (!connect(error)) return 0;
    GError* e = nullptr;
    if (actions && offersActions_ < 0) {
        // Whether the server shows actions at all: some show none.
        GVariant* caps = g_dbus_connection_call_sync(bus_, NAME, PATH, NAME, "GetCapabilities",
                                                     nullptr, G_VARIANT_TYPE("(as)"),
                                                     G_DBUS_CALL_FLAGS_NONE, CALL_MS, nullptr, &e);
        if (!caps) {
            error = "no notification service answered: " + said(e);
            return 0;
        }
        GVariantIter* list = nullptr;
        const gchar* cap = nullptr;
        offersActions_ = 0;
        g_variant_get(caps, "(as)", &list);
        while (g_variant_iter_loop(list, "&s", &cap))
            if (g_strcmp0(cap, "actions") == 0) offersActions_ = 1;
        g_variant_iter_free(list);
        g_variant_unref(caps);
    }
    GVariantBuilder chosen;
    g_variant_builder_init(&chosen, G_VARIANT_TYPE("as"));
    if (actions && offersActions_ == 1)
        for (const char* word : {"snooze", "Snooze 10 minutes", "dismiss", "Dismiss"})
            g_variant_builder_add(&chosen, "s", word);
    GVariantBuilder hints;
    g_variant_builder_init(&hints, G_VARIANT_TYPE("a{sv}"));
    g_variant_builder_add(&hints, "{sv}", "desktop-entry", g_variant_new_string("velk"));
    GVariant* answer = g_dbus_connection_call_sync(
        bus_, NAME, PATH, NAME, "Notify",
        g_variant_new("(susssasa{sv}i)", "Velk", 0u, "velk", summary.c_str(), body.c_str(), &chosen,
                      &hints, -1),
        G_VARIANT_TYPE("(u)"), G_DBUS_CALL_FLAGS_NONE, CALL_MS, nullptr, &e);
    if (!answer) {
        error = "no notification service answered: " + said(e);
        return 0;
    }
    guint32 id = 0;
    g_variant_get(answer, "(u)", &id);
    g_variant_unref(answer);
    return id;
}

std::vector<std::pair<unsigned, std::string>> Notifier::chosen() {
    while (bus_ && g_main_context_iteration(nullptr, FALSE)) {
    }
    return std::exchange(chosen_, {});
}

} // namespace desktop
