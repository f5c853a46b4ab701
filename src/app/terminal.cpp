#include "app/terminal.h"

#include "app/command_line.h"
#include "app/remind_command.h"
#include "app/sync_commands.h"
#include "app/terminal_changes.h"
#include "engine/plain_views.h"
#include "engine/time_report.h"
#include "engine/velk.h"
#include "model/clock.h"
#include "storage/file_tools.h"
#include "storage/journal_files.h"

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <thread>

#ifndef VELK_VERSION
#define VELK_VERSION "unknown"
#endif

namespace {

bool digitsAt(const std::string& s, std::size_t from, std::size_t n, int& value) {
    if (from + n > s.size()) return false;
    value = 0;
    for (std::size_t i = from; i < from + n; ++i) {
        if (s[i] < '0' || s[i] > '9') return false;
        value = value * 10 + (s[i] - '0');
    }
    return true;
}

// The options each command accepts beside -f.
struct Seen {
    bool firstDay = false, due = false, begin = false, priority = false, group = false;
    bool note = false, appointment = false, csv = false, account = false, massDelete = false;
    bool yes = false;
};

const char* commandName(TerminalCommand c) {
    switch (c) {
    case TerminalCommand::Agenda:
        return "--agenda";
    case TerminalCommand::Search:
        return "--search";
    case TerminalCommand::Add:
        return "--add";
    case TerminalCommand::Report:
        return "--report";
    case TerminalCommand::Help:
        return "--help";
    case TerminalCommand::Version:
        return "--version";
    case TerminalCommand::SyncSetup:
        return "--sync-setup";
    case TerminalCommand::Sync:
        return "--sync";
    case TerminalCommand::Remind:
        return "--remind";
    case TerminalCommand::Undo:
        return "--undo";
    case TerminalCommand::Redo:
        return "--redo";
    default:
        return "";
    }
}

// Checks that every option given belongs to the command. Result: 0, or -1
// with error set.
int checkOptionsFit(const TerminalRequest& r, const Seen& seen, std::string& error) {
    const bool add = r.command == TerminalCommand::Add;
    const std::pair<bool, const char*> addOnly[] = {{seen.due, "--due"},
                                                    {seen.begin, "--begin"},
                                                    {seen.priority, "--priority"},
                                                    {seen.note, "--note"},
                                                    {seen.appointment, "--appointment"}};
    for (const auto& o : addOnly)
        if (o.first && !add) {
            error = std::string(o.second) + " belongs to --add";
            return -1;
        }
    if (seen.group && !add && r.command != TerminalCommand::ExportIcs &&
        r.command != TerminalCommand::ImportIcs) {
        error = "--group belongs to --add, --export-ics and --import-ics";
        return -1;
    }
    if (seen.account && r.command != TerminalCommand::SyncSetup) {
        error = "--user and --password-command belong to --sync-setup";
        return -1;
    }
    if (seen.yes && r.command != TerminalCommand::Undo && r.command != TerminalCommand::Redo) {
        error = "--yes belongs to --undo and --redo";
        return -1;
    }
    if (seen.massDelete && r.command != TerminalCommand::Sync) {
        error = "--allow-mass-delete belongs to --sync";
        return -1;
    }
    if (seen.csv && r.command != TerminalCommand::Report) {
        error = "--csv belongs to --report";
        return -1;
    }
    if (seen.firstDay && r.command != TerminalCommand::Agenda) {
        error = "-c belongs to --agenda (or to a run with the window)";
        return -1;
    }
    if (seen.note && seen.appointment) {
        error = "--note and --appointment exclude each other";
        return -1;
    }
    if (seen.priority && (seen.note || seen.appointment)) {
        error = "--priority is for todos, not for notes or appointments";
        return -1;
    }
    // A todo is filed by its due date, an appointment or note by its begin:
    // the other date alone would be dropped.
    if (add && seen.begin && !seen.due && !seen.note && !seen.appointment) {
        error = "a todo's --begin needs its --due";
        return -1;
    }
    if (add && seen.due && !seen.begin && (seen.note || seen.appointment)) {
        error = "the end (--due) of a note or appointment needs its --begin";
        return -1;
    }
    if (add) {
        const packedDT b = r.item.begin, d = r.item.due;
        // Without a time on both, the days are compared.
        const bool late = dtHasTime(b) && dtHasTime(d) ? b > d : dtDateOnly(b) > dtDateOnly(d);
        if (dtHasDate(b) && dtHasDate(d) && late) {
            error =
                "the begin " + plainDateTime(b) + " lies after the due date " + plainDateTime(d);
            return -1;
        }
    }
    if (r.command == TerminalCommand::Report && dtHasDate(r.from) && dtHasDate(r.to) &&
        r.from > r.to) {
        error = "the report's first day " + plainDateTime(r.from) + " lies after its last day " +
                plainDateTime(r.to);
        return -1;
    }
    return 0;
}

} // namespace

int parseDateTime(const std::string& text, bool allowTime, packedDT& value) {
    int y, m, d, hour = 0, minute = 0;
    if (text.size() != 10 && !(allowTime && text.size() == 16)) return -1;
    if (!digitsAt(text, 0, 4, y) || text[4] != '-' || !digitsAt(text, 5, 2, m) || text[7] != '-' ||
        !digitsAt(text, 8, 2, d) || !isValidDate(d, m, y))
        return -1;
    packedDT v = packDate(d, m, y) | DT_NOTIME;
    if (text.size() == 16) {
        if (text[10] != ' ' || !digitsAt(text, 11, 2, hour) || text[13] != ':' ||
            !digitsAt(text, 14, 2, minute) || hour > 23 || minute > 59)
            return -1;
        v = packDate(d, m, y) | packedDT(hour) << 9 | packedDT(minute) << 3;
    }
    value = v;
    return 0;
}

bool isTerminalCommandLine(const std::vector<std::string>& args) {
    for (const std::string& a : args)
        if (a.size() >= 2 && a[0] == '-' && a[1] == '-') return true;
    return false;
}

int parseTerminalCommand(const std::vector<std::string>& args, TerminalRequest& r,
                         std::string& error) {
    Seen seen;
    int reportDays = 0;
    auto setCommand = [&](TerminalCommand c) {
        if (r.command != TerminalCommand::None && r.command != c) {
            error = std::string(commandName(r.command)) + " and " + commandName(c) +
                    " cannot be given together";
            return false;
        }
        r.command = c;
        return true;
    };
    auto badDate = [&](const std::string& option, const std::string& text, bool time) {
        error = "invalid date '" + text + "' for " + option + " (expected YYYY-MM-DD" +
                (time ? std::string("[ HH:MM]") : std::string()) + " between 2000 and 2127)";
        return -1;
    };
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a.size() >= 2 && a[0] == '-' && a[1] == '-') {
            const std::size_t eq = a.find('=');
            const std::string name = a.substr(0, eq);
            const bool attached = eq != std::string::npos;
            std::string value = attached ? a.substr(eq + 1) : std::string();
            auto takeValue = [&]() {
                if (attached) return true;
                if (i + 1 >= args.size()) {
                    error = name + " needs a value";
                    return false;
                }
                value = args[++i];
                return true;
            };
            auto noValue = [&]() {
                if (attached) error = name + " takes no value";
                return !attached;
            };
            if (name == "--agenda") {
                if (!setCommand(TerminalCommand::Agenda)) return -1;
                if (attached) {
                    if (value != "1" && value != "2" && value != "3" && value != "7" &&
                        value != "14") {
                        error = "--agenda=DAYS: DAYS is 1, 2, 3, 7 or 14, not '" + value + "'";
                        return -1;
                    }
                    r.days = std::stoi(value);
                }
            } else if (name == "--search") {
                if (!setCommand(TerminalCommand::Search) || !takeValue()) return -1;
                if (value.empty()) {
                    error = "--search needs a text to search for";
                    return -1;
                }
                r.text = value;
            } else if (name == "--add") {
                if (!setCommand(TerminalCommand::Add) || !takeValue()) return -1;
                if (value.empty()) {
                    error = "--add needs a summary";
                    return -1;
                }
                r.item.summary = value;
            } else if (name == "--export-ics" || name == "--import-ics") {
                if (!setCommand(name == "--export-ics" ? TerminalCommand::ExportIcs
                                                       : TerminalCommand::ImportIcs) ||
                    !takeValue())
                    return -1;
                if (value.empty()) {
                    error = name + " needs the iCalendar file's name";
                    return -1;
                }
                r.text = value;
            } else if (name == "--sync-setup") {
                if (!setCommand(TerminalCommand::SyncSetup) || !takeValue()) return -1;
                if (value.empty()) {
                    error = "--sync-setup needs the server's URL";
                    return -1;
                }
                r.text = value;
            } else if (name == "--sync") {
                if (!setCommand(TerminalCommand::Sync) || !noValue()) return -1;
            } else if (name == "--remind") {
                if (!setCommand(TerminalCommand::Remind) || !noValue()) return -1;
            } else if (name == "--undo" || name == "--redo") {
                if (!setCommand(name == "--undo" ? TerminalCommand::Undo : TerminalCommand::Redo) ||
                    !noValue())
                    return -1;
            } else if (name == "--yes") {
                if (!noValue()) return -1;
                seen.yes = r.yes = true;
            } else if (name == "--allow-mass-delete") {
                if (!noValue()) return -1;
                seen.massDelete = r.allowMassDelete = true;
            } else if (name == "--user" || name == "--password-command") {
                if (!takeValue()) return -1;
                (name == "--user" ? r.user : r.passwordCommand) = value;
                seen.account = true;
            } else if (name == "--report") {
                if (!setCommand(TerminalCommand::Report) || !noValue()) return -1;
                // Up to two days follow: FROM and TO.
                while (reportDays < 2 && i + 1 < args.size() && !args[i + 1].empty() &&
                       args[i + 1][0] != '-') {
                    const std::string& day = args[++i];
                    packedDT& slot = reportDays++ == 0 ? r.from : r.to;
                    if (parseDateTime(day, false, slot) != 0)
                        return badDate("--report", day, false);
                }
            } else if (name == "--csv") {
                if (!noValue()) return -1;
                seen.csv = r.csv = true;
            } else if (name == "--due" || name == "--begin") {
                if (!takeValue()) return -1;
                packedDT& slot = name == "--due" ? r.item.due : r.item.begin;
                if (parseDateTime(value, true, slot) != 0) return badDate(name, value, true);
                (name == "--due" ? seen.due : seen.begin) = true;
            } else if (name == "--priority") {
                if (!takeValue()) return -1;
                if (value.size() != 1 || value[0] < '1' || value[0] > '6') {
                    error = "--priority is 1 to 6, not '" + value + "'";
                    return -1;
                }
                r.item.priority = unsigned(value[0] - '0');
                seen.priority = true;
            } else if (name == "--group") {
                if (!takeValue()) return -1;
                r.item.groupPath = value;
                seen.group = true;
            } else if (name == "--note" || name == "--appointment") {
                if (!noValue()) return -1;
                (name == "--note" ? seen.note : seen.appointment) = true;
                r.item.priority = name == "--note" ? PRIO_NOTE : PRIO_APPOINTMENT;
            } else if (name == "--help" || name == "--version") {
                if (!noValue() || !setCommand(name == "--help" ? TerminalCommand::Help
                                                               : TerminalCommand::Version))
                    return -1;
            } else {
                error = "unknown option " + name;
                return -1;
            }
        } else if (a.size() >= 2 && a[0] == '-' && a[1] == 'f') {
            if (i + 1 >= args.size()) {
                error = a + " needs the data file's name";
                return -1;
            }
            r.path = args[++i];
        } else if (a.size() >= 2 && a[0] == '-' && a[1] == 'c') {
            seen.firstDay = true;
            if (i + 1 < args.size() && !args[i + 1].empty() && args[i + 1][0] != '-') {
                const std::string& day = args[++i];
                if (parseDateTime(day, false, r.firstDay) != 0) return badDate(a, day, false);
            }
        } else if (!a.empty() && a[0] == '-') {
            error = "unknown option " + a;
            return -1;
        } else {
            error = "unexpected argument '" + a + "'";
            return -1;
        }
    }
    if (r.command == TerminalCommand::None) {
        error = "no command: give --agenda, --search, --add, --report, --help or --version";
        return -1;
    }
    return checkOptionsFit(r, seen, error);
}

namespace {

// Loads the data file and replays its journal in memory, writing nothing and
// taking no lock, so that it works beside a running window. A save of that
// window replaces the data file and then removes the journal: a read that
// overlapped one is made again. Results: 0 loaded; -1 error says why.
// With onlyHolding, only the entries that may hold that text are loaded
// (Velk::loadOnlyEntriesHolding) while no journal entry waits to be
// replayed: a replayed change could concern an entry left out.
int loadForReading(const std::string& path, std::unique_ptr<Velk>& v, std::ostream& err,
                   std::string& error, const std::string* onlyHolding = nullptr) {
    auto journalEmpty = [&path] {
        unsigned entries = 0;
        return JournalFiles::countEntries(path, entries) == 0 && entries == 0;
    };
    for (int attempt = 0; attempt < 40; ++attempt) {
        if (attempt != 0) std::this_thread::sleep_for(std::chrono::milliseconds(25));
        if (JournalFiles::saveUnderway(path)) continue;
        const FileStamp before = stampOf(path);
        v = std::make_unique<Velk>();
        const bool filtered = onlyHolding && journalEmpty();
        if (filtered) v->loadOnlyEntriesHolding(*onlyHolding);
        const int read = v->openDataFile(path.c_str());
        if (read == -2) {
            error = readFailure(*v, read, path);
            return -1;
        }
        const bool changed = stampOf(path) != before;
        if (read != 0 && !changed) {
            error = readFailure(*v, read, path) + " (see \"After a crash\" in the manual)";
            return -1;
        }
        if (filtered && !journalEmpty()) {
            onlyHolding = nullptr; // a journal entry came meanwhile: load everything
            continue;
        }
        std::string journalError;
        const int replayed = changed ? 0 : v->incsave_readFiles(journalError, true);
        if (JournalFiles::saveUnderway(path) || stampOf(path) != before) continue;
        if (replayed < 0) {
            error = "the journal beside " + path + " cannot be replayed: " + journalError;
            return -1;
        }
        for (const auto& d : v->incsave_damagedFiles())
            err << "velk: the journal file " << d.first
                << " holds no change Velk can read; it was passed over\n";
        tellEmptyEntries(*v, err);
        for (const std::string& stray : v->incsave_straysBehindGap())
            err << "velk: the journal file " << stray
                << " lies behind a gap in the numbering and was not replayed; the next start "
                   "keeps it aside for recovery by hand\n";
        return 0;
    }
    error = "a save of the data file " + path + " is under way or was interrupted; start Velk " +
            "on it (or run velk -q -f " + path + ") to finish it, then try again";
    return -1;
}

packedDT todayDate() {
    return getTodayDate(DT_NOTIME);
}

void printAgenda(Velk& v, const TerminalRequest& r, std::ostream& out, std::ostream& err) {
    const packedDT first = dtHasDate(r.firstDay) ? r.firstDay : todayDate();
    // Days past the last date Velk holds are not shown; the agenda says so.
    const packedDT last = packDate(31, 12, DT_MAXYEAR) | DT_NOTIME;
    const int missing = r.days - 1 -
                        (getNumberOfDay(31, 12, DT_MAXYEAR) -
                         getNumberOfDay(dtDay(first), dtMonth(first), dtYear(first)));
    if (missing > 0)
        err << "velk: the agenda ends on " << plainDateTime(last)
            << ", the last date Velk holds; the " << missing
            << (missing == 1 ? " day after it is" : " days after it are") << " not shown\n";
    {
        DiagnosticsToStderr diagnostics;
        v.setMainViewType(MAINVIEW_CALENDAR);
        v.setCalSpan(r.days);
        v.setCalFirstDay(dtHasDate(r.firstDay) ? r.firstDay : todayDate());
        v.buildView();
    }
    writeAgendaLines(v.contentView(), out);
}

void printSearch(Velk& v, const TerminalRequest& r, std::ostream& out) {
    {
        DiagnosticsToStderr diagnostics;
        v.setMainViewType(MAINVIEW_NORMAL);
        v.setGroup(v.getRoot());
        v.search(r.text);
        v.buildView();
    }
    for (unsigned row : v.getViewOrder())
        if (const ToDoListItem* item = v.getViewItems()[row])
            writeSearchLine(*v.getRoot(), v.getViewData()[row], *item, out);
}

void printReport(Velk& v, const TerminalRequest& r, std::ostream& out) {
    const packedDT today = todayDate();
    packedDT from = r.from, to = r.to;
    if (!dtHasDate(from)) {
        from = packDate(1, dtMonth(today), dtYear(today)) | DT_NOTIME;
        to = packDate(MaxTag(dtMonth(today), dtYear(today)), dtMonth(today), dtYear(today)) |
             DT_NOTIME;
    } else if (!dtHasDate(to)) {
        to = std::max(from, today);
    }
    const T_WorkReport report =
        collectWork(*v.getRoot(), localMidnight(dtYear(from), dtMonth(from), dtDay(from)),
                    localMidnight(dtYear(to), dtMonth(to), dtDay(to) + 1), velkNow());
    if (r.csv)
        writeWorkCsv(report.pieces, out);
    else
        writeWorkTable(
            report, "Time recorded from " + plainDateTime(from) + " to " + plainDateTime(to), out);
}

} // namespace

std::string terminalHelpText() {
    return "Usage: velk [-f FILE] [-c [DATE]] [-s] [-q]\n"
           "       velk --agenda[=DAYS] [-c DATE] [-f FILE]\n"
           "       velk --search TEXT [-f FILE]\n"
           "       velk --add SUMMARY [--due DATE[ TIME]] [--begin DATE[ TIME]] [--priority N]\n"
           "                          [--group PATH] [--note | --appointment] [-f FILE]\n"
           "       velk --report [FROM [TO]] [--csv] [-f FILE]\n"
           "       velk --export-ics FILE [--group PATH] [-f FILE]\n"
           "       velk --import-ics FILE [--group PATH] [-f FILE]\n"
           "       velk --sync-setup URL [--user NAME] [--password-command CMD] [-f FILE]\n"
           "       velk --sync [--allow-mass-delete] [-f FILE]\n"
           "       velk --remind [-f FILE]\n"
           "       velk --undo [--yes] [-f FILE] | --redo [--yes] [-f FILE]\n"
           "       velk --help | --version\n"
           "\n"
           "Without a command Velk opens its window.\n"
           "  -f FILE            the data file (default: the first of ~/.velk/velk_default.dat,\n"
           "                     ~/velk/velk_default.dat and ./velk_default.dat that exists)\n"
           "  -c [DATE]          start in the calendar at DATE or today; with --agenda its first "
           "day\n"
           "  -s                 always save the data file at the end\n"
           "  -q                 no window: load, merge the journal, save if needed, end\n"
           "  --agenda[=DAYS]    print the calendar of DAYS days (1, 2, 3, 7 or 14; default 7)\n"
           "  --search TEXT      print every entry whose summary or readable description holds "
           "TEXT\n"
           "  --add SUMMARY      add a todo (or a note or appointment) and print its sync ID;\n"
           "                     refused while another run holds the data file\n"
           "    --due DATE[ TIME]    its due date (the end of a note or appointment)\n"
           "    --begin DATE[ TIME]  its begin\n"
           "    --priority N         1 to 6 (default 3)\n"
           "    --group PATH         the group, names from the top separated by / (default: the "
           "top)\n"
           "    --note, --appointment  a note (free) or an appointment (busy) instead of a todo\n"
           "  --report [FROM [TO]]  the time recorded per todo and group (default: this month)\n"
           "    --csv                one line per interval and day, as CSV\n"
           "  --export-ics FILE  write the entries of a group (--group PATH; default: all) as\n"
           "                     an iCalendar file; an existing file of yours is replaced, as\n"
           "                     cp does (a link to it is written through); Velk's own files\n"
           "                     and what is not a regular file are refused\n"
           "  --import-ics FILE  take the entries of an iCalendar file into a new group named\n"
           "                     after the file, or into the group --group PATH\n"
           "  --sync-setup URL   keep the CalDAV account at URL for this organizer, check it\n"
           "                     against the server and list the calendars found there\n"
           "    --user NAME          the user name\n"
           "    --password-command CMD  a command that prints the password on its first line\n"
           "                         (else the desktop's Secret Service keeps it, or it is\n"
           "                         asked for on a terminal; never stored by Velk)\n"
           "  --sync             keep the organizer and the account's calendars in step, once\n"
           "    --allow-mass-delete  delete even most of a calendar on the server\n"
           "  --remind           show, once each, the reminders that came due since the last\n"
           "                     run (beside an open window too)\n"
           "  --undo             take back the last step (an edit, a delete, a paste...),\n"
           "                     after showing it and asking\n"
           "  --redo             make the last step taken back again, after asking\n"
           "    --yes                without asking\n"
           "  --help             this text\n"
           "  --version          the version\n"
           "DATE is YYYY-MM-DD, TIME is HH:MM. --agenda, --search and --report write nothing;\n"
           "--remind writes only what fired, beside the data file.\n"
           "--add, --export-ics, --import-ics, --sync-setup, --sync, --undo and --redo are\n"
           "refused while another run holds the file.\n"
           "Exit codes: 0 done; 1 refused, not written, or written but not synced;\n"
           "2 bad input, an unreadable file, or one of Velk's own files named;\n"
           "3 synced, with conflicts kept; 4 the server or the network failed (nothing\n"
           "was lost).\n";
}

int runTerminalCommand(const TerminalRequest& r, std::ostream& out, std::ostream& err) {
    if (r.command == TerminalCommand::Help) {
        out << terminalHelpText();
        return EXIT_TERMINAL_OK;
    }
    if (r.command == TerminalCommand::Version) {
        out << "velk " << VELK_VERSION << '\n';
        return EXIT_TERMINAL_OK;
    }
    // --add and --import-ics make a data file that is not there yet, as the
    // window does; the others need one to read.
    const bool makes =
        r.command == TerminalCommand::Add || r.command == TerminalCommand::ImportIcs ||
        r.command == TerminalCommand::SyncSetup || r.command == TerminalCommand::Sync;
    std::string path = r.path;
    if (path.empty() && defaultFile(path, false) != 0) {
        std::error_code ignored;
        const std::string used = std::filesystem::absolute(path, ignored).string(),
                          how = " (choose another with -f FILE, or with a line \"default = "
                                "~/FILE\" in ~/.velkrc/velk.config)\n";
        if (!makes) {
            err << "velk: no data file: " << used << " does not exist yet" << how;
            return EXIT_TERMINAL_BAD_INPUT;
        }
        err << "velk: no data file was found; Velk makes " << used << how;
    }
    if (!existDat(path) && !(makes && entryAt(path) == 0)) {
        err << "velk: cannot read the data file " << path << "\n";
        return EXIT_TERMINAL_BAD_INPUT;
    }
    // A data file reached through a link is the file the link leads to.
    const std::string dataPath = resolveDataFilePath(path);
    if (r.command == TerminalCommand::Add) return addEntry(dataPath, r, out, err);
    if (r.command == TerminalCommand::ExportIcs) return exportCalendar(dataPath, r, out, err);
    if (r.command == TerminalCommand::ImportIcs) return importCalendar(dataPath, r, out, err);
    if (r.command == TerminalCommand::SyncSetup) return setUpSync(dataPath, r, out, err);
    if (r.command == TerminalCommand::Sync) return runSync(dataPath, r, out, err);
    if (r.command == TerminalCommand::Undo || r.command == TerminalCommand::Redo)
        return takeStep(dataPath, r, out, err);

    std::unique_ptr<Velk> v;
    std::string error;
    int loaded;
    {
        DiagnosticsToStderr diagnostics;
        // A search needs only the entries that may hold its text.
        loaded = loadForReading(dataPath, v, err, error,
                                r.command == TerminalCommand::Search ? &r.text : nullptr);
    }
    if (loaded != 0) {
        err << "velk: " << error << "\n";
        return EXIT_TERMINAL_BAD_INPUT;
    }
    if (r.command == TerminalCommand::Remind) {
        const int fired = fireReminders(*v, out, err);
        v->itemTree().leaveTreeToTheSystem();
        return fired;
    }
    if (r.command == TerminalCommand::Agenda)
        printAgenda(*v, r, out, err);
    else if (r.command == TerminalCommand::Search)
        printSearch(*v, r, out);
    else
        printReport(*v, r, out);
    v->itemTree().leaveTreeToTheSystem();
    return EXIT_TERMINAL_OK;
}
