#include "child.h"

#include "generate.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <ftw.h>
#include <map>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

extern char** environ;

PrivateFolder::PrivateFolder(const char* what) {
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/velk_" + what + "_XXXXXX";
    if (::mkdtemp(pattern.data())) path_ = pattern;
}

PrivateFolder::~PrivateFolder() {
    if (!path_.empty()) removeTree(path_);
}

bool removeTree(const std::string& path) {
    struct stat st;
    if (::lstat(path.c_str(), &st) != 0) return errno == ENOENT;
    // Depth first and without following links: the files before their folders.
    ::nftw(
        path.c_str(),
        [](const char* p, const struct stat*, int, struct FTW*) {
            std::remove(p);
            return 0;
        },
        16, FTW_DEPTH | FTW_PHYS);
    return ::lstat(path.c_str(), &st) != 0;
}

bool writeTextFile(const std::string& path, const std::string& text) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    const bool whole = std::fwrite(text.data(), 1, text.size(), f) == text.size();
    return std::fclose(f) == 0 && whole;
}

bool readTextFile(const std::string& path, std::string& text) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return false;
    text.clear();
    char chunk[1 << 16];
    std::size_t n;
    while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0)
        text.append(chunk, n);
    const bool whole = !std::ferror(f);
    std::fclose(f);
    return whole;
}

long long fileSize(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 ? (long long)st.st_size : -1;
}

const std::string& generatedDataFile(unsigned entries) {
    static PrivateFolder folder("bench_data");
    static std::map<unsigned, std::string> files;
    auto it = files.find(entries);
    if (it != files.end()) return it->second;
    std::string path;
    if (!folder.path().empty()) {
        path = folder.path() + "/entries_" + std::to_string(entries) + ".dat";
        if (!writeTextFile(path, generateDataFile(entries))) path.clear();
    }
    return files.emplace(entries, path).first->second;
}

std::string withHeaders(const std::string& text,
                        const std::vector<std::pair<std::string, std::string>>& headers) {
    std::string out;
    out.reserve(text.size() + 64);
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t end = text.find('\n', pos);
        end = end == std::string::npos ? text.size() : end + 1;
        bool replaced = false;
        for (const auto& h : headers) {
            const std::string start = "<" + h.first + "=";
            if (text.compare(pos, start.size(), start) == 0) {
                out += start + h.second + ">\n";
                replaced = true;
                break;
            }
        }
        if (!replaced) out.append(text, pos, end - pos);
        pos = end;
    }
    return out;
}

pid_t startChild(const ChildStart& how, std::string& error) {
    if (how.argv.empty()) {
        error = "no program to start";
        return -1;
    }
    // The environment: the benchmark's own, with the given entries in place
    // of those of the same name.
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e) {
        const char* eq = std::strchr(*e, '=');
        const std::size_t nameLen = eq ? std::size_t(eq - *e) : std::strlen(*e);
        bool replaced = false;
        for (const std::string& mine : how.env)
            if (mine.size() > nameLen && mine[nameLen] == '=' &&
                mine.compare(0, nameLen, *e, nameLen) == 0)
                replaced = true;
        if (!replaced) env.push_back(*e);
    }
    env.insert(env.end(), how.env.begin(), how.env.end());
    std::vector<char*> argv, envp;
    for (const std::string& a : how.argv)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    for (const std::string& e : env)
        envp.push_back(const_cast<char*>(e.c_str()));
    envp.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (!how.dir.empty()) posix_spawn_file_actions_addchdir_np(&actions, how.dir.c_str());
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    const int created = O_WRONLY | O_CREAT | O_TRUNC;
    if (how.out.empty())
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    else
        posix_spawn_file_actions_addopen(&actions, 1, how.out.c_str(), created, 0600);
    if (how.err.empty())
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    else
        posix_spawn_file_actions_addopen(&actions, 2, how.err.c_str(), created, 0600);
    pid_t pid = -1;
    const int r = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (r != 0) {
        error = std::string("cannot start ") + argv[0] + ": " + std::strerror(r);
        return -1;
    }
    return pid;
}

bool waitChild(pid_t pid, ChildEnd& end) {
    for (;;) {
        const pid_t r = ::wait4(pid, &end.status, 0, &end.usage);
        if (r == pid) return true;
        if (r < 0 && errno != EINTR) return false;
    }
}

bool childHasEnded(pid_t pid, ChildEnd& end) {
    return ::wait4(pid, &end.status, WNOHANG, &end.usage) == pid;
}

void killChild(pid_t pid) {
    ::kill(pid, SIGKILL);
    ChildEnd end;
    waitChild(pid, end);
}

std::string describeStatus(int status) {
    if (WIFEXITED(status)) return "exit code " + std::to_string(WEXITSTATUS(status));
    if (WIFSIGNALED(status)) return "signal " + std::to_string(WTERMSIG(status));
    return "status " + std::to_string(status);
}

double monotonicSeconds() {
    struct timespec ts;
    ::clock_gettime(CLOCK_MONOTONIC, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) * 1e-9;
}

bool runTimed(const std::string& peakLauncher, const std::string& peakFile, ChildStart how,
              TimedRun& result, std::string& error) {
    const std::string program = how.argv.empty() ? std::string() : how.argv[0];
    how.argv.insert(how.argv.begin(), {peakLauncher, peakFile});
    ::unlink(peakFile.c_str());
    const double start = monotonicSeconds();
    const pid_t pid = startChild(how, error);
    ChildEnd end;
    const bool reaped = pid > 0 && waitChild(pid, end);
    const double ended = monotonicSeconds();
    if (!reaped) {
        if (pid > 0) error = "cannot reap " + program;
        return false;
    }
    if (!WIFEXITED(end.status) || WEXITSTATUS(end.status) != 0) {
        std::string said;
        if (!how.err.empty()) readTextFile(how.err, said);
        if (said.size() > 300) said.resize(300);
        error = program + " ended with " + describeStatus(end.status) +
                (said.empty() ? std::string() : ": " + said);
        return false;
    }
    std::string kib;
    if (!readTextFile(peakFile, kib) || std::atol(kib.c_str()) <= 0) {
        error = "velk_peak reported no peak for " + program;
        return false;
    }
    result.seconds = ended - start;
    result.peakMiB = double(std::atol(kib.c_str())) / 1024.0;
    return true;
}
