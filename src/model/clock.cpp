#include "model/clock.h"

#include "common/services.h"

#include <cerrno>
#include <cstdlib>

namespace {

// The moment named by VELK_NOW, or -1 when it is not set or not a number.
std::time_t environmentNow() {
    const char* text = std::getenv("VELK_NOW");
    if (!text || !*text) return -1;
    char* end = nullptr;
    errno = 0;
    long long value = std::strtoll(text, &end, 10);
    if (errno != 0 || *end != '\0' || value < 0) return -1;
    return static_cast<std::time_t>(value);
}

} // namespace

std::time_t velkNow() {
    const std::time_t pinnedNow = services().pinnedNow;
    if (pinnedNow >= 0) return pinnedNow;
    static const std::time_t fromEnvironment = environmentNow();
    if (fromEnvironment >= 0) return fromEnvironment;
    return std::time(nullptr);
}

void setVelkNowForTesting(std::time_t now) {
    services().pinnedNow = now;
}

bool velkLocalTime(std::tm& out) {
    std::time_t now = velkNow();
    return localtime_r(&now, &out) != nullptr;
}
