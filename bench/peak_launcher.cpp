// velk_peak OUT PROGRAM ARGS...: runs PROGRAM with ARGS, waits for it and
// writes its peak resident memory in KiB to the file OUT; exits as it did.
//
// A child's peak as the kernel counts it includes the memory of the process
// it was started from, up to its exec. A benchmark that holds a generated
// file of a million entries would thus see that in every child's peak; this
// small program in between holds almost nothing.

#include <cstdio>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: velk_peak OUT PROGRAM ARGS...\n");
        return 2;
    }
    const pid_t pid = fork();
    if (pid == 0) {
        execv(argv[2], argv + 2);
        _exit(127);
    }
    int status = 0;
    struct rusage usage {};
    if (pid < 0 || wait4(pid, &status, 0, &usage) != pid) return 2;
    FILE* out = std::fopen(argv[1], "w");
    if (!out || std::fprintf(out, "%ld\n", usage.ru_maxrss) < 0 || std::fclose(out) != 0) return 2;
    if (WIFEXITED(status)) return WEXITSTATUS(status);
    return 128 + (WIFSIGNALED(status) ? WTERMSIG(status) : 0);
}
