// Two organizers kept in step through a real Radicale: entries go up and come
// in, an edit travels in place, a conflict keeps both versions, a delete
// travels, a second run writes nothing, and the journal holds every step.

#include "engine/velk.h"
#include "net/dav_client.h"
#include "storage/sync_state.h"
#include "support/organizer.h"
#include "support/process.h"
#include "support/radicale.h"
#include "support/temp_dir.h"

#include <algorithm>
#include <filesystem>
#include <gtest/gtest.h>
#include <set>
#include <thread>
#include <unistd.h>

namespace {

const std::string homeFile =
    fixedLines +
    "<idmax=7>\ng\ns<unnamed>\nI1\nt\nsLoose end\nI2\n>\ng\nsHome\nI3\nt\nsPay rent\nI4\np5\nn" +
    std::to_string(packDate(20, 3, 2011) | DT_NOTIME) + "\n>\nt\nsDentist\nI5\np100\nS1\nm" +
    std::to_string(packDate(10, 3, 2011) | packTime(9, 0)) + "\nn" +
    std::to_string(packDate(10, 3, 2011) | packTime(10, 0)) +
    "\n>\ng\nsBills\nI6\nt\nsWater bill\nI7\n>\n>\n>\n>\n</data>\n";

struct Device {
    Device(const RadicaleServer& server, const std::string& content) {
        writeWholeFile(path, content);
        org = std::make_unique<TestOrganizer>(path);
        state.url = server.url();
        options.user = "velk";
    }
    T_SyncReport sync(int expect = SYNC_OK, bool allowMassDelete = false) {
        net::HttpClient http(options);
        net::DavClient dav(http);
        T_SyncReport report;
        EXPECT_EQ((*org)->syncCalendars(dav, state, allowMassDelete, report), expect)
            << report.error;
        return report;
    }
    Velk& v() { return **org; }
    ToDoListToDo& entry(const std::string& summary) {
        ToDoListToDo* t = findToDo(*v().getRoot(), summary);
        EXPECT_NE(t, nullptr) << summary;
        return *t;
    }
    TempDir dir;
    std::string path = dir.file("o.dat");
    std::unique_ptr<TestOrganizer> org;
    storage::T_SyncState state;
    net::HttpOptions options;
};

// An edit made in the window: the entry changes and is journalled.
void edit(Velk& v, ToDoListToDo& t, const std::string& summary) {
    v.setItem(&t);
    v.incsave_rememberTodo();
    t.setSummary(summary);
    v.incsave_saveCurItem();
}

} // namespace

TEST(CalDavSync, TwoOrganizersKeepInStepThroughTheServer) {
    RadicaleServer server;
    ASSERT_TRUE(server.running()) << server.log();
    // b has a calendar of its own, which finds no other's by mistake.
    Device a(server, homeFile),
        b(server, fixedLines + "<idmax=3>\ng\ns<unnamed>\nI1\ng\nsWork\nI2\nt\nsReport\nI3\n>\n>\n>\n"
                               "</data>\n");

    // A description to be kept enciphered never goes to the server.
    ToDoListToDo& rent = a.entry("Pay rent");
    rent.setDescription("PIN 4711");
    rent.SetSaveCrypt(true);
    T_SyncReport r = a.sync();
    EXPECT_EQ(r.collections, 2u);
    EXPECT_EQ(r.pushed, 4u);
    r = a.sync();
    EXPECT_EQ(r.puts + r.deletes, 0u) << "nothing to do writes nothing";

    net::HttpClient http(a.options);
    net::DavClient dav(http);
    std::vector<net::DavCollection> calendars;
    std::string error;
    ASSERT_EQ(dav.calendars(a.state.home, calendars, error), net::DAV_OK) << error;
    ASSERT_EQ(calendars.size(), 2u);

    r = b.sync();
    EXPECT_EQ(r.pulled, 4u);
    EXPECT_EQ(r.puts, 1u);
    EXPECT_EQ(a.sync().pulled, 1u);
    ToDoListGroup* work = findGroup(*a.v().getRoot(), "Work");
    ASSERT_NE(work, nullptr);
    EXPECT_NE(findToDo(*work, "Report"), nullptr);
    ToDoListGroup* home = findGroup(*b.v().getRoot(), "Home");
    ASSERT_NE(home, nullptr);
    EXPECT_EQ(home->getNrToDos(), 2u);
    ToDoListGroup* bills = findGroup(*home, "Bills");
    ASSERT_NE(bills, nullptr) << "the group below the calendar's travels with its entry";
    EXPECT_EQ(findToDo(*bills, "Water bill"), &b.entry("Water bill"));
    EXPECT_EQ(b.entry("Dentist").getDateTime(WHICH_BEGIN),
              a.entry("Dentist").getDateTime(WHICH_BEGIN));
    EXPECT_EQ(b.entry("Pay rent").getPriority(), 5u);

    // An edit travels in place: the same entry, the same sync ID.
    const unsigned rentID = a.entry("Pay rent").getSyncID();
    edit(b.v(), b.entry("Pay rent"), "Pay rent and bills");
    EXPECT_EQ(b.sync().pushed, 1u);
    EXPECT_EQ(a.sync().pulled, 1u);
    EXPECT_EQ(a.entry("Pay rent and bills").getSyncID(), rentID);
    EXPECT_EQ(a.entry("Pay rent and bills").getDescrData().getData().size(), 9u)
        << "the enciphered description stays here";
    for (const auto& f : std::filesystem::recursive_directory_iterator(server.storage())) {
        if (!f.is_regular_file()) continue;
        EXPECT_EQ(readWholeFile(f.path()).find("PIN 4711"), std::string::npos) << f.path();
    }

    // Both changed: the server's version in place, this one kept aside.
    edit(a.v(), a.entry("Dentist"), "Dentist at 8");
    edit(b.v(), b.entry("Dentist"), "Dentist at 9");
    b.sync();
    r = a.sync();
    EXPECT_EQ(r.conflicts, 1u);
    EXPECT_NE(findToDo(*a.v().getRoot(), "Dentist at 9"), nullptr);
    ToDoListGroup* kept = findGroup(*a.v().getRoot(), "Sync conflicts");
    ASSERT_NE(kept, nullptr);
    ASSERT_EQ(kept->getNrToDos(), 1u);
    EXPECT_EQ(kept->getToDo(0)->getSummary(), "Dentist at 8 (conflict, this computer, 2011-03-05)");
    EXPECT_TRUE(kept->getToDo(0)->extras().uid.empty()) << "a copy of its own, never synced";
    r = a.sync();
    EXPECT_EQ(r.puts + r.deletes + r.conflicts, 0u);

    // An edit beats a delete, both ways: it goes up again, or comes back.
    edit(a.v(), a.entry("Loose end"), "Loose end, tied");
    ASSERT_EQ(b.v().DeleteItem(&b.entry("Loose end")), 0);
    EXPECT_EQ(b.sync().deletedThere, 1u);
    r = a.sync();
    EXPECT_EQ(std::make_pair(r.deletedHere, r.pushed), std::make_pair(0u, 1u));
    EXPECT_EQ(b.sync().pulled, 1u);
    ASSERT_EQ(a.v().DeleteItem(&a.entry("Loose end, tied")), 0);
    edit(b.v(), b.entry("Loose end, tied"), "Loose end, cut");
    b.sync();
    r = a.sync();
    EXPECT_EQ(std::make_pair(r.deletes, r.pulled), std::make_pair(0u, 1u));
    EXPECT_EQ(b.sync().puts, 0u);

    // A delete travels.
    ASSERT_EQ(b.v().DeleteItem(&b.entry("Loose end, cut")), 0);
    EXPECT_EQ(b.sync().deletedThere, 1u);
    EXPECT_EQ(a.sync().deletedHere, 1u);
    EXPECT_EQ(findToDo(*a.v().getRoot(), "Loose end, cut"), nullptr);

    // A pasted copy of a synced group is new to the server: new UIDs, its
    // own calendar, nothing refused.
    a.v().setGroup(findGroup(*a.v().getRoot(), "Home"));
    const std::string clip = a.dir.file("clip");
    ASSERT_EQ(a.v().exportGroupToFile(clip.c_str()), 0);
    a.v().setGroup(a.v().getRoot());
    ASSERT_EQ(a.v().insertDataFromFile(clip.c_str()), 0);
    r = a.sync();
    EXPECT_EQ(r.pushed, 3u);
    EXPECT_EQ(r.puts, 3u) << "no write refused";
    std::set<std::string> uids;
    for (std::size_t g = 0; g < a.v().getRoot()->getNrGroups(); ++g) {
        ToDoListGroup& group = *a.v().getRoot()->getGroup(g);
        if (group.getSummary() != "Home") continue;
        for (const std::string summary : {"Pay rent and bills", "Dentist at 9", "Water bill"}) {
            ToDoListToDo* t = findToDo(group, summary);
            ASSERT_NE(t, nullptr) << summary;
            uids.insert(t->extras().uid);
        }
    }
    EXPECT_EQ(uids.size(), 6u) << "the copies have UIDs of their own";

    // Every step is in the journal: a restart gives the same organizer.
    const std::string before = dumpTree(a.v());
    TestOrganizer again(a.path);
    ASSERT_EQ(again.replayed, 1) << again.journalError;
    EXPECT_EQ(dumpTree(*again), before);
}

// A token the server no longer knows lists everything anew without doubling
// anything; a run that would delete most of a calendar stops; a data file
// older than the last run (a backup put back) deletes nothing and gets back
// what it lacks.
TEST(CalDavSync, SafetyValvesKeepTheServersEntries) {
    RadicaleServer server;
    ASSERT_TRUE(server.running()) << server.log();
    std::string lots = fixedLines + "g\ns<unnamed>\nI1\ng\nsLots\nI2\n";
    for (int i = 0; i < 24; ++i)
        lots += "t\nsTask " + std::to_string(i) + "\nI" + std::to_string(3 + i) + "\n>\n";
    Device a(server, lots + ">\n>\n</data>\n");
    EXPECT_EQ(a.sync().pushed, 24u);
    // Half of a calendar may go.
    for (int i = 12; i < 24; ++i)
        ASSERT_EQ(a.v().DeleteItem(&a.entry("Task " + std::to_string(i))), 0);
    EXPECT_EQ(a.sync().deletedThere, 12u);
    net::HttpClient http(a.options);
    net::DavClient dav(http);
    auto onServer = [&] {
        std::vector<net::DavResource> members;
        std::string error;
        EXPECT_EQ(dav.members(a.state.collections.at(0).url, members, error), net::DAV_OK);
        return members.size();
    };

    a.state.collections.at(0).token = "http://radicale.org/ns/sync/gone";
    T_SyncReport r = a.sync();
    EXPECT_EQ(r.pulled + r.puts + r.deletes, 0u);
    EXPECT_EQ(findGroup(*a.v().getRoot(), "Lots")->getNrToDos(), 12u);

    for (int i = 0; i < 11; ++i)
        ASSERT_EQ(a.v().DeleteItem(&a.entry("Task " + std::to_string(i))), 0);
    r = a.sync(SYNC_MASS_DELETE);
    EXPECT_NE(r.error.find("would delete 11 of the 12 entries"), std::string::npos) << r.error;
    EXPECT_EQ(onServer(), 12u);

    a.state.idmax = a.v().getIdMax() + 1; // the last run saw a newer data file
    r = a.sync(SYNC_OK, true);
    EXPECT_TRUE(r.reconciled);
    EXPECT_EQ(r.deletes, 0u);
    EXPECT_EQ(r.pulled, 11u);
    EXPECT_EQ(onServer(), 12u);
    EXPECT_EQ(findGroup(*a.v().getRoot(), "Lots")->getNrToDos(), 12u);
}

// An entry another program wrote (a zone of its own, a rule with a skipped
// day, a moved occurrence, an alarm, a property of its own) and whose
// summary is edited here goes back changed in that summary alone, compared
// line by line (the parts of a rule in any order).
TEST(CalDavSync, AForeignEntryEditedHereKeepsEverythingElse) {
    RadicaleServer server;
    ASSERT_TRUE(server.running()) << server.log();
    Device a(server, fixedLines + "g\n>\n</data>\n");
    net::HttpClient http(a.options);
    net::DavClient dav(http);
    std::string error, etag;
    std::string home;
    ASSERT_EQ(dav.discover(server.url(), home, error), net::DAV_OK) << error;
    const std::string cal = home + "club/";
    ASSERT_EQ(dav.makeCalendar(cal, "Club", error), net::DAV_OK) << error;
    const std::string foreign =
        "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Other//EN\r\n"
        "BEGIN:VTIMEZONE\r\nTZID:America/New_York\r\nBEGIN:STANDARD\r\nDTSTART:19701101T020000\r\n"
        "RRULE:FREQ=YEARLY;BYMONTH=11;BYDAY=1SU\r\nTZOFFSETFROM:-0400\r\nTZOFFSETTO:-0500\r\n"
        "END:STANDARD\r\nBEGIN:DAYLIGHT\r\nDTSTART:19700308T020000\r\n"
        "RRULE:FREQ=YEARLY;BYMONTH=3;BYDAY=2SU\r\nTZOFFSETFROM:-0500\r\nTZOFFSETTO:-0400\r\n"
        "END:DAYLIGHT\r\nEND:VTIMEZONE\r\nBEGIN:VEVENT\r\nUID:club@example.org\r\n"
        "DTSTAMP:20110101T000000Z\r\nSUMMARY:Club\r\n"
        "DTSTART;TZID=America/New_York:20110307T180000\r\n"
        "DTEND;TZID=America/New_York:20110307T190000\r\nRRULE:FREQ=WEEKLY\r\n"
        "EXDATE;TZID=America/New_York:20110314T180000\r\nX-OTHER-COLOUR:teal\r\n"
        "BEGIN:VALARM\r\nACTION:DISPLAY\r\nDESCRIPTION:Club\r\nTRIGGER:-PT15M\r\nEND:VALARM\r\n"
        "END:VEVENT\r\nBEGIN:VEVENT\r\nUID:club@example.org\r\nDTSTAMP:20110101T000000Z\r\n"
        "RECURRENCE-ID;TZID=America/New_York:20110321T180000\r\nSUMMARY:Club (moved)\r\n"
        "DTSTART;TZID=America/New_York:20110322T100000\r\n"
        "DTEND;TZID=America/New_York:20110322T110000\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n";
    ASSERT_EQ(dav.put(cal + "club.ics", foreign, "", etag, error), net::DAV_OK) << error;

    auto onServer = [&] {
        std::vector<net::DavResource> now;
        EXPECT_EQ(dav.fetch(cal, {cal + "club.ics"}, now, error), net::DAV_OK) << error;
        return now.empty() ? std::string() : now[0].data;
    };
    // Its lines, the summary, version and stamp aside, unfolded and sorted.
    auto lines = [](std::string text) {
        text.erase(std::remove(text.begin(), text.end(), '\r'), text.end());
        for (std::size_t at; (at = text.find("\n ")) != std::string::npos;)
            text.erase(at, 2);
        std::vector<std::string> out;
        for (std::size_t from = 0, to; (to = text.find('\n', from)) != std::string::npos;
             from = to + 1) {
            std::string line = text.substr(from, to - from);
            if (!line.rfind("SUMMARY:", 0) || !line.rfind("SEQUENCE:", 0) ||
                !line.rfind("DTSTAMP:", 0))
                continue;
            if (!line.rfind("RRULE:", 0)) {
                // The parts of a rule in any order mean the same rule.
                std::vector<std::string> parts;
                for (std::size_t a = 6, b; a <= line.size(); a = b + 1) {
                    b = std::min(line.find(';', a), line.size());
                    parts.push_back(line.substr(a, b - a));
                }
                std::sort(parts.begin(), parts.end());
                line = "RRULE:";
                for (const std::string& part : parts)
                    line += part + ";";
            }
            out.push_back(line);
        }
        std::sort(out.begin(), out.end());
        return out;
    };
    EXPECT_EQ(a.sync().pulled, 1u);
    T_SyncReport r = a.sync();
    EXPECT_EQ(r.puts, 0u) << "never written back only because Velk would write it otherwise";
    const std::string before = onServer();
    edit(a.v(), a.entry("Club"), "Chess club");
    EXPECT_EQ(a.sync().pushed, 1u);
    const std::string after = onServer();
    EXPECT_EQ(lines(after), lines(before)) << after;
    EXPECT_GT(lines(after).size(), 30u);
    EXPECT_NE(after.find("SUMMARY:Chess club"), std::string::npos) << after;
    EXPECT_NE(after.find("SUMMARY:Club (moved)"), std::string::npos);
    EXPECT_NE(after.find("SEQUENCE:1"), std::string::npos);
}

// Another device (python3-caldav) edits an entry while this one's write of
// it is on the way: the server refuses the write (412), and both versions
// stay, the other device's in place, this one's in "Sync conflicts".
TEST(CalDavSync, AnEditElsewhereWhileAWriteIsOnTheWayKeepsBoth) {
    RadicaleServer server;
    ASSERT_TRUE(server.running()) << server.log();
    FaultProxy proxy(server.port());
    ASSERT_TRUE(proxy.running());
    Device a(server, homeFile);
    a.state.url = proxy.url();
    a.sync();
    edit(a.v(), a.entry("Dentist"), "Dentist, moved");
    const std::string release = a.dir.file("release");
    proxy.rules("PUT 1 hold " + release + "\n");
    T_SyncReport r;
    std::thread run([&] { r = a.sync(); });
    ASSERT_TRUE(waitUntil([&] { return ::access((release + ".held").c_str(), F_OK) == 0; }));
    const std::string device = std::string("/usr/bin/python3 " VELK_SECOND_DEVICE " ") +
                               server.url() + "velk/ velk " + a.entry("Dentist, moved").extras().uid +
                               " 'Dentist, cancelled'";
    EXPECT_EQ(std::system(device.c_str()), 0) << device;
    writeWholeFile(release, "");
    run.join();
    EXPECT_EQ(r.conflicts, 1u);
    EXPECT_NE(findToDo(*a.v().getRoot(), "Dentist, cancelled"), nullptr) << "the other device's";
    ToDoListGroup* kept = findGroup(*a.v().getRoot(), "Sync conflicts");
    ASSERT_NE(kept, nullptr);
    EXPECT_EQ(kept->getToDo(0)->getSummary(),
              "Dentist, moved (conflict, this computer, 2011-03-05)");
    proxy.rules("");
    r = a.sync();
    EXPECT_EQ(r.puts + r.deletes + r.conflicts, 0u);
}

// A run paced as the window paces it: the entry being edited is left as it
// is (and comes in with the next run); an item removed while the run waits
// for the server ends the run before it touches the tree again, and the
// next run goes on without loss.
TEST(CalDavSync, APacedRunLeavesTheEditedEntryAndEndsWhenItemsGo) {
    RadicaleServer server;
    ASSERT_TRUE(server.running()) << server.log();
    Device a(server, homeFile), b(server, fixedLines + "<idmax=0>\ng\ns<unnamed>\nI1\n>\n</data>\n");
    a.sync();
    b.sync();
    edit(b.v(), b.entry("Pay rent"), "Pay rent now");
    b.sync();

    const ToDoListToDo* edited = &a.entry("Pay rent");
    std::function<void()> whileWaiting;
    T_SyncPacing pacing;
    pacing.wait = [&](const std::function<int()>& request) {
        if (whileWaiting) whileWaiting();
        return request();
    };
    pacing.editing = [&] { return edited; };
    auto paced = [&](int expect) {
        net::HttpClient http(a.options);
        net::DavClient dav(http);
        T_SyncReport report;
        EXPECT_EQ(a.v().syncCalendars(dav, a.state, false, report, nullptr, &pacing), expect)
            << report.error;
        return report;
    };
    EXPECT_EQ(paced(SYNC_OK).pulled, 0u);
    EXPECT_NE(findToDo(*a.v().getRoot(), "Pay rent"), nullptr) << "left while edited";
    edited = nullptr;
    EXPECT_EQ(a.sync().pulled, 1u) << "the next run takes it";
    EXPECT_NE(findToDo(*a.v().getRoot(), "Pay rent now"), nullptr);

    // Removed while a request waits: the run ends, the next deletes it there.
    int requests = 0;
    whileWaiting = [&] {
        if (++requests == 2) a.v().DeleteItem(&a.entry("Water bill"));
    };
    paced(SYNC_INTERRUPTED);
    EXPECT_EQ(a.sync().deletedThere, 1u);
    EXPECT_EQ(b.sync().deletedHere, 1u);
}
