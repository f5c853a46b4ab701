#pragma once
// Running the real velk program from a benchmark, and the private folders its
// runs and the generated data files live in.

#include <string>
#include <sys/resource.h>
#include <sys/types.h>
#include <vector>

// A folder of its own under the temporary folder (mkdtemp), removed with all
// it holds when the object goes. path is empty when it could not be made.
class PrivateFolder {
  public:
    explicit PrivateFolder(const char* what);
    ~PrivateFolder();
    PrivateFolder(const PrivateFolder&) = delete;
    PrivateFolder& operator=(const PrivateFolder&) = delete;
    const std::string& path() const { return path_; }

  private:
    std::string path_;
};

// Removes a file or a folder with everything in it. True when nothing is left.
bool removeTree(const std::string& path);

// Writes text to a new file. True when all of it was written.
bool writeTextFile(const std::string& path, const std::string& text);

// Reads a whole file into text. True when all of it was read.
bool readTextFile(const std::string& path, std::string& text);

// The size of a file in bytes, -1 when it cannot be read.
long long fileSize(const std::string& path);

// A generated data file of each size (generateDataFile with its default seed),
// written once per process into a private folder on first use and removed at
// the end of the process. Empty when it could not be written.
const std::string& generatedDataFile(unsigned entries);

// The text of a data file with its header lines "<NAME=...>" replaced by
// "<NAME=VALUE>" for each pair of headers (the other lines unchanged).
std::string withHeaders(const std::string& text,
                        const std::vector<std::pair<std::string, std::string>>& headers);

// How a child process is started: its arguments (argv[0] the program), its
// current folder, and NAME=VALUE entries that replace or add to the
// benchmark's own environment. Standard input goes to /dev/null; standard
// output and error to the files out and err when they are given (created or
// emptied, owner-only), else to /dev/null.
struct ChildStart {
    std::vector<std::string> argv;
    std::string dir;
    std::vector<std::string> env;
    std::string out;
    std::string err;
};

// Starts the child (posix_spawn: a fork and exec that does not copy the
// benchmark's memory, so the start costs the same however much the benchmark
// holds). Returns its process ID, or -1 with error set.
pid_t startChild(const ChildStart& how, std::string& error);

// How a child ended: wait4's status and its resource use.
struct ChildEnd {
    int status = 0;
    struct rusage usage {};
};

// Waits for the child to end and reaps it. False when wait4 failed.
bool waitChild(pid_t pid, ChildEnd& end);

// What a timed run of a program showed: its wall time and its peak.
struct TimedRun {
    double seconds = 0;
    double peakMiB = 0;
};

// Runs how.argv (the program and its arguments) through the velk_peak
// launcher at peakLauncher, which writes the program's peak into peakFile,
// and times it from the start to the reaping. False with error set when it
// cannot be started or reaped, does not end with exit code 0 (error then
// holds the start of its standard error when how.err names a file), or
// reports no peak.
bool runTimed(const std::string& peakLauncher, const std::string& peakFile, ChildStart how,
              TimedRun& result, std::string& error);

// Reaps the child when it has ended, without waiting. True when it had.
bool childHasEnded(pid_t pid, ChildEnd& end);

// Kills the child (SIGKILL by its process ID) and reaps it.
void killChild(pid_t pid);

// A readable account of a child's end status, e.g. "exit code 1" or "signal 11".
std::string describeStatus(int status);

// Seconds on the monotonic clock.
double monotonicSeconds();
