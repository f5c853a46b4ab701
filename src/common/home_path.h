#pragma once
#include <string>

// A path as the user typed it, with a leading "~" standing for the home
// folder: "~" alone and "~/..." are expanded to home; anything else (also
// "~name", another user's folder, and a "~" later in the path) stays as
// typed. With an empty home the path stays as typed too, so that opening it
// fails with the name the user sees.
std::string expandHomeFolder(const std::string& path, const std::string& home);

// The configuration file of the user whose home folder is home:
// home + "/.velkrc/velk.config"; empty when home is empty.
std::string configFileIn(const std::string& home);
