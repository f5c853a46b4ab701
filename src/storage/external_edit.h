#pragma once
#include <string>

// Editing a text in the user's external editor through a scratch file.
//
// Scratch files hold descriptions in plain text, so they live in a private
// folder of the user's (mode 0700), never in a shared working directory. Their
// names carry the process ID, so that the files a crashed run left behind can
// be told and removed at the next start.

// The scratch folder for these settings: xdgRuntimeDir + "/velk" when
// xdgRuntimeDir is set and is a directory (not a link) owned by the user, else
// homeDir + "/.velkrc/scratch"; empty when neither can be used.
std::string scratchFolderFor(const char* xdgRuntimeDir, const std::string& homeDir);

// The folder in which ScratchFile makes its files; empty (the start-up value)
// means that none can be made.
void setScratchFolder(const std::string& folder);
const std::string& scratchFolder();

// Makes folder ready for scratch files: creates it with mode 0700 when it is
// missing (and its parent as well, also 0700), and takes the group's and
// others' permissions away from an existing folder of the user's own.
// Results: 0 ready; -1 refused (empty, a symbolic link, not a directory, or
// another user's) or it cannot be created.
int prepareScratchFolder(const std::string& folder);

// Removes the scratch files in folder ("velk-PID-XXXXXX.tmp") whose process
// no longer runs; files of running processes and every other entry stay.
// Results: the number of files removed; -1 the folder is missing or refused.
int removeStaleScratchFiles(const std::string& folder);

// Start-up: sets the scratch folder from $XDG_RUNTIME_DIR and homeDir and
// removes the scratch files that ended runs left in it. Results as
// removeStaleScratchFiles.
int startScratchFolder(const std::string& homeDir);

// An owner-only scratch file of its own, unique per use, made in the scratch
// folder with a name of the form "velk-PID-XXXXXX.tmp" (PID the process ID,
// the X replaced). It is created exclusively, so it is never opened through a
// symbolic link or an existing file, and it is removed when the object goes.
class ScratchFile {
  public:
    ScratchFile();
    ~ScratchFile();
    ScratchFile(const ScratchFile&) = delete;
    ScratchFile& operator=(const ScratchFile&) = delete;

    // Creates the file and writes text into it. Result: 0 done; -1 the
    // scratch folder is refused, or the file could not be created or written
    // (nothing is left behind).
    int create(const std::string& text);
    // The file's name; empty before a successful create().
    const std::string& name() const { return name_; }

  private:
    std::string name_;
};

// Reads a text file line by line, each line followed by "\n" (a last line
// without a line break gets one, and no empty line is added at the end). The
// file is not opened through a symbolic link. Result: 0 and text set; -1 the
// file cannot be opened or read (text is then unchanged).
int readFileIntoBuf(const std::string& name, std::string& text);

// Why the external editor's command failed, in words for the user: the
// command as it was run, and how it ended ("ended with exit status 3", "was
// ended by signal 9 (Killed)", "could not be started").
struct T_ExternalEditFailure {
    std::string command;
    std::string ending;
};

// The words for how a command that system() ran ended, from its status.
std::string commandEnding(int status);

// Hands text to the external editor: writes it into a new scratch file, runs
// editorCommand + " " + the file's name through system() (which waits for the
// editor to end), reads the file back into text and removes the file.
// Results: 0 text holds the edited text; -1 the scratch file could not be
// made; -2 the command failed (it could not be run or ended with a non-zero
// status); -3 the file could not be read back. On every failure text is left
// as it was. For -2, failure (when given) tells the command and its end.
int editInExternalEditor(const std::string& editorCommand, std::string& text,
                         T_ExternalEditFailure* failure = nullptr);
