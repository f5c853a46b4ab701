#include "support/session_bus.h"

#include "support/process.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

void stop(pid_t pid) {
    if (pid <= 0) return;
    ::kill(pid, SIGKILL);
    int status;
    ::waitpid(pid, &status, 0);
}

// Whether name has an owner on the bus at address, asked with dbus-send.
bool owned(const std::string& address, const std::string& name) {
    const std::string command = "dbus-send --bus='" + address +
                                "' --print-reply --dest=org.freedesktop.DBus / "
                                "org.freedesktop.DBus.NameHasOwner string:" +
                                name + " 2>/dev/null";
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe) return false;
    std::string out;
    char buf[256];
    while (std::fgets(buf, sizeof buf, pipe))
        out += buf;
    ::pclose(pipe);
    return out.find("boolean true") != std::string::npos;
}

} // namespace

PrivateSessionBus::PrivateSessionBus() {
    ::chmod(dir.path().c_str(), 0700);
    const std::string config = dir.file("bus.conf");
    writeWholeFile(config, "<busconfig><type>session</type><listen>" + address() +
                               "</listen><auth>EXTERNAL</auth><policy context=\"default\">"
                               "<allow send_destination=\"*\" eavesdrop=\"true\"/>"
                               "<allow eavesdrop=\"true\"/><allow own=\"*\"/></policy>"
                               "</busconfig>\n");
    bus = ::fork();
    if (bus == 0) {
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        const int log = ::open(dir.file("log").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (log >= 0) ::dup2(log, 1), ::dup2(log, 2);
        ::execlp("dbus-daemon", "dbus-daemon", "--nofork", "--nopidfile",
                 ("--config-file=" + config).c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    if (!waitUntil([&] { return owned(address(), "org.freedesktop.DBus"); }, 10)) {
        stop(bus);
        bus = -1;
    }
}

PrivateSessionBus::~PrivateSessionBus() {
    stop(recorder);
    stop(keyring);
    stop(bus);
}

pid_t PrivateSessionBus::start(const std::vector<const char*>& argv, int input) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (input >= 0) ::dup2(input, 0);
        // Its files and its control socket in the test's folder.
        for (const char* name : {"HOME", "XDG_DATA_HOME", "XDG_CONFIG_HOME", "XDG_RUNTIME_DIR"})
            ::setenv(name, dir.path().c_str(), 1);
        ::setenv("DBUS_SESSION_BUS_ADDRESS", address().c_str(), 1);
        std::vector<const char*> args = argv;
        args.push_back(nullptr);
        ::execvp(args[0], const_cast<char* const*>(args.data()));
        ::_exit(127);
    }
    return pid;
}

bool PrivateSessionBus::startSecretService() {
    int input[2];
    // Both ends close on exec: the keyring reads its stdin to the end.
    if (!running() || ::pipe2(input, O_CLOEXEC) != 0) return false;
    keyring = start({"gnome-keyring-daemon", "--foreground", "--unlock", "--components=secrets"},
                    input[0]);
    ::close(input[0]);
    // The password that unlocks (and first makes) its keyring, then the end.
    const bool written = ::write(input[1], "unlock", 6) == 6;
    ::close(input[1]);
    return written && keyring > 0 &&
           waitUntil([&] { return owned(address(), "org.freedesktop.secrets"); }, 10);
}

bool PrivateSessionBus::startNotificationRecorder(bool actions) {
    const std::string log = dir.file("notified");
    writeWholeFile(log, "");
    recorder = start(
        {"/usr/bin/python3", VELK_NOTIFY_RECORDER, log.c_str(), actions ? "--actions" : nullptr});
    return recorder > 0 &&
           waitUntil([&] { return owned(address(), "org.freedesktop.Notifications"); }, 10);
}
