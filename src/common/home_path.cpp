#include "common/home_path.h"

std::string expandHomeFolder(const std::string& path, const std::string& home) {
    if (home.empty() || path.empty() || path[0] != '~') return path;
    if (path.size() == 1) return home;
    if (path[1] != '/') return path;
    // "~/x" with a home of "/" or "/home/me/" gives one slash, not two.
    std::string base = home;
    while (base.size() > 1 && base.back() == '/')
        base.pop_back();
    return (base == "/" ? "" : base) + path.substr(1);
}

std::string configFileIn(const std::string& home) {
    return home.empty() ? std::string() : home + "/.velkrc/velk.config";
}
