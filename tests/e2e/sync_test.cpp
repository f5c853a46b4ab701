// Sync with a CalDAV server from the terminal, against a real Radicale.

#include "net/dav_client.h"
#include "desktop/secret_store.h"
#include "storage/file_lock.h"
#include "support/process.h"
#include "support/radicale.h"
#include "support/session_bus.h"
#include "support/temp_dir.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <cstdlib>
#include <set>
#include <sys/stat.h>

// --sync-setup checks the account against the server and keeps it beside the
// data file, owner-only and without the password; a URL that would send the
// password in plain text, a failed password command, a server that does not
// answer and a held lock keep nothing.
TEST(Sync, SetUpChecksTheAccountAndKeepsItWithoutThePassword) {
    RadicaleServer server;
    ASSERT_TRUE(server.running()) << server.log();
    TempDir home, work;
    const std::string data = work.file("o.dat"), state = data + ".caldav";
    auto run = [&](std::vector<std::string> args) {
        args.insert(args.begin(), {"-f", data});
        return runProcess({args, work.path(), {{"HOME", home.path()}}});
    };
    const std::string command = "printf 's3cret%s\\n' -word"; // prints s3cret-word
    ProcessResult r =
        run({"--sync-setup", server.url(), "--user", "velk", "--password-command", command});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "the account works: 0 calendars at " + server.url() + "velk/\n");
    struct stat st;
    ASSERT_EQ(::stat(state.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    const std::string kept = readWholeFile(state);
    EXPECT_NE(kept.find("password-command=" + command + "\n"), std::string::npos) << kept;
    EXPECT_EQ(kept.find("s3cret-word\n"), std::string::npos) << "the password is never kept";

    net::HttpClient http({"velk", "", "", 15, 60});
    net::DavClient dav(http);
    std::string error;
    ASSERT_EQ(dav.makeCalendar(server.url() + "velk/home/", "Home", error), net::DAV_OK) << error;
    r = run({"--sync-setup", server.url() + "velk/", "--user", "velk"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "the account works: 1 calendar at " + server.url() + "velk/\n  Home  " +
                         server.url() + "velk/home/\n");

    const struct {
        std::vector<std::string> args;
        int exitCode;
        const char* says;
    } refused[] = {
        {{"--sync-setup", "http://dav.example.org/"}, 2, "needs https:"},
        {{"--sync-setup", server.url(), "--password-command", "echo x; exit 3"}, 2, "did not end"},
        {{"--sync-setup", server.url(), "--password-command", "true"}, 2, "printed nothing"},
        {{"--sync-setup", "http://127.0.0.1:9/"}, 4, "no CalDAV calendars"},
        {{"--sync-setup", server.url(), "--password-command"}, 2, "needs a value"},
        {{"--search", "x", "--user", "velk"}, 2, "belong to --sync-setup"},
        {{"--search", "x", "--allow-mass-delete"}, 2, "belongs to --sync"},
        {{"--sync=now"}, 2, "takes no value"},
    };
    const std::string before = readWholeFile(state);
    for (const auto& c : refused) {
        r = run(c.args);
        EXPECT_EQ(r.exitCode, c.exitCode) << c.args[1] << ": " << r.err;
        EXPECT_NE(r.err.find(c.says), std::string::npos) << r.err;
        EXPECT_EQ(readWholeFile(state), before);
    }
    // A run takes the calendar the server holds; one without an account is refused.
    r = run({"--sync"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "synced 1 calendar: 0 in, 0 up, 0 deleted here, 0 deleted there\n");
    r = runProcess(
        {{"-f", work.file("other.dat"), "--sync"}, work.path(), {{"HOME", home.path()}}});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_NE(r.err.find("no account is set up"), std::string::npos) << r.err;

    DataFileLock window;
    ASSERT_EQ(window.acquire(data), 0);
    for (const char* command : {"--sync-setup", "--sync"}) {
        r = command == std::string("--sync") ? run({command}) : run({command, server.url()});
        EXPECT_EQ(r.exitCode, 1) << command;
        EXPECT_NE(r.err.find("already running"), std::string::npos) << r.err;
    }
}

// A first sync killed right after the server took its first, a middle or its
// last new entry (before Velk saw the answer), one whose server fails on the
// way, one whose connection drops after the server took an entry, and one
// whose server is killed after it took one: the next run finds every entry
// once on the server and once here, and the run after it writes nothing, as
// does one after what the sync remembers was lost.
TEST(Sync, AFirstSyncKilledAfterAnyWriteLeavesNothingTwice) {
    RadicaleServer server;
    ASSERT_TRUE(server.running()) << server.log();
    FaultProxy proxy(server.port());
    ASSERT_TRUE(proxy.running());
    // A kill after the first, a middle and the last new entry; the server
    // failing (503) on a middle one: the run says so (exit 4) and keeps what
    // it did.
    const struct {
        int at;
        const char* action;
        int exitCode;
    } faults[] = {
        {1, "kill velk", -9},  {5, "kill velk", -9}, {8, "kill velk", -9},
        {3, "status 503", 4}, {6, "drop -", 4},     {4, "kill server", 4}};
    for (const auto& fault : faults) {
        const int killedAt = fault.at + (fault.exitCode == 4 ? 10 : 0);
        SCOPED_TRACE(killedAt);
        TempDir work;
        const std::string data = work.file("o.dat"), group = "Round " + std::to_string(killedAt);
        std::string file =
            "<type=Velk>\n<version=0.54>\n<data>\ng\ns<unnamed>\nI1\ng\ns" + group + "\nI2\n";
        for (int i = 0; i < 8; ++i)
            file += "t\nsTask " + std::to_string(i) + "\nI" + std::to_string(3 + i) + "\n>\n";
        writeWholeFile(data, file + ">\n>\n</data>\n");
        auto asVelk = [&](std::vector<std::string> args) {
            args.insert(args.begin(), {"-f", data});
            return ProcessSpec{args, work.path(), {{"HOME", work.path()}}};
        };
        // A user of its own: a home of its own on the server.
        const std::string user = "user" + std::to_string(killedAt);
        ASSERT_EQ(runProcess(asVelk({"--sync-setup", proxy.url(), "--user", user})).exitCode, 0);

        std::string action = fault.action;
        const bool killsServer = action == "kill server";
        const std::string serverPid = work.file("server.pid");
        writeWholeFile(serverPid, std::to_string(server.processId()));
        if (action == "kill velk") action = "kill " + proxy.pidFile();
        if (killsServer) action = "kill " + serverPid;
        proxy.rules("PUT " + std::to_string(fault.at) + " " + action + "\n");
        const pid_t velk = startProcess(asVelk({"--sync"}));
        writeWholeFile(proxy.pidFile(), std::to_string(velk));
        const ProcessResult failed = waitProcess(velk, 30);
        EXPECT_EQ(failed.exitCode, fault.exitCode) << failed.err;
        if (fault.at == 3) {
            EXPECT_NE(failed.err.find("answered 503"), std::string::npos) << failed.err;
        }
        proxy.rules("");
        if (killsServer) server.restart();
        ASSERT_TRUE(server.running());

        ProcessResult r = runProcess(asVelk({"--sync"}));
        ASSERT_EQ(r.exitCode, 0) << r.err;
        net::HttpClient http({user, "", "", 15, 60});
        net::DavClient dav(http);
        std::vector<net::DavResource> members, fetched;
        std::string error,
            collection = server.url() + user + "/round-" + std::to_string(killedAt) + "/";
        ASSERT_EQ(dav.members(collection, members, error), net::DAV_OK) << error;
        std::vector<std::string> urls;
        for (const net::DavResource& m : members)
            urls.push_back(m.url);
        ASSERT_EQ(dav.fetch(collection, urls, fetched, error), net::DAV_OK) << error;
        std::set<std::string> summaries;
        for (const net::DavResource& f : fetched)
            summaries.insert(f.data.substr(f.data.find("SUMMARY:"), 14));
        EXPECT_EQ(fetched.size(), 8u) << "each entry once on the server";
        EXPECT_EQ(summaries.size(), 8u);
        r = runProcess(asVelk({"--search", "Task"}));
        EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 8) << r.out;
        proxy.clearLog();
        r = runProcess(asVelk({"--sync"}));
        EXPECT_EQ(r.out, "synced 1 calendar: 0 in, 0 up, 0 deleted here, 0 deleted there\n");
        if (fault.at == 5) {
            // What the sync remembers lost, and the account set up anew:
            // the entries know their resources.
            std::remove((data + ".caldav").c_str());
            ASSERT_EQ(runProcess(asVelk({"--sync-setup", proxy.url(), "--user", user})).exitCode,
                      0);
            r = runProcess(asVelk({"--sync"}));
            EXPECT_EQ(r.out, "synced 1 calendar: 0 in, 0 up, 0 deleted here, 0 deleted there\n");
        }
        const std::string log = proxy.log();
        EXPECT_EQ(log.find("PUT "), std::string::npos) << log;
        EXPECT_EQ(log.find("DELETE "), std::string::npos) << log;
    }
}

// An answer the server cuts short (507 on the calendar, with the token to go
// on from) is followed until its end: every entry comes in, once.
TEST(Sync, AnAnswerCutShortIsFollowedToItsEnd) {
    RadicaleServer server;
    ASSERT_TRUE(server.running()) << server.log();
    FaultProxy proxy(server.port());
    ASSERT_TRUE(proxy.running());
    TempDir first, second;
    std::string file = "<type=Velk>\n<version=0.54>\n<data>\ng\ns<unnamed>\nI1\ng\nsHome\nI2\n";
    for (int i = 0; i < 6; ++i)
        file += "t\nsTask " + std::to_string(i) + "\nI" + std::to_string(3 + i) + "\n>\n";
    writeWholeFile(first.file("o.dat"), file + ">\n>\n</data>\n");
    auto run = [&](const TempDir& dir, std::vector<std::string> args) {
        args.insert(args.begin(), {"-f", dir.file("o.dat")});
        return runProcess({args, dir.path(), {{"HOME", dir.path()}}});
    };
    for (const TempDir* dir : {&first, &second})
        ASSERT_EQ(run(*dir, {"--sync-setup", proxy.url(), "--user", "velk"}).exitCode, 0);
    ASSERT_EQ(run(first, {"--sync"}).exitCode, 0);
    ASSERT_EQ(run(second, {"--sync"}).exitCode, 0);
    for (int i = 6; i < 12; ++i)
        ASSERT_EQ(run(first, {"--add", "Task " + std::to_string(i), "--group", "Home"}).exitCode,
                  0);
    ASSERT_EQ(run(first, {"--sync"}).exitCode, 0);

    proxy.clearLog();
    proxy.rules("REPORT 1 truncate -\n");
    const ProcessResult r = run(second, {"--sync"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "synced 1 calendar: 6 in, 0 up, 0 deleted here, 0 deleted there\n");
    const std::string log = proxy.log();
    EXPECT_EQ(log, "PROPFIND /velk/ 207\nREPORT /velk/home/ 207\nREPORT /velk/home/ 207\n"
                   "REPORT /velk/home/ 207\n")
        << "the cut answer, the rest, then the entries fetched";
    const ProcessResult found = run(second, {"--search", "Task"});
    EXPECT_EQ(std::count(found.out.begin(), found.out.end(), '\n'), 12) << found.out;
}

// Without a password command the password comes from the desktop's Secret
// Service, where the desktop's own tool finds the one Velk kept; a session
// without one gives none, and the server says no.
TEST(Sync, ThePasswordComesFromTheSecretService) {
    RadicaleServer server("s3cret-word");
    ASSERT_TRUE(server.running()) << server.log();
    PrivateSessionBus bus;
    ASSERT_TRUE(bus.running());
    TempDir work;
    auto run = [&](const std::string& busAddress, std::vector<std::string> args) {
        args.insert(args.begin(), {"-f", work.file("o.dat")});
        return runProcess({args,
                           work.path(),
                           {{"HOME", work.path()},
                            {"XDG_RUNTIME_DIR", ""},
                            {"DBUS_SESSION_BUS_ADDRESS", busAddress}}});
    };
    const std::vector<std::string> setUp = {"--sync-setup", server.url(), "--user", "velk"};
    ProcessResult r = run(bus.address(), setUp);
    EXPECT_EQ(r.exitCode, 2) << r.err;
    EXPECT_NE(r.err.find("did not take the user name and password"), std::string::npos) << r.err;

    ASSERT_TRUE(bus.startSecretService());
    ::setenv("DBUS_SESSION_BUS_ADDRESS", bus.address().c_str(), 1);
    std::string error, found;
    EXPECT_EQ(desktop::lookUpPassword(server.url(), "velk", found, error), 0) << error;
    ASSERT_EQ(desktop::keepPassword(server.url(), "velk", "s3cret-word", error), 0) << error;
    FILE* tool = ::popen(("secret-tool lookup url " + server.url() + " user velk").c_str(), "r");
    char buf[64] = "";
    ASSERT_NE(tool, nullptr);
    EXPECT_NE(std::fgets(buf, sizeof buf, tool), nullptr);
    ::pclose(tool);
    ::unsetenv("DBUS_SESSION_BUS_ADDRESS");
    EXPECT_STREQ(buf, "s3cret-word");

    r = run(bus.address(), setUp);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "the account works: 0 calendars at " + server.url() + "velk/\n");
    EXPECT_EQ(run("", {"--sync"}).exitCode, 4) << "a session without a bus asks no keyring";
    r = run(bus.address(), {"--sync"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(readWholeFile(work.file("o.dat.caldav")).find("s3cret"), std::string::npos);
}
