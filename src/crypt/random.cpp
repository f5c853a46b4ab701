#include "crypt/random.h"

#include "common/services.h"

#include <cerrno>
#include <cstdio>
#include <sys/random.h>

namespace {

// Fallback for kernels without getrandom(2).
int readDevice(unsigned char* buf, std::size_t n) {
    std::FILE* f = std::fopen("/dev/urandom", "rb");
    if (!f) return -1;
    std::size_t got = 0;
    while (got < n) {
        std::size_t r = std::fread(buf + got, 1, n - got, f);
        if (r == 0) break;
        got += r;
    }
    std::fclose(f);
    return got == n ? 0 : -1;
}

} // namespace

int SystemRandomBytes(unsigned char* buf, std::size_t n) {
    std::size_t got = 0;
    while (got < n) {
        ssize_t r = getrandom(buf + got, n - got, 0);
        if (r < 0) {
            if (errno == EINTR) continue;
            if (errno == ENOSYS) return readDevice(buf + got, n - got);
            return -1;
        }
        got += std::size_t(r);
    }
    return 0;
}

int GetRandomBytes(unsigned char* buf, std::size_t n) {
    if (n == 0) return 0;
    if (!buf) return -1;
    const RandomSource source = services().random;
    return source ? source(buf, n) : SystemRandomBytes(buf, n);
}

RandomSource SetRandomSource(RandomSource source) {
    const RandomSource previous = services().random;
    services().random = source;
    return previous ? previous : &SystemRandomBytes;
}
