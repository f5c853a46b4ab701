#pragma once
#include <functional>
#include <ostream>
#include <string>
#include <vector>

// The journal's files beside the data file P, and the commit that replaces P
// by a new version and retires the journal in one step.
//
// Entry n is P + n. A commit first writes the new P completely, as the
// temporary P + ".tmp" + S (S: the six letters or digits that make the name
// unique), then renames every entry n to P + n + ".merged" + S and syncs the
// folder, and only then renames the temporary over P. So for as long as the
// temporary of S exists, P is the old file and the entries retired under S
// still apply to it; once the temporary is gone, P holds them. A start after a
// crash decides by exactly that (recover), so no entry is ever lost or applied
// twice, whatever instant the crash hit.
namespace JournalFiles {

// The name of entry n: the data file's path followed by n in decimal.
std::string entryName(const std::string& dataPath, unsigned n);

// Counts the consecutive entries from 0 into count. Results: 0 counted; -1
// a name could not be looked at (errno says why; count holds the entries
// before it), so the journal's end is not known.
int countEntries(const std::string& dataPath, unsigned& count);

// Finishes a commit that a crash or a failure interrupted: entries retired by
// a commit whose temporary data file still exists go back under their
// numbers (P was not replaced); those of a commit whose temporary is gone are
// removed (P holds them). A kept copy of the previous generation becomes
// P+"b0" (the older backups moving along) when P was already replaced, and
// is removed when P is still that generation. Results: 0 nothing is left
// unfinished; -1 error says what could not be done (the files are then to be
// sorted out by hand, and nothing may be replayed or written).
int recover(const std::string& dataPath, std::string& error);

// True when a commit is under way or was interrupted: entries retired by a
// commit, or a kept copy of the previous generation, lie beside P. Until it
// ends (or a start finishes it) neither P nor the numbered entries alone say
// which changes P holds.
bool saveUnderway(const std::string& dataPath);

// What a commit has to say beyond its result.
struct CommitReport {
    std::string error;                 // why the commit failed
    std::vector<std::string> warnings; // done, but something beside it was not
};

// Writes a new data file through write and makes it P, retiring the journal
// entries (the consecutive run from 0) with it. Before P is replaced the last
// three generations move along as P+"b0", "b1", "b2" (newest in b0); with
// dropBackups they are removed instead, because they hold text that the new
// file no longer keeps in plain. Results:
//   0  committed;
//  -1  nothing changed: P, the journal and the backups are as they were, and
//      report.error says why;
//  -2  P was replaced and the journal retired, but the folder could not be
//      synced, so a power loss may still undo the commit (report.error).
int commit(const std::string& dataPath, const std::function<void(std::ostream&)>& write,
           bool dropBackups, CommitReport& report);

} // namespace JournalFiles
