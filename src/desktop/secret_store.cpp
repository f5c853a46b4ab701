#include "desktop/secret_store.h"

#include <cstdio>
#include <cstdlib>
#include <libsecret/secret.h>
#include <sys/stat.h>
#include <sys/wait.h>

namespace desktop {

namespace {

// Velk's entries: one per account, found by its server URL and user name.
const SecretSchema* schema() {
    static const SecretSchema s = [] {
        SecretSchema made{};
        made.name = "org.velk.CalDavAccount";
        made.flags = SECRET_SCHEMA_NONE;
        made.attributes[0] = {"url", SECRET_SCHEMA_ATTRIBUTE_STRING};
        made.attributes[1] = {"user", SECRET_SCHEMA_ATTRIBUTE_STRING};
        return made;
    }();
    return &s;
}

// The service's own words, for a message.
std::string said(GError* e) {
    std::string text = e && e->message ? e->message : "no reason given";
    if (e) g_error_free(e);
    return text;
}

} // namespace

bool sessionHasBus() {
    const char* address = std::getenv("DBUS_SESSION_BUS_ADDRESS");
    if (address && *address) return true;
    // Without an address the library looks for the user's bus socket; the
    // session has a bus when that exists.
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    struct stat st;
    return runtime && *runtime && ::stat((std::string(runtime) + "/bus").c_str(), &st) == 0 &&
           S_ISSOCK(st.st_mode);
}

int lookUpPassword(const std::string& url, const std::string& user, std::string& password,
                   std::string& error) {
    password.clear();
    if (!sessionHasBus()) return 0;
    GError* e = nullptr;
    gchar* found = secret_password_lookup_sync(schema(), nullptr, &e, "url", url.c_str(), "user",
                                               user.c_str(), nullptr);
    if (e) {
        // A bus without a Secret Service holds no password; anything else
        // is the service's failure.
        if (g_error_matches(e, G_DBUS_ERROR, G_DBUS_ERROR_SERVICE_UNKNOWN) ||
            g_error_matches(e, G_DBUS_ERROR, G_DBUS_ERROR_NAME_HAS_NO_OWNER)) {
            g_error_free(e);
            return 0;
        }
        error = "the Secret Service gave no password: " + said(e);
        return -1;
    }
    if (!found) return 0;
    password = found;
    secret_password_free(found);
    return 1;
}

int keepPassword(const std::string& url, const std::string& user, const std::string& password,
                 std::string& error) {
    if (!sessionHasBus()) {
        error = "this session has no Secret Service";
        return -1;
    }
    const std::string label = "Velk: " + (user.empty() ? std::string() : user + " at ") + url;
    GError* e = nullptr;
    const bool kept = secret_password_store_sync(schema(), SECRET_COLLECTION_DEFAULT, label.c_str(),
                                                 password.c_str(), nullptr, &e, "url", url.c_str(),
                                                 "user", user.c_str(), nullptr);
    if (!kept || e) {
        error = "the Secret Service did not keep the password: " + said(e);
        return -1;
    }
    return 0;
}

} // namespace desktop

namespace desktop {

int passwordFromCommand(const std::string& command, std::string& password, std::string& error) {
    password.clear();
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe) {
        error = "the password command could not be started";
        return -1;
    }
    char buf[4096];
    const bool got = std::fgets(buf, sizeof buf, pipe) != nullptr;
    // The rest is read and dropped, so that the command ends.
    char rest[4096];
    while (std::fgets(rest, sizeof rest, pipe)) {
    }
    const int status = ::pclose(pipe);
    if (!got || status == -1 || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        error = "the password command \"" + command + "\" " +
                (got ? "did not end successfully" : "printed nothing");
        return -1;
    }
    password = buf;
    while (!password.empty() && (password.back() == '\n' || password.back() == '\r'))
        password.pop_back();
    return 0;
}

} // namespace desktop
