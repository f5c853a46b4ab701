#pragma once
#include <string>

// Editing a text in the user's external editor through a scratch file.

// An owner-only scratch file of its own, unique per use, made in the current
// directory with a name of the form "velkXXXXXX.tmp" (the X replaced). It is
// created exclusively, so it is never opened through a symbolic link or an
// existing file, and it is removed when the object goes.
class ScratchFile {
  public:
    ScratchFile();
    ~ScratchFile();
    ScratchFile(const ScratchFile&) = delete;
    ScratchFile& operator=(const ScratchFile&) = delete;

    // Creates the file and writes text into it. Result: 0 done; -1 it could
    // not be created or written (nothing is left behind).
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

// Hands text to the external editor: writes it into a new scratch file, runs
// editorCommand + " " + the file's name through system() (which waits for the
// editor to end), reads the file back into text and removes the file.
// Results: 0 text holds the edited text; -1 the scratch file could not be
// made; -2 the command failed (it could not be run or ended with a non-zero
// status); -3 the file could not be read back. On every failure text is left
// as it was.
int editInExternalEditor(const std::string& editorCommand, std::string& text);
