// The terminal commands of the built program: what they print for a
// hand-written organizer, what they leave on disk, and how they refuse bad
// input. The organizer (tests/data/terminal/organizer.dat) holds, seen on
// Tuesday 22 December 2026 at 10:00 in Berlin: a weekly todo due on the 16th
// (overdue, and again on the 23rd), a todo overdue since the 20th that is
// recording time now, a todo due on the 24th at 18:00 with time recorded
// across the midnight before 1 December, a completed todo with time in a
// group whose name holds quotes, a note over three days from the 24th, an
// appointment on the 23rd with a plain description, and Christmas. Its
// journal file (organizer.dat0) adds a todo in "Home" due on the 23rd at 17:00.

#include "storage/file_lock.h"
#include "support/process.h"
#include "support/temp_dir.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const std::string dataDir = VELK_TEST_DATA_DIR "/terminal/";
const std::string organizer = readWholeFile(dataDir + "organizer.dat");
const std::string journal = readWholeFile(dataDir + "organizer.dat0");

class Terminal : public testing::Test {
  protected:
    void SetUp() override {
        writeWholeFile(data, organizer);
        writeWholeFile(data + "0", journal);
    }
    ProcessResult run(std::vector<std::string> args) const {
        args.insert(args.begin(), {"-f", data});
        return runProcess({args,
                           work.path(),
                           {{"USERPROFILE", home.path()},
                            {"HOME", home.path()},
                            {"TZ", "Europe/Berlin"},
                            {"VELK_NOW", "1797930000"}}}); // 2026-12-22 10:00 in Berlin
    }
    TempDir home, work;
    const std::string data = work.file("organizer.dat");
};

} // namespace

// Each read-only command prints what its golden file holds, with the journal
// replayed, while the files stay exactly as they were: no save, no lock, no
// clipboard, the journal not merged.
TEST_F(Terminal, ReadOnlyCommandsPrintTheGoldenTextAndWriteNothing) {
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{"--agenda"}, "agenda.txt"},
        {{"--agenda", "-c"}, "agenda.txt"}, // -c without a date: today
        {{"--search", "THE"}, "search.txt"},
        {{"--report"}, "report.txt"},
        {{"--report", "2026-11-30", "--csv"}, "report.csv"},
    };
    for (const auto& [args, golden] : cases) {
        ProcessResult r = run(args);
        EXPECT_EQ(r.exitCode, 0) << golden << ": " << r.err;
        EXPECT_EQ(r.err, "") << golden;
        EXPECT_EQ(r.out, readWholeFile(dataDir + golden)) << golden;
        EXPECT_EQ(namesIn(work.path()),
                  (std::vector<std::string>{"organizer.dat", "organizer.dat0"}));
        EXPECT_EQ(readWholeFile(data), organizer);
        EXPECT_EQ(readWholeFile(data + "0"), journal);
    }
}

// While a run holds the data file, the read-only commands still work; --add
// is refused and writes nothing.
TEST_F(Terminal, AddIsRefusedWhileAnotherRunHoldsTheFileAndReadersGoOn) {
    DataFileLock window;
    ASSERT_EQ(window.acquire(data), 0);
    EXPECT_EQ(run({"--agenda=1"}).exitCode, 0);
    ProcessResult r = run({"--add", "Buy stamps", "--group", "Home"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err,
              "velk: Velk is already running on the data file " + data + "; nothing was added\n");
    EXPECT_EQ(namesIn(work.path()),
              (std::vector<std::string>{"organizer.dat", "organizer.dat.lock", "organizer.dat0"}));
    EXPECT_EQ(readWholeFile(data), organizer);
    EXPECT_EQ(readWholeFile(data + "0"), journal);
}

// --add prints the new sync ID and leaves one journal entry after those of
// the runs before, which the next start merges into the data file in the
// group asked for.
TEST_F(Terminal, AddedItemsReachTheirGroupThroughTheJournal) {
    ProcessResult a = run({"--add", "Party", "--appointment", "--begin", "2026-12-31 20:00",
                           "--due", "2027-01-01 02:00", "--group", "/Work/Project \"X\""});
    ASSERT_EQ(a.exitCode, 0) << a.err;
    EXPECT_EQ(a.out, "14\n");
    // A begin without a time on the day of a due time is in order.
    ProcessResult b = run({"--add", "Call Anna", "--begin", "2026-12-24", "--due",
                           "2026-12-24 09:00", "--priority", "6"});
    ASSERT_EQ(b.exitCode, 0) << b.err;
    EXPECT_EQ(b.out, "15\n");
    EXPECT_EQ(namesIn(work.path()),
              (std::vector<std::string>{"organizer.dat", "organizer.dat.undo", "organizer.dat0",
                                        "organizer.dat1", "organizer.dat2"}));
    EXPECT_EQ(readWholeFile(data), organizer);
    EXPECT_NE(readWholeFile(data + "2").find("t\nsCall Anna\nI15\np6\nm449593344\nn449581568\n>\n"),
              std::string::npos);

    ASSERT_EQ(run({"-q"}).exitCode, 0);
    ProcessResult found = run({"--search", "party"});
    EXPECT_EQ(found.out,
              "a /Work/Project \"X\": Party (begin 2026-12-31 20:00, end 2027-01-01 02:00)\n");
    const std::string saved = readWholeFile(data);
    // The appointment after the last todo of "Project "X"", the todo after the
    // last one of the top level, the journal's todo after the last one of "Home".
    EXPECT_NE(saved.find("f1796976000\n>\nt\nsParty\nI14\np100\nS1\nm449816576\nn454067200\n>\n"),
              std::string::npos)
        << saved;
    EXPECT_NE(
        saved.find("f1793703600\n>\nt\nsCall Anna\nI15\np6\nm449593344\nn449581568\n>\ng\nsWork\n"),
        std::string::npos)
        << saved;
    EXPECT_NE(saved.find("X-ray\n>\nt\nsBuy a tree\nI13\nn449552896\n>\n>\n"), std::string::npos)
        << saved;
    // The last add, taken back and made again from the terminal (after the
    // save too); without a terminal to ask, only with --yes.
    EXPECT_EQ(run({"--undo"}).exitCode, 2);
    EXPECT_EQ(run({"--undo", "--yes"}).out, "undo: add Call Anna\nundone\n");
    EXPECT_EQ(run({"--search", "Anna"}).out, "");
    EXPECT_EQ(run({"--redo", "--yes"}).out, "redo: add Call Anna\nredone\n");
    EXPECT_EQ(run({"--redo", "--yes"}).exitCode, 1) << "nothing left to redo";
}

// A group goes out as an iCalendar file and comes back in as a new group
// named after the file, through one journal entry; while another run holds
// the data file both are refused, and a file that is not iCalendar changes
// nothing.
TEST_F(Terminal, CalendarFilesGoOutAndComeInThroughTheJournal) {
    const std::string ics = work.file("work.ics");
    {
        DataFileLock window;
        ASSERT_EQ(window.acquire(data), 0);
        ProcessResult out = run({"--export-ics", ics, "--group", "Work"});
        EXPECT_EQ(out.exitCode, 1);
        EXPECT_EQ(out.err, "velk: Velk is already running on the data file " + data +
                               "; nothing was exported\n");
        ProcessResult in = run({"--import-ics", VELK_TEST_DATA_DIR "/ics/todos.ics"});
        EXPECT_EQ(in.exitCode, 1);
    }
    EXPECT_EQ(namesIn(work.path()), (std::vector<std::string>{"organizer.dat", "organizer.dat0"}));

    ProcessResult out = run({"--export-ics", ics, "--group", "Work"});
    ASSERT_EQ(out.exitCode, 0) << out.err;
    EXPECT_EQ(out.out, "exported 3 entries to " + ics + "\n");
    EXPECT_NE(readWholeFile(ics).find("SUMMARY:Fix heating\\, now\r\n"), std::string::npos);

    writeWholeFile(work.file("notes.txt"), "not a calendar\n");
    ProcessResult bad = run({"--import-ics", work.file("notes.txt")});
    EXPECT_EQ(bad.exitCode, 2);
    EXPECT_NE(bad.err.find("; nothing was imported\n"), std::string::npos) << bad.err;

    ProcessResult in = run({"--import-ics", ics});
    ASSERT_EQ(in.exitCode, 0) << in.err;
    EXPECT_EQ(in.out, "imported 3 entries into the group /work\n");
    // Each exported entry's new UID, then the import.
    EXPECT_EQ(namesIn(work.path()),
              (std::vector<std::string>{"notes.txt", "organizer.dat", "organizer.dat.undo",
                                        "organizer.dat0", "organizer.dat1", "organizer.dat2",
                                        "organizer.dat3", "organizer.dat4", "work.ics"}));
    EXPECT_EQ(readWholeFile(data), organizer);
    ASSERT_EQ(run({"-q"}).exitCode, 0);
    ProcessResult found = run({"--search", "heating"});
    // The copy in the new group beside the original, in the order the window lists them.
    EXPECT_EQ(found.out, "o /work: Fix heating, now (due 2026-12-20, priority 1)\n"
                         "o /Work: Fix heating, now (due 2026-12-20, priority 1)\n");
    // An empty organizer gives no calendar without a component: no file at
    // all. The data file put in place by hand voids the undo history.
    writeWholeFile(data, readWholeFile(VELK_TEST_DATA_DIR "/fresh.dat"));
    const ProcessResult empty = run({"--export-ics", work.file("empty.ics")});
    EXPECT_EQ(empty.exitCode, 1);
    EXPECT_EQ(empty.err, "velk: The undo history was cleared: " + data +
                             " changed since it was written (a backup put back, or another "
                             "program).\nvelk: nothing to export: no todo, appointment or note; " +
                             work.file("empty.ics") + " was not written\n");
    EXPECT_FALSE(std::filesystem::exists(data + ".undo"));
    EXPECT_FALSE(std::filesystem::exists(work.file("empty.ics")));
}

// The organizer's own files, under any name, and anything but a regular file
// are never written by an export nor read by an import: exit code 2, every
// file as it was. A link to a regular file of the user's is written through.
TEST_F(Terminal, ExchangeNeverTouchesTheOrganizersOwnFiles) {
    const std::string elsewhere = home.path();
    for (const char* b : {"b0", "b2"})
        writeWholeFile(data + b, "backup\n");
    ASSERT_EQ(::symlink(data.c_str(), (elsewhere + "/link.ics").c_str()), 0);
    ASSERT_EQ(::link((data + "b2").c_str(), (elsewhere + "/hard.ics").c_str()), 0);
    ASSERT_EQ(::mkfifo((elsewhere + "/fifo.ics").c_str(), 0600), 0);
    const std::pair<std::string, std::string> targets[] = {
        {data, "it is the data file of this organizer"},
        {work.path() + "/./" + "organizer.dat", "it is the data file of this organizer"},
        {elsewhere + "/link.ics", "it is the data file of this organizer"},
        {elsewhere + "/hard.ics", "it is a backup of this organizer"},
        {data + "0", "it is a journal file of this organizer"},
        {data + "b0", "it is a backup of this organizer"},
        {data + "7", "that name belongs to a journal file of this organizer"},
        {data + ".lock", "it is the lock file of this organizer"}, // held by the export
        {elsewhere + "/fifo.ics", "it is a FIFO, not a regular file"},
        {"/dev/null", "it is a character device, not a regular file"},
    };
    for (const auto& [target, why] : targets) {
        SCOPED_TRACE(target);
        const ProcessResult out = run({"--export-ics", target});
        EXPECT_EQ(out.exitCode, 2);
        EXPECT_TRUE(out.err.starts_with("velk: cannot write " + target + ": " + why) &&
                    out.err.ends_with("; nothing was exported\n"))
            << out.err;
        if (target.find("fifo") == std::string::npos && target.find(".lock") == std::string::npos &&
            target.find("dat7") == std::string::npos && target != "/dev/null") {
            const ProcessResult in = run({"--import-ics", target});
            EXPECT_EQ(in.exitCode, 2);
            EXPECT_TRUE(in.err.starts_with("velk: " + why) &&
                        in.err.ends_with("; nothing was imported\n"))
                << in.err;
        }
        EXPECT_EQ(namesIn(work.path()),
                  (std::vector<std::string>{"organizer.dat", "organizer.dat0", "organizer.datb0",
                                            "organizer.datb2"}));
        EXPECT_EQ(readWholeFile(data), organizer);
        EXPECT_EQ(readWholeFile(data + "0"), journal);
        EXPECT_EQ(readWholeFile(data + "b0") + readWholeFile(data + "b2"), "backup\nbackup\n");
    }
    // Another user's file is not replaced (where the test may make one).
    const std::string theirs = elsewhere + "/theirs.ics";
    writeWholeFile(theirs, "theirs\n");
    if (::chown(theirs.c_str(), 65534, 65534) == 0) {
        EXPECT_EQ(run({"--export-ics", theirs}).err,
                  "velk: cannot write " + theirs +
                      ": it belongs to another user; nothing was exported\n");
        EXPECT_EQ(readWholeFile(theirs), "theirs\n");
    }
    // A link to a calendar file of the user's stays a link to the new content.
    writeWholeFile(elsewhere + "/mine.ics", "old\n");
    ASSERT_EQ(::symlink("mine.ics", (elsewhere + "/to-mine.ics").c_str()), 0);
    ASSERT_EQ(run({"--export-ics", elsewhere + "/to-mine.ics"}).exitCode, 0);
    EXPECT_NE(readWholeFile(elsewhere + "/mine.ics").find("BEGIN:VCALENDAR"), std::string::npos);
    EXPECT_EQ(std::filesystem::read_symlink(elsewhere + "/to-mine.ics"), "mine.ics");
}

// A reader tells of what it passes over: an empty journal file, one behind a
// gap, and the days of an agenda past the last date Velk holds.
TEST_F(Terminal, ReadersTellWhatTheyPassOver) {
    writeWholeFile(data + "1", "");
    writeWholeFile(data + "3", journal);
    const ProcessResult r = run({"--agenda=14", "-c", "2127-12-31"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.err,
              "velk: the journal file " + data +
                  "1 is empty: the change it was written "
                  "for never reached the disk and is lost\n"
                  "velk: the journal file " +
                  data +
                  "3 lies behind a gap in the numbering "
                  "and was not replayed; the next start keeps it aside for recovery by hand\n"
                  "velk: the agenda ends on 2127-12-31, the last date Velk holds; the 13 days "
                  "after it are not shown\n");
    EXPECT_EQ(run({"--agenda=14", "-c", "2127-12-18"}).err.find("agenda ends"), std::string::npos)
        << "fourteen days that fit are not cut";
}

// On the first run --add and --import-ics make the data file, as the window
// does; without -f and without a default candidate, Velk says which file it
// uses and how to choose another.
TEST_F(Terminal, TheFirstAddOrImportMakesTheDataFile) {
    for (const auto& args :
         {std::vector<std::string>{"--add", "Buy milk"},
          std::vector<std::string>{"--import-ics", VELK_TEST_DATA_DIR "/ics/todos.ics"}}) {
        std::remove(data.c_str()), std::remove((data + "0").c_str());
        std::remove((data + ".undo").c_str());
        EXPECT_EQ(run({"--agenda"}).exitCode, 2) << "a reader needs a data file";
        const ProcessResult made = run(args);
        EXPECT_EQ(made.exitCode, 0) << made.err;
        EXPECT_EQ(namesIn(work.path()),
                  (std::vector<std::string>{"organizer.dat", "organizer.dat.undo"}));
        EXPECT_NE(run({"--search", args[0] == "--add" ? "milk" : "Lowest"}).out, "");
    }
    const ProcessResult first = runProcess({{"--add", "Call Anna"},
                                            work.path(),
                                            {{"HOME", home.path()}, {"USERPROFILE", home.path()}}});
    EXPECT_EQ(first.exitCode, 0);
    EXPECT_EQ(first.err, "velk: no data file was found; Velk makes " +
                             work.file("velk_default.dat") +
                             " (choose another with -f FILE, or with a line \"default = ~/FILE\" "
                             "in ~/.velkrc/velk.config)\n");
    EXPECT_NE(readWholeFile(work.file("velk_default.dat")).find("Call Anna"), std::string::npos);
}

// Bad input gets one line on standard error and exit code 2; nothing is
// written.
TEST_F(Terminal, BadInputIsRefusedWithOneLine) {
    struct Case {
        std::vector<std::string> args;
        std::string message;
    };
    const Case cases[] = {
        {{"--frobnicate"}, "unknown option --frobnicate"},
        {{"--agenda", "-x"}, "unknown option -x"},
        {{"--agenda=5"}, "--agenda=DAYS: DAYS is 1, 2, 3, 7 or 14, not '5'"},
        {{"--agenda=", "-c", "2026-02-30"}, "--agenda=DAYS: DAYS is 1, 2, 3, 7 or 14, not ''"},
        {{"--agenda", "-c", "2026-02-30"},
         "invalid date '2026-02-30' for -c (expected YYYY-MM-DD between 2000 and 2127)"},
        {{"--agenda", "stray"}, "unexpected argument 'stray'"},
        {{"--search"}, "--search needs a value"},
        {{"--search", "x", "--agenda"}, "--search and --agenda cannot be given together"},
        {{"--add", "x", "--due", "2026-12-24 25:00"},
         "invalid date '2026-12-24 25:00' for --due (expected YYYY-MM-DD[ HH:MM] between 2000 "
         "and 2127)"},
        {{"--add", "x", "--begin", "2026-12-25", "--due", "2026-12-24 10:00"},
         "the begin 2026-12-25 lies after the due date 2026-12-24 10:00"},
        {{"--add", "x", "--begin", "2026-12-24"}, "a todo's --begin needs its --due"},
        {{"--add", "x", "--note", "--due", "2026-12-24"},
         "the end (--due) of a note or appointment needs its --begin"},
        {{"--add", "x", "--priority", "7"}, "--priority is 1 to 6, not '7'"},
        {{"--add", "x", "--priority", "0"}, "--priority is 1 to 6, not '0'"},
        {{"--add", "x", "--note", "--appointment"}, "--note and --appointment exclude each other"},
        {{"--add", "x", "--note", "--priority", "2"},
         "--priority is for todos, not for notes or appointments"},
        {{"--search", "x", "--group", "Home"},
         "--group belongs to --add, --export-ics and --import-ics"},
        {{"--report", "2026-12-02", "2026-12-01"},
         "the report's first day 2026-12-02 lies after its last day 2026-12-01"},
        {{"--report", "--csv=yes"}, "--csv takes no value"},
        {{"--search", "x", "--yes"}, "--yes belongs to --undo and --redo"},
        {{"--report", "2026/12/01"},
         "invalid date '2026/12/01' for --report (expected YYYY-MM-DD between 2000 and 2127)"},
    };
    for (const Case& c : cases) {
        ProcessResult r = run(c.args);
        EXPECT_EQ(r.exitCode, 2) << c.message;
        EXPECT_EQ(r.err, "velk: " + c.message + " (see velk --help)\n");
        EXPECT_EQ(r.out, "");
    }
    // Refusals found after the files were looked at.
    ProcessResult noGroup = run({"--add", "x", "--group", "Work/Nope"});
    EXPECT_EQ(noGroup.exitCode, 2);
    EXPECT_EQ(noGroup.err, "velk: there is no group /Work/Nope; nothing was added\n");
    writeWholeFile(work.file("broken.dat"), "<type=Velk>\n");
    ProcessResult broken = runProcess({{"--agenda", "-f", work.file("broken.dat")},
                                       work.path(),
                                       {{"USERPROFILE", home.path()}, {"HOME", home.path()}}});
    EXPECT_EQ(broken.exitCode, 2);
    EXPECT_NE(broken.err.find("is corrupt"), std::string::npos) << broken.err;
    // What the reader says about a file goes to standard error, never into the output.
    std::string deep = "<type=Velk>\n<version=0.54>\n<data>\n";
    for (int level = 0; level <= 1001; ++level)
        deep += "g\nsG\n";
    writeWholeFile(work.file("deep.dat"), deep);
    ProcessResult deepRun = run({"--search", "G", "-f", work.file("deep.dat")});
    EXPECT_EQ(deepRun.exitCode, 2);
    EXPECT_EQ(deepRun.out, "");
    EXPECT_NE(deepRun.err.find("Groups nested deeper than 1000 levels are not read\n"),
              std::string::npos)
        << deepRun.err;
    ProcessResult brokenAdd = runProcess({{"--add", "x", "-f", work.file("broken.dat")},
                                          work.path(),
                                          {{"USERPROFILE", home.path()}, {"HOME", home.path()}}});
    EXPECT_EQ(brokenAdd.exitCode, 2);
    EXPECT_EQ(brokenAdd.err, "velk: the data file " + work.file("broken.dat") +
                                 " is corrupt; nothing was added\n");
    ProcessResult noDefault = runProcess(
        {{"--agenda"}, work.path(), {{"USERPROFILE", home.path()}, {"HOME", home.path()}}});
    EXPECT_EQ(noDefault.exitCode, 2);
    EXPECT_EQ(noDefault.err, "velk: no data file: " + work.file("velk_default.dat") +
                                 " does not exist yet (choose another with -f FILE, or with a "
                                 "line \"default = ~/FILE\" in ~/.velkrc/velk.config)\n");
    ProcessResult missing = run({"--search", "x", "-f", work.file("none.dat")});
    EXPECT_EQ(missing.exitCode, 2);
    EXPECT_EQ(missing.err, "velk: cannot read the data file " + work.file("none.dat") + "\n");
    EXPECT_EQ(namesIn(work.path()), (std::vector<std::string>{"broken.dat", "deep.dat",
                                                              "organizer.dat", "organizer.dat0"}));
    EXPECT_EQ(readWholeFile(data), organizer);
}

// A save that was interrupted leaves retired journal files; a reader cannot
// tell what the data file holds and says so instead of guessing.
TEST_F(Terminal, ReadersWaitForAnInterruptedSaveAndThenRefuse) {
    writeWholeFile(data + "1.mergedAbC123", journal);
    ProcessResult r = run({"--agenda"});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_NE(r.err.find("a save of the data file " + data + " is under way or was interrupted"),
              std::string::npos)
        << r.err;
    EXPECT_EQ(r.out, "");
}

// The help and the manual page name every option.
TEST(TerminalHelp, HelpAndManualNameEveryOptionAndVersionTheVersion) {
    ProcessResult help = runProcess({{"--help"}, "/", {}});
    EXPECT_EQ(help.exitCode, 0);
    std::string manual = readWholeFile(VELK_TEST_DATA_DIR "/../../docs/velk.1");
    for (std::size_t at = manual.find("\\-"); at != std::string::npos; at = manual.find("\\-"))
        manual.erase(at, 1); // roff writes a dash as "\-"
    for (const char* option :
         {"--agenda", "--search", "--add", "--due", "--begin", "--priority", "--group", "--note",
          "--appointment", "--report", "--csv", "--help", "--version", "-f FILE", "-c", "-s", "-q"})
        EXPECT_NE(help.out.find(option), std::string::npos) << option;
    for (const char* option : {"--agenda", "--search", "--add", "--due", "--begin", "--priority",
                               "--group", "--note", "--appointment", "--report", "--csv", "--help",
                               "--version", "-f", "-c", "-s", "-q", "VELK_NOW"})
        EXPECT_NE(manual.find(option), std::string::npos) << option;
    ProcessResult version = runProcess({{"--version"}, "/", {}});
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_EQ(version.out, "velk 0.54\n");
}
