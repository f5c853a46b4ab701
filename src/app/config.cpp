#include "app/config.h"

#include "common/home_path.h"

#include "common/text.h"
#include "storage/file_tools.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>

VelkConfig velkconfig;

std::string GetHomeDir() {
    const char* profile = std::getenv("USERPROFILE");
    if (profile && *profile) return profile;
    const char* home = std::getenv("HOME");
    if (home && *home) return home;
    return std::string();
}

void ReadConfigFile() {
    velkconfig.editor = "/etc/alternatives/emacs";
    velkconfig.defaultFiles.clear();
    velkconfig.remindDateOnlyMinutes = 9 * 60;
    velkconfig.syncEveryMinutes = 15;
    velkconfig.scale = 0;

    std::string home = GetHomeDir();
    if (!home.empty()) {
        // The file may be a link (dotfile managers make one); anything that is
        // not a regular file is skipped, so that a FIFO cannot hold up the start.
        const std::string name = configFileIn(home);
        ReadFile in;
        std::string reason;
        if (openRegularFile(name, true, in, reason) == -2)
            std::fprintf(stderr, "The configuration file %s is skipped: %s.\n", name.c_str(),
                         reason.c_str());
        while (in) {
            std::string line = readfLine(in);
            if (!in && line.empty()) break;
            std::size_t eq = line.find('=');
            if (eq == std::string::npos) continue;
            std::string value = trim(line.substr(eq + 1));
            if (startsWith(line, "editor")) {
                velkconfig.editor = value;
                std::printf("user config: editor = %s\n", velkconfig.editor.c_str());
            } else if (startsWith(line, "remind-date-only")) {
                // HH:MM; anything else keeps 09:00, and says so.
                int h = -1, m = -1;
                char rest = 0;
                if (std::sscanf(value.c_str(), "%2d:%2d%c", &h, &m, &rest) == 2 && h >= 0 &&
                    h < 24 && m >= 0 && m < 60)
                    velkconfig.remindDateOnlyMinutes = h * 60 + m;
                else
                    std::fprintf(stderr, "user config: remind-date-only = %s is no HH:MM\n",
                                 value.c_str());
                std::printf("user config: remind-date-only = %02d:%02d\n",
                            velkconfig.remindDateOnlyMinutes / 60,
                            velkconfig.remindDateOnlyMinutes % 60);
            } else if (startsWith(line, "sync-every")) {
                // Whole minutes, at most a day; anything else keeps 15, and says so.
                int minutes = -1;
                char rest = 0;
                if (std::sscanf(value.c_str(), "%d%c", &minutes, &rest) == 1 && minutes >= 0 &&
                    minutes <= 24 * 60)
                    velkconfig.syncEveryMinutes = minutes;
                else
                    std::fprintf(stderr, "user config: sync-every = %s is no number of minutes\n",
                                 value.c_str());
                std::printf("user config: sync-every = %d\n", velkconfig.syncEveryMinutes);
            } else if (startsWith(line, "scale")) {
                // A number from 0.5 to 4; anything else leaves the desktop's
                // factor, and says so.
                double factor = 0;
                char rest = 0;
                if (std::sscanf(value.c_str(), "%lf%c", &factor, &rest) == 1 && factor >= 0.5 &&
                    factor <= 4) {
                    velkconfig.scale = factor;
                    std::printf("user config: scale = %g\n", factor);
                } else {
                    std::fprintf(stderr, "user config: scale = %s is no factor from 0.5 to 4\n",
                                 value.c_str());
                }
            } else if (startsWith(line, "default")) {
                velkconfig.defaultFiles.push_back(value);
                std::printf("user config: default = %s\n", value.c_str());
            }
        }
    }

    if (velkconfig.defaultFiles.empty())
        velkconfig.defaultFiles = {"~/.velk/velk_default.dat", "~/velk/velk_default.dat",
                                   "velk_default.dat"};
}
