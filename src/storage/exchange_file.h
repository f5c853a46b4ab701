#pragma once
#include <string>

// The files a user names for an export, a copy of the organizer or an import
// are checked before anything is written or read: never one of the
// organizer's own files (the data file under any of its names, its journal,
// lock, backups, kept copies and temporary files), compared by device and
// inode, so that neither a symbolic nor a hard link gets around the check.

enum class ExchangeUse {
    Write, // an export or a copy: a new name, or a regular file of the user's to replace
    Read,  // an import: an existing regular file
};

// True when base (a name without its folder) is one that the data file whose
// name is dataBase gives its own files: dataBase itself, a journal file
// (dataBase + number), the lock (".lock"), a backup ("b0" to "b2"), a
// temporary (".tmp" + six letters), a retired or kept entry (".merged",
// ".previous", ".orphan", ".damaged").
bool isOwnFileName(const std::string& base, const std::string& dataBase);

// Checks name for use beside the data file dataPath (its resolved path).
// A symbolic link to a regular file of the user's is followed: target then
// names the file it leads to, so that the link stays a link; otherwise
// target is name. Results: 0 the file may be used; -1 refused, error says
// why in a few words ("it is the data file of this organizer", "it is a FIFO,
// not a regular file", "it belongs to another user", …).
int checkExchangeFile(const std::string& name, const std::string& dataPath, ExchangeUse use,
                      std::string& target, std::string& error);
