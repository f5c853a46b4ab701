// Sync with a CalDAV server from the terminal, against a real Radicale.

#include "net/dav_client.h"
#include "storage/file_lock.h"
#include "support/process.h"
#include "support/radicale.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>
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
