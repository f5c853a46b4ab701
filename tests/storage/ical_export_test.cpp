// The iCalendar export of a hand-built tree, compared with a golden file
// written by hand from the mapping (tests/data/ics/export.ics) and checked by
// libical's own parser and restriction check.

#include "storage/ical_export.h"

#include "model/description.h"
#include "model/group.h"
#include "storage/file_tools.h"
#include "storage/ical_import.h"
#include "storage/ical_values.h"
#include "support/dates.h"
#include "support/temp_dir.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <gtest/gtest.h>
#include <libical/ical.h>
#include <optional>
#include <random>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<unsigned char>;
constexpr unsigned APPT = PRIO_APPOINTMENT, NOTE = PRIO_NOTE;

// A stand-in cipher: bytes XOR 0x5a, padded to whole 16-byte blocks.
bool loggedIn = true;
Bytes transform(Bytes out) {
    for (auto& b : out)
        b ^= 0x5a;
    out.resize((out.size() + 15) / 16 * 16, 0xa5);
    return out;
}
bool apply(DescriptionCipher*, const Bytes& in, bool, Bytes& out) {
    return out = transform(in), true;
}
const T_DescrCipher fakeCipher = {[](DescriptionCipher* c) { return c && loggedIn; }, apply, apply};
const DescriptionCipher* const manager = reinterpret_cast<const DescriptionCipher*>(&loggedIn);
Bytes textBytes(const std::string& s) {
    return Bytes(s.c_str(), s.c_str() + s.size() + 1);
}

struct Entry {
    unsigned sync;
    const char* summary;
    unsigned prio;
    packedDT begin = DT_EMPTY, end = DT_EMPTY;
    T_recData rec = {};
};

ToDoListToDo* add(ToDoListGroup& g, const Entry& e) {
    ToDoListToDo* t = g.newToDo();
    t->setSyncID(e.sync);
    t->setSummary(e.summary);
    t->setPriority(e.prio);
    t->setDateTimeDirect(WHICH_BEGIN, e.begin);
    t->setDateTimeDirect(WHICH_END, e.end);
    t->setRecDataDirect(e.rec);
    return t;
}

T_recData rule(int type, int interval = 1, packedDT rangeBegin = DT_EMPTY,
               packedDT rangeEnd = DT_EMPTY) {
    return T_recData{type, interval, rangeBegin, rangeEnd};
}

// The tree of the golden file: entries of every kind at the top, a group
// whose name needs escaping, and a group inside it.
struct Tree {
    ToDoListGroup root{0, "/", 0};
    ToDoListGroup* work = nullptr;
    ToDoListGroup* deep = nullptr;
    ToDoListToDo* secret = nullptr;

    Tree() {
        add(root, {1, "Dentist", APPT, at(2011, 3, 7, 9, 30), at(2011, 3, 7, 10, 45)})
            ->setDescription("Bring the card,\nask about the bill; in €: 40\\50 — Grüße");
        add(root, {2, "Trip", NOTE, on(2011, 3, 10), on(2011, 3, 12)});
        add(root, {20, "New Year", NOTE, on(2127, 12, 31), on(2127, 12, 31)});
        ToDoListToDo* urgent =
            add(root, {3, "Urgent", 6, at(2011, 3, 8, 8, 0), at(2011, 3, 11, 17, 0)});
        urgent->setShowTimeAsDirect(1);
        urgent->addTime(1299000000, 1299003600);
        urgent->addTime(1299010000, 1299010000);
        urgent->setRunningDirect(true);
        secret = add(root, {4, "Secret", 3, DT_EMPTY, on(2011, 3, 20)});
        secret->getDescrData().SetStoredForm(transform(textBytes("the code is 1234")),
                                             DescrData::DESCR_SAVECRYPT | DescrData::DESCR_CBC |
                                                 DescrData::DESCR_ENCIPHERED);
        add(root, {5, "Mixed", 2, on(2011, 3, 14), at(2011, 3, 15, 12, 0)});
        add(root, {6, "Call", APPT, at(2011, 3, 16, 14, 0)});
        add(root, {11, "Yoga", NOTE, on(2011, 3, 9), on(2011, 3, 9),
                   rule(REC_WEEKLY, 1, on(2011, 3, 9), on(2011, 6, 29))});
        add(root, {12, "Club", APPT, at(2011, 4, 29, 19, 0), at(2011, 4, 29, 21, 0),
                   rule(REC_MONTHLY_BY_DAY)});
        add(root, {18, "Board", 3, on(2011, 3, 8), on(2011, 3, 8), rule(REC_MONTHLY_BY_DAY, 3)});
        add(root, {13, "Rent", 4, on(2011, 1, 31), on(2011, 1, 31), rule(REC_MONTHLY_BY_DATE)});
        add(root, {14, "Leap party", NOTE, on(2012, 2, 29), on(2012, 2, 29), rule(REC_YEARLY)});
        add(root, {15, "Anniversary", APPT, at(2011, 6, 1, 18, 0), at(2011, 6, 1, 20, 0),
                   rule(REC_YEARLY, 2)});
        add(root, {16, "Backup", 3, at(2011, 3, 6, 21, 0), at(2011, 3, 6, 22, 0),
                   rule(REC_DAILY, 1, DT_EMPTY, on(2011, 3, 26))});
        add(root, {17, "Someday", 1});
        add(root, {19, "Evening", APPT, at(2011, 3, 18, 22, 0), at(2011, 3, 18, 24, 0),
                   rule(REC_DAILY, 0)});
        work = root.newGroup();
        work->setSummary("Work, home; misc");
        add(*work, {7, "Report", 5, on(2011, 3, 8), on(2011, 3, 11)});
        add(*work, {8, "Standup", APPT, at(2011, 3, 7, 9, 0), at(2011, 3, 7, 9, 15),
                    rule(REC_DAILY, 2, DT_EMPTY, on(2011, 3, 31))});
        deep = work->newGroup();
        deep->setSummary("Deep");
        add(*deep, {9, "Old task", 0, DT_EMPTY, on(2011, 3, 1)})
            ->setCompletedDirect({true, 1299100000});
        add(*deep,
            {10, "Water plants", 3, on(2011, 3, 5), on(2011, 3, 5), rule(REC_DAILY_RESETABLE, 3)});
    }
};

// The lines of an iCalendar text with folded lines joined again.
std::vector<std::string> unfoldedLines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t eol = text.find('\n', pos);
        if (eol == std::string::npos) eol = text.size();
        std::string line = text.substr(pos, eol - pos);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!line.empty() && (line[0] == ' ' || line[0] == '\t') && !lines.empty())
            lines.back() += line.substr(1);
        else
            lines.push_back(line);
        pos = eol + 1;
    }
    return lines;
}

// The calendar's own lines, then each entry's lines, each sorted (the order of
// properties inside a component carries no meaning); the VTIMEZONE, which
// libical's zone data fills, is taken out and checked apart.
struct Parts {
    std::vector<std::vector<std::string>> components;
    unsigned zones = 0;
    std::string zoneID;
};
Parts parts(const std::string& text) {
    Parts p;
    p.components.emplace_back();
    int depth = 0;
    bool inZone = false;
    for (const std::string& line : unfoldedLines(text)) {
        if (line.rfind("BEGIN:", 0) == 0) ++depth;
        if (depth == 2 && line == "BEGIN:VTIMEZONE") inZone = true, ++p.zones;
        if (inZone) {
            if (line.rfind("TZID:", 0) == 0) p.zoneID = line.substr(5);
            if (depth == 2 && line == "END:VTIMEZONE") inZone = false;
        } else if (depth == 2 && line.rfind("BEGIN:", 0) == 0) {
            p.components.push_back({line});
        } else if (depth >= 1) {
            p.components.back().push_back(line);
        }
        if (line.rfind("END:", 0) == 0) --depth;
    }
    for (auto& c : p.components)
        std::sort(c.begin(), c.end());
    return p;
}

std::string joined(const std::vector<std::string>& lines) {
    std::string s;
    for (const auto& l : lines)
        s += l + "\n";
    return s;
}

// Sets TZ for the guard's lifetime.
class ZoneGuard {
  public:
    explicit ZoneGuard(const char* tz) {
        if (const char* old = std::getenv("TZ")) saved = old;
        setenv("TZ", tz, 1);
        tzset();
    }
    ~ZoneGuard() {
        if (saved)
            setenv("TZ", saved->c_str(), 1);
        else
            unsetenv("TZ");
        tzset();
    }

  private:
    std::optional<std::string> saved;
};

struct IcsExport : testing::Test {
    void SetUp() override { setDescrCipherForTesting(&fakeCipher), loggedIn = true; }
    void TearDown() override { setDescrCipherForTesting(nullptr); }
    ZoneGuard zone{"Europe/Berlin"};
    PinnedClock clock;
    Tree tree;
    T_IcsExportReport report;
};

} // namespace

TEST_F(IcsExport, WritesEveryEntryAsTheGoldenFileSays) {
    const std::string text = iCalendarText(tree.root, tree.root, nullptr, report);
    const Parts got = parts(text);
    const Parts want = parts(readWholeFile(VELK_TEST_DATA_DIR "/ics/export.ics"));
    ASSERT_EQ(got.components.size(), want.components.size()) << text;
    for (std::size_t i = 0; i < want.components.size(); ++i)
        EXPECT_EQ(joined(got.components[i]), joined(want.components[i])) << "component " << i;
    EXPECT_EQ(got.zones, 1u);
    EXPECT_EQ(got.zoneID, "Europe/Berlin");
    EXPECT_EQ(report.entries, 20u);
    EXPECT_EQ(report.encipheredLeftOut, 1u);
}

TEST_F(IcsExport, PassesLibicalsParserAndRestrictionCheck) {
    const std::string text = iCalendarText(tree.root, tree.root, nullptr, report);
    // Physical lines end in CRLF and hold at most 75 octets, as RFC 5545 asks.
    std::size_t pos = 0;
    while (pos < text.size()) {
        const std::size_t eol = text.find("\r\n", pos);
        ASSERT_NE(eol, std::string::npos) << "unterminated last line";
        EXPECT_LE(eol - pos, 75u) << text.substr(pos, eol - pos);
        pos = eol + 2;
    }
    icalcomponent* cal = icalparser_parse_string(text.c_str());
    ASSERT_NE(cal, nullptr);
    EXPECT_EQ(icalrestriction_check(cal), 1);
    // The parser and the check report what they find as X-LIC-ERROR properties.
    std::vector<std::string> errors;
    for (icalcomponent* c = icalcomponent_get_first_component(cal, ICAL_ANY_COMPONENT); c;
         c = icalcomponent_get_next_component(cal, ICAL_ANY_COMPONENT))
        for (icalproperty* p = icalcomponent_get_first_property(c, ICAL_XLICERROR_PROPERTY); p;
             p = icalcomponent_get_next_property(c, ICAL_XLICERROR_PROPERTY))
            errors.push_back(icalproperty_get_xlicerror(p));
    EXPECT_EQ(icalcomponent_count_errors(cal), 0);
    EXPECT_TRUE(errors.empty()) << errors.front();
    EXPECT_EQ(icalcomponent_count_components(cal, ICAL_VTODO_COMPONENT) +
                  icalcomponent_count_components(cal, ICAL_VEVENT_COMPONENT),
              20);
    icalcomponent_free(cal);
}

TEST_F(IcsExport, ExportsAnEncipheredDescriptionOnlyWithALoggedInCipher) {
    // clang-format off
    struct Case { const char* rule; const DescriptionCipher* cipher; bool logged; bool storedPlain;
                  bool shown; } cases[] = {
        {"no cipher: left out and counted",          nullptr, true,  false, false},
        {"a cipher nobody is logged in to",          manager, false, false, false},
        {"logged in: deciphered, marked",            manager, true,  false, true},
        {"to be enciphered, plain in memory, locked", manager, false, true,  false},
        {"to be enciphered, plain in memory, logged in", manager, true, true, true},
    };
    // clang-format on
    for (const Case& c : cases) {
        Tree t;
        if (c.storedPlain) {
            t.secret->setDescription("the code is 1234");
            t.secret->SetSaveCrypt(true);
        }
        const DescrData before = t.secret->getDescrData();
        loggedIn = c.logged;
        const Parts got = parts(iCalendarText(t.root, t.root, c.cipher, report));
        const std::vector<std::string>& secret = got.components[5];
        auto has = [&](const std::string& line) {
            return std::count(secret.begin(), secret.end(), line) == 1;
        };
        EXPECT_EQ(has("SUMMARY:Secret"), true) << c.rule;
        EXPECT_EQ(has("DESCRIPTION:the code is 1234"), c.shown) << c.rule;
        EXPECT_EQ(has("X-VELK-CRYPT:1"), c.shown) << c.rule;
        EXPECT_EQ(secret.size(), c.shown ? 10u : 8u) << c.rule << joined(secret);
        EXPECT_EQ(report.encipheredLeftOut, c.shown ? 0u : 1u) << c.rule;
        EXPECT_EQ(t.secret->getDescrData(), before) << c.rule << ": the tree stays as it was";
    }
}

TEST_F(IcsExport, WritesTheLocalZoneOrFloatingTimes) {
    // clang-format off
    struct Case { const char* tz; const char* dtstart; const char* rrule; unsigned zones; } cases[] = {
        {":Europe/Berlin", "DTSTART;TZID=Europe/Berlin:20110307T090000",
         "RRULE:FREQ=DAILY;UNTIL=20110331T215959Z;INTERVAL=2", 1},
        {"America/New_York", "DTSTART;TZID=America/New_York:20110307T090000",
         "RRULE:FREQ=DAILY;UNTIL=20110401T035959Z;INTERVAL=2", 1},
        // A zone libical does not know by that name: floating local times.
        {"CET-1CEST,M3.5.0,M10.5.0/3", "DTSTART:20110307T090000",
         "RRULE:FREQ=DAILY;UNTIL=20110331T235959;INTERVAL=2", 0},
    };
    // clang-format on
    for (const Case& c : cases) {
        ZoneGuard zone(c.tz);
        const Parts got = parts(iCalendarText(*tree.work, tree.root, nullptr, report));
        ASSERT_EQ(got.components.size(), 5u) << c.tz;
        const std::vector<std::string>& standup = got.components[2];
        EXPECT_EQ(std::count(standup.begin(), standup.end(), c.dtstart), 1) << joined(standup);
        EXPECT_EQ(std::count(standup.begin(), standup.end(), c.rrule), 1) << joined(standup);
        EXPECT_EQ(got.zones, c.zones) << c.tz;
    }
    // Without a timed value no VTIMEZONE is written.
    EXPECT_EQ(parts(iCalendarText(*tree.deep, tree.root, nullptr, report)).zones, 0u);
}

TEST_F(IcsExport, ExportsTheSubtreeWithTheGroupNamesFromTheRoot) {
    const Parts got = parts(iCalendarText(*tree.deep, tree.root, nullptr, report));
    ASSERT_EQ(got.components.size(), 3u);
    EXPECT_EQ(report.entries, 2u);
    for (std::size_t i : {1u, 2u})
        EXPECT_EQ(std::count(got.components[i].begin(), got.components[i].end(),
                             "CATEGORIES:Work\\, home\\; misc,Deep"),
                  1);
    EXPECT_EQ(got.components[1][0], "BEGIN:VTODO");
}

// A group and one inside it, holding a task: CATEGORIES unfolded, written by
// hand, with the line folded before its escapes or not.
TEST_F(IcsExport, EscapesTheCommasSemicolonsAndBackslashesOfEachGroupName) {
    const std::tuple<const char*, const char*, const char*, bool> rows[] = {
        {"Plans for the year; budget, travel", "house, garden; notes, ideas",
         R"(CATEGORIES:Plans for the year\; budget\, travel,house\, garden\; notes\, ideas)", true},
        {R"(C:\temp\, D:\)", ";", R"(CATEGORIES:C:\\temp\\\, D:\\,\;)", false},
        {"A\x1f"
         "B,\x1e"
         "C;",
         "\x1e"
         "X",
         R"(CATEGORIES:AB\,C\;,X)", false}, // stand-ins dropped
    };
    for (const auto& [outer, inner, line, folded] : rows) {
        ToDoListGroup root{0, "/", 0};
        ToDoListGroup* g = root.newGroup();
        g->setSummary(outer);
        (g = g->newGroup())->setSummary(inner);
        add(*g, {1, "Task", 3, DT_EMPTY, on(2011, 3, 8)});
        const std::string text = iCalendarText(root, root, nullptr, report);
        const std::vector<std::string> lines = unfoldedLines(text);
        EXPECT_EQ(std::count(lines.begin(), lines.end(), line), 1) << text;
        const std::size_t cat = text.find("\r\nCATEGORIES:");
        EXPECT_EQ(text.compare(text.find("\r\n", cat + 2), 3, "\r\n ") == 0, folded) << text;
    }
}

TEST_F(IcsExport, ReplacesTheFileOrLeavesItAsItWas) {
    TempDir dir;
    const std::string path = dir.file("out.ics");
    writeWholeFile(path, "old");
    ASSERT_EQ(exportICalendar(path, tree.root, tree.root, nullptr, report), 0);
    EXPECT_EQ(readWholeFile(path), iCalendarText(tree.root, tree.root, nullptr, report));
    EXPECT_EQ(report.error, "");

    writeWholeFile(path, "old");
    FileTools::ops().rename = [](const char*, const char*) { return errno = ENOSPC, -1; };
    EXPECT_EQ(exportICalendar(path, tree.root, tree.root, nullptr, report), -1);
    FileTools::ops() = FileTools::systemOps();
    EXPECT_EQ(report.error, "No space left on device");
    EXPECT_EQ(readWholeFile(path), "old");
    EXPECT_EQ(namesIn(dir.path()), std::vector<std::string>{"out.ics"});

    EXPECT_EQ(exportICalendar(dir.file("missing/out.ics"), tree.root, tree.root, nullptr, report),
              -1);
    EXPECT_EQ(report.error, "No such file or directory");
}

// One entry alone, as a server keeps it: the same entry gives the same text
// with a fixed stamp, so that its hash says whether it changed.
TEST(IcsEntryText, OneEntryAloneAndTheHashOfItsText) {
    // FIPS 180-2's vectors.
    EXPECT_EQ(sha256Hex("abc"), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    EXPECT_EQ(sha256Hex(""), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
    ToDoListToDo t(0, "/0/");
    t.setSummary("Dentist");
    t.setPriority(PRIO_APPOINTMENT);
    t.setDateTimeDirect(WHICH_BEGIN, at(2024, 3, 5, 9, 0));
    t.setDateTimeDirect(WHICH_END, at(2024, 3, 5, 10, 0));
    t.setUid("dentist@example.org");
    T_IcsExportReport report;
    const std::string text = entryICalendar(t, {"Health"}, nullptr, true, report);
    EXPECT_EQ(report.entries, 1u);
    EXPECT_EQ(text, entryICalendar(t, {"Health"}, nullptr, true, report));
    EXPECT_NE(text.find("\r\nDTSTAMP:19700101T000000Z\r\n"), std::string::npos) << text;
    EXPECT_NE(text.find("\r\nUID:dentist@example.org\r\n"), std::string::npos);
    EXPECT_NE(text.find("\r\nCATEGORIES:Health\r\n"), std::string::npos);
    icalcomponent* cal = icalparser_parse_string(text.c_str());
    ASSERT_NE(cal, nullptr);
    EXPECT_EQ(icalcomponent_count_components(cal, ICAL_VEVENT_COMPONENT), 1);
    icalcomponent_free(cal);
    // The groups below a calendar's, whatever their names hold.
    const std::vector<std::string> path = {"A/B", "50%", "x,y;z", "\\"};
    std::vector<std::string> back;
    EXPECT_FALSE(velkPathOf(text, back));
    EXPECT_TRUE(velkPathOf(entryICalendar(t, {}, nullptr, true, report, &path), back));
    EXPECT_EQ(back, path);
    t.setSummary("Dentist, moved");
    EXPECT_NE(sha256Hex(entryICalendar(t, {"Health"}, nullptr, true, report)), sha256Hex(text));
}

// A reminder goes out as a displayed alarm and comes back; an alarm Velk
// cannot hold is no reminder, and stays the other program's when Velk
// changes the reminder in its entry.
TEST(IcsReminder, GoesOutAsAnAlarmAndComesBackBesideOtherAlarms) {
    const struct {
        const char* lines;
        bool todo;
        int minutes;
    } alarms[] = {
        {"ACTION:DISPLAY\r\nTRIGGER:-PT15M", false, 15},
        {"ACTION:AUDIO\r\nTRIGGER;RELATED=START:-P1DT2H", false, 1560},
        {"ACTION:DISPLAY\r\nTRIGGER:PT0S", false, 0},
        {"ACTION:DISPLAY\r\nTRIGGER;RELATED=END:-PT10M", true, 10},
        {"ACTION:DISPLAY\r\nTRIGGER:-PT10M", true, -1},
        {"ACTION:DISPLAY\r\nTRIGGER;RELATED=END:-PT10M", false, -1},
        {"ACTION:EMAIL\r\nTRIGGER:-PT10M", false, -1},
        {"ACTION:DISPLAY\r\nTRIGGER;VALUE=DATE-TIME:20240101T090000Z", false, -1},
        {"ACTION:DISPLAY\r\nTRIGGER:PT5M", false, -1},
        {"ACTION:DISPLAY\r\nTRIGGER:-PT30S", false, -1},
        {"ACTION:DISPLAY\r\nTRIGGER:-P4W", false, MAX_REMIND_BEFORE},
        {"ACTION:DISPLAY\r\nTRIGGER:-P4WT1M", false, -1},
    };
    for (const auto& a : alarms)
        EXPECT_EQ(storage::icsAlarmReminder(
                      std::string("BEGIN:VALARM\r\n") + a.lines + "\r\nEND:VALARM\r\n", a.todo),
                  a.minutes)
            << a.lines;

    ToDoListToDo bill(0, "/0/");
    bill.setSummary("Pay the bill");
    bill.setDateTimeDirect(WHICH_END, at(2024, 3, 5, 12, 0));
    bill.setRemindBefore(30);
    T_IcsExportReport report;
    const std::string text = entryICalendar(bill, {}, nullptr, true, report);
    EXPECT_NE(text.find("TRIGGER;RELATED=END:-PT30M\r\n"), std::string::npos) << text;
    std::vector<std::unique_ptr<ToDoListToDo>> back;
    storage::T_IcsImportReport in;
    ASSERT_EQ(storage::readICalendarText(text, back, in), 0) << in.error;
    EXPECT_EQ(back.at(0)->extras().remindBefore, 30);

    const std::string server =
        "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Other//EN\r\nBEGIN:VEVENT\r\n"
        "UID:club@example.org\r\nDTSTAMP:20240101T000000Z\r\nSUMMARY:Club\r\n"
        "DTSTART:20240105T180000Z\r\nBEGIN:VALARM\r\nACTION:EMAIL\r\nSUMMARY:Club\r\n"
        "DESCRIPTION:Club\r\nATTENDEE:mailto:ann@example.org\r\nTRIGGER:-P1D\r\n"
        "END:VALARM\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n";
    ASSERT_EQ(storage::readICalendarText(server, back, in), 0) << in.error;
    ToDoListToDo& club = *back.back();
    EXPECT_EQ(club.extras().remindBefore, NO_REMINDER);
    const std::string theirs = entryICalendar(club, {}, nullptr, true, report);
    club.setRemindBefore(20);
    std::string patched, again;
    ASSERT_EQ(
        patchICalendar(server, entryICalendar(club, {}, nullptr, true, report), theirs, patched),
        0);
    EXPECT_NE(patched.find("ATTENDEE:mailto:ann@example.org"), std::string::npos) << patched;
    EXPECT_NE(patched.find("TRIGGER:-PT20M"), std::string::npos) << patched;
    const std::string twenty = entryICalendar(club, {}, nullptr, true, report);
    club.setRemindBefore(NO_REMINDER);
    ASSERT_EQ(
        patchICalendar(patched, entryICalendar(club, {}, nullptr, true, report), twenty, again), 0);
    EXPECT_EQ(again.find("TRIGGER:-PT20M"), std::string::npos) << again;
    EXPECT_NE(again.find("TRIGGER:-P1D"), std::string::npos) << again;
}

namespace {

// A seeded tree of every kind of entry whose texts hold what is escaped,
// dropped or folded: commas, semicolons, backslashes, newlines, CR, tabs and
// multi-byte UTF-8 at every place of a line. Tame keeps to what libical reads
// back as it was: no text begins or ends in a space, group names (one level
// deep) hold no comma or semicolon, and work times, a comma-separated X-
// value that libical splits, are left out.
struct Seeded {
    std::mt19937 r;
    bool tame;
    int pick(int n) { return int(r() % unsigned(n)); }
    // Each draw in its own statement, so that every compiler draws in one order.
    packedDT day() {
        const int d = 1 + pick(28), m = 1 + pick(12);
        return packDate(d, m, 2000 + pick(128)) | DT_NOTIME;
    }
    packedDT when() {
        if (pick(3) == 0) return day();
        const packedDT d = day() & DT_DATEMASK;
        const int h = pick(25);
        return d | packTime(h, pick(60));
    }
    std::string text(int most, const char* leaveOut = "") {
        // clang-format off
        static const char* const pieces[] = {"a", "Zq", " ", ";", ":", ",", "\\", "\n", "\r", "\t",
            "\xc3\xa4", "\xe2\x82\xac", "\xf0\x9f\x98\x80", "word ", "^\"", "\x01"};
        // clang-format on
        std::string s = tame ? "<" : "";
        for (int n = pick(most + 1); n > 0; --n)
            if (const char* p = pieces[pick(16)]; !std::strpbrk(p, leaveOut)) s += p;
        return tame ? s + ">" : s;
    }
    void fill(ToDoListGroup& g, int n, int depth) {
        for (int i = 0; i < n; ++i) {
            ToDoListToDo* t = add(g, {unsigned(i), "", 0});
            t->setSummary(text(pick(2) ? 12 : 40));
            t->setPriority(std::vector<unsigned>{0, 1, 3, 6, APPT, NOTE}[std::size_t(pick(6))]);
            if (pick(5)) t->setDateTimeDirect(WHICH_BEGIN, when());
            if (pick(5))
                t->setDateTimeDirect(WHICH_END, pick(3) ? when() : t->getDateTime(WHICH_BEGIN));
            // A rule needs its dates; without them libical cannot read it.
            const bool dated = dtHasDate(t->getDateTime(WHICH_BEGIN) | t->getDateTime(WHICH_END));
            if (pick(3) == 0 && (dated || !tame))
                t->setRecDataDirect({1 + pick(6), pick(8) ? 1 + pick(3) : 0,
                                     pick(3) ? DT_EMPTY : day(), pick(2) ? DT_EMPTY : day(),
                                     uint8_t(pick(128)), pick(4) == 0});
            if (pick(3) == 0) {
                t->setSkippedDirect({day()});
                t->setAddedDirect({when()});
            }
            if (pick(2)) t->setUid(text(30));
            if (pick(6) == 0) t->setRecurrenceId(";VALUE=DATE:20110310");
            if (pick(5) == 0) t->setVersion(pick(4), "");
            if (pick(3) == 0) t->setRemindBefore(pick(3) ? pick(20000) : 7 * 24 * 60 * pick(3));
            if (pick(3) == 0) {
                std::string d = pick(3) ? "" : storage::LOCATION_PREFIX + text(20, "\n") + "\n";
                t->setDescription((d += text(120)).c_str());
            }
            if (pick(5) == 0) t->setCompletedDirect({true, int32_t(r())});
            if (pick(6) == 0) t->setShowTimeAsDirect(1 + pick(2));
            if (const int32_t from = int32_t(r()); !tame && pick(5) == 0)
                t->addTime(from, from / 2);
            if (pick(8) == 0) t->setRunningDirect(true);
        }
        for (int k = depth < (tame ? 1 : 2) ? 1 + pick(3) : 0; k > 0; --k) {
            ToDoListGroup* child = g.newGroup();
            child->setSummary(text(tame ? 10 : 40, tame ? ",;" : ""));
            fill(*child, n / 2 + 1, depth + 1);
        }
    }
};

// The text from the line after PRODID (which names Velk's version), without
// the VTIMEZONE, which the system's zone data fills.
std::string comparable(std::string text) {
    const std::size_t zone = text.find("BEGIN:VTIMEZONE\r\n");
    if (zone != std::string::npos) text.erase(zone, text.find("END:VTIMEZONE\r\n") + 15 - zone);
    return text.substr(text.find("\r\n", text.find("\r\nPRODID:") + 2) + 2);
}

} // namespace

// seeded_export.ics was written by the export when libical still made every
// line, from the seeded tree below: the export must keep those bytes, since
// a sync keeps the hash of an entry's text.
TEST_F(IcsExport, WritesTheBytesTheExportHasAlwaysWritten) {
    ToDoListGroup root{0, "/", 0};
    Seeded{std::mt19937(2011), false}.fill(root, 8, 0);
    // A summary with a zero byte inside, where the text ends, and a
    // description that names a place alone.
    add(root, {98, "", 3})->setSummary(std::string_view("before\0after", 12));
    add(root, {99, "Fair", APPT, on(2011, 3, 9)})->setDescription("Location: Hall 3");
    const std::string text = iCalendarText(root, root, nullptr, report);
    EXPECT_EQ(comparable(text),
              comparable(readWholeFile(VELK_TEST_DATA_DIR "/ics/seeded_export.ics")));
    // The zone comes right after the calendar's own properties.
    EXPECT_EQ(text.find("\r\nBEGIN:VTIMEZONE\r\n"),
              text.find("\r\n", text.find("\r\nPRODID:") + 2));
}

// libical as the oracle: what it reads from the export it writes again as
// the very same bytes, folding and escapes included; the export streamed to
// a file, in many pieces, is that text too.
TEST_F(IcsExport, WritesWhatLibicalReadsBackAndWritesAgainUnchanged) {
    ToDoListGroup root{0, "/", 0};
    Seeded{std::mt19937(5), true}.fill(root, 150, 0);
    // Lines without a space, colon or semicolon to fold at: multi-byte
    // characters, and bytes that no UTF-8 sequence begins with.
    std::string euros;
    for (int i = 0; i < 40; ++i)
        euros += "\xe2\x82\xac";
    add(root, {99, "", 3})->setSummary(euros);
    root.getToDo(0)->setDescription(std::string(100, '\x80').c_str());
    const std::string text = iCalendarText(root, root, nullptr, report);
    ASSERT_GT(text.size(), 1u << 16); // more than one piece of 64 KiB
    auto again = [](const std::string& ics) {
        icalcomponent* cal = icalparser_parse_string(ics.c_str());
        char* out = cal ? icalcomponent_as_ical_string_r(cal) : nullptr;
        const std::string s = out ? out : "";
        std::free(out);
        if (cal) icalcomponent_free(cal);
        return s;
    };
    EXPECT_EQ(again(text), text);
    // An entry alone carries the zone exactly when one of its values is timed.
    for (std::size_t i = 0; i < root.getNrToDos(); ++i) {
        const std::string one = entryICalendar(*root.getToDo(i), {}, nullptr, true, report);
        EXPECT_EQ(again(one), one);
        EXPECT_EQ(one.find(";TZID=") != std::string::npos,
                  one.find("BEGIN:VTIMEZONE") != std::string::npos)
            << one;
    }
    TempDir dir;
    ASSERT_EQ(exportICalendar(dir.file("out.ics"), root, root, nullptr, report), 0);
    EXPECT_EQ(readWholeFile(dir.file("out.ics")), text);
}
