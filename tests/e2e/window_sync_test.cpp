// Sync from the window of the real program, against a real Radicale (with a
// password, kept in a real keyring on a bus of the test's own) behind
// the fault proxy, which holds a request until the test lets it go: the
// window must stay live while it waits, and lose nothing.

#include "desktop/secret_store.h"
#include "support/process.h"
#include "support/radicale.h"
#include "support/session_bus.h"
#include "support/temp_dir.h"
#include "support/velk_window.h"

#include <ctime>
#include <filesystem>
#include <gtest/gtest.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

// The text of every resource of every calendar the server keeps. The server
// may be writing meanwhile: a file gone while the folder is read is read again.
std::string serverHolds(const RadicaleServer& server, int* resources = nullptr) {
    for (int attempt = 0; attempt < 50; ++attempt) {
        std::string all;
        int n = 0;
        std::error_code ec;
        for (fs::recursive_directory_iterator it(server.storage(), ec), end; !ec && it != end;
             it.increment(ec))
            if (it->path().extension() == ".ics" &&
                it->path().string().find(".Radicale.cache") == std::string::npos)
                all += readWholeFile(it->path().string()), ++n;
        if (ec) continue;
        if (resources) *resources = n;
        return all;
    }
    return std::string();
}

} // namespace

// The account is set up in the window's dialog. The proxy holds the
// listing of "sync now": meanwhile the list scrolls, and an entry is opened,
// changed and closed. An entry changed again while its upload is held goes
// up with the next run, the one at the end. A failed sync says "offline".
// A window closed while a listing is held ends at once, with every edit
// saved, makes no last sync, and the next sync takes the edit to the server.
TEST(WindowSync, TheWindowStaysLiveWhileTheServerWaitsAndLosesNothing) {
    PrivateXServer x;
    ASSERT_TRUE(x.ok());
    RadicaleServer server("pw"); // only velk with "pw" gets in
    ASSERT_TRUE(server.running()) << server.log();
    FaultProxy proxy(server.port());
    ASSERT_TRUE(proxy.running());
    TempDir work;
    const std::string data = work.file("w.dat"), hold = work.file("release");
    std::string file = "<type=Velk>\n<version=0.54>\n<data>\ng\ns<unnamed>\nI1\ng\nsHome\nI2\n";
    for (int i = 1; i <= 40; ++i) {
        const std::string n = (i < 10 ? "0" : "") + std::to_string(i);
        file += "t\nsTask " + n + "\nI" + std::to_string(2 + i) + "\n>\n";
    }
    writeWholeFile(data, file + ">\n>\n</data>\n");
    // A keyring on a bus of the test's own. The clock stands, so that the
    // title says when it synced.
    PrivateSessionBus bus;
    ASSERT_TRUE(bus.startSecretService());
    const std::map<std::string, std::string> env = {
        {"HOME", work.path()},      {"USERPROFILE", work.path()},
        {"VELK_NOW", "1299322800"}, {"DBUS_SESSION_BUS_ADDRESS", bus.address()},
        {"XDG_RUNTIME_DIR", ""}};
    const std::time_t now = 1299322800;
    char at[8];
    std::strftime(at, sizeof at, "%H:%M", std::localtime(&now));
    auto velk = [&](std::vector<std::string> args) {
        args.insert(args.begin(), {"-f", data});
        return ProcessSpec{args, work.path(), env};
    };
    const auto held = [](const std::string& release) {
        return waitUntil([&] { return ::access((release + ".held").c_str(), F_OK) == 0; }, 20);
    };
    const auto journalled = [&](const std::string& text) {
        return waitUntil([&] {
            for (int n = 0; n < 100; ++n)
                if (readWholeFile(data + std::to_string(n)).find(text) != std::string::npos)
                    return true;
            return false;
        });
    };
    // The title after a run that ended well (during a held request it says "syncing").
    const auto synced = [&] {
        return waitForWindow("Velk: " + data + " (synced " + at + ")", 20) != 0;
    };
    {
        // The account set up in the window: its password goes to the keyring.
        VelkWindow w(velk({}), data);
        ASSERT_TRUE(w.ok());
        ASSERT_TRUE(w.menu("f+ Right Down Down Down Down Down Return")); // "sync account..."
        const unsigned long dialog = waitForWindow("Sync account");
        ASSERT_NE(dialog, 0u);
        w.clickIn(dialog, 180, 25);
        w.typeTo(dialog, proxy.url() + "\tvelk\tpw");
        w.clickIn(dialog, 145, 215); // "Check"
        ASSERT_TRUE(waitUntil([&] { return fs::exists(data + ".caldav"); }));
        w.clickIn(dialog, 245, 215); // "Close"
        ASSERT_TRUE(synced()) << "the first sync follows";
        ::setenv("DBUS_SESSION_BUS_ADDRESS", bus.address().c_str(), 1);
        std::string kept, error;
        EXPECT_EQ(desktop::lookUpPassword(proxy.url(), "velk", kept, error), 1);
        ::unsetenv("DBUS_SESSION_BUS_ADDRESS");
        EXPECT_EQ(kept, "pw");

        proxy.rules("REPORT 1 hold " + hold + "1\n");
        ASSERT_TRUE(w.menu("f+ Right Down Down Down Down Down Down Return")); // "sync now"
        ASSERT_TRUE(held(hold + "1"));
        EXPECT_NE(waitForWindow("Velk: " + data + " (syncing)", 1), 0u);
        w.keys("Down Right"); // "Home"; the list scrolls down to "Task 30"
        for (int i = 0; i < 29; ++i)
            w.keys("Down");
        w.keys("Right End");
        w.type(" seen");
        w.keys("alt+c");
        ASSERT_TRUE(journalled("\nsTask 30 seen\n")) << "keys reached the editor while it waited";
        writeWholeFile(hold + "1", "");
        ASSERT_TRUE(synced());

        // Changed again while its upload is held: the change goes up at the end.
        proxy.rules("PUT 1 hold " + hold + "2\n");
        // Closing the editor leaves no line selected: Down selects the first.
        std::string down;
        for (int i = 0; i < 30; ++i)
            down += "Down ";
        w.keys(down + "Right End");
        w.type(" again");
        w.keys("alt+c"); // closed before the menu is opened: keys come in order
        ASSERT_TRUE(w.menu("f+ Right Down Down Down Down Down Down Return")); // "sync now"
        ASSERT_TRUE(held(hold + "2"));
        w.keys(down + "Right End");
        w.type(" and more");
        w.keys("alt+c");
        ASSERT_TRUE(journalled("\nsTask 30 seen again and more\n"));
        writeWholeFile(hold + "2", "");
        ASSERT_TRUE(waitUntil([&] {
            return serverHolds(server).find("SUMMARY:Task 30 seen again\r\n") != std::string::npos;
        }));
        ASSERT_TRUE(synced());
        ASSERT_TRUE(askWindowToClose(w.id()));
        EXPECT_EQ(w.waitForEnd().exitCode, 0);
    }
    int resources = 0;
    EXPECT_NE(serverHolds(server, &resources).find("SUMMARY:Task 30 seen again and more"),
              std::string::npos)
        << "the last run, before the end";

    // Closed while a request is held: the window ends at once, and saves.
    {
        // The start-up sync fails, quietly; "sync now" waits for its listing.
        proxy.rules("PROPFIND 1 status 503\nREPORT 1 hold " + hold + "3\n");
        VelkWindow w(velk({}), data);
        ASSERT_TRUE(w.ok());
        ASSERT_NE(waitForWindow("Velk: " + data + " (offline)"), 0u);
        proxy.clearLog();
        ASSERT_TRUE(w.menu("f+ Right Down Down Down Down Down Down Return")); // "sync now"
        ASSERT_TRUE(held(hold + "3"));
        w.keys("Down Right Down Right End");
        w.type(" closed");
        w.keys("alt+c");
        ASSERT_TRUE(journalled("\nsTask 01 closed\n"));
        ASSERT_TRUE(askWindowToClose(w.id()));
        EXPECT_EQ(w.waitForEnd(10).exitCode, 0) << "the held request did not keep it open";
    }
    EXPECT_EQ(proxy.log().find("REPORT"), std::string::npos) << "no last sync after that";
    writeWholeFile(hold + "3", "");
    EXPECT_FALSE(fs::exists(data + "0")) << "saved into the data file";
    EXPECT_NE(readWholeFile(data).find("\nsTask 01 closed\n"), std::string::npos);
    proxy.rules("");
    const ProcessResult after = runProcess(velk({"--sync"}));
    EXPECT_EQ(after.exitCode, 0) << after.err;
    EXPECT_NE(serverHolds(server, &resources).find("SUMMARY:Task 01 closed"), std::string::npos);
    EXPECT_EQ(resources, 40) << "nothing twice";
}
