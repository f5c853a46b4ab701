#pragma once
#include <optional>
#include <string>
#include <vector>

// A fresh temporary directory for one test, removed with everything in it when
// the object goes away, unless the test has failed by then: then it is kept and
// its path is printed. With asHome, HOME and USERPROFILE point at it for the
// object's lifetime, so no test ever touches the developer's real home.
class TempDir {
  public:
    explicit TempDir(bool asHome = false);
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& path() const { return path_; }
    // path() + "/" + name
    std::string file(const std::string& name) const { return path_ + "/" + name; }

  private:
    std::string path_;
    std::vector<std::pair<const char*, std::optional<std::string>>> oldHome_; // with asHome
};

// Whole-file helpers for tests.
std::string readWholeFile(const std::string& path);
void writeWholeFile(const std::string& path, const std::string& content);
// The names of the entries of dir, sorted.
std::vector<std::string> namesIn(const std::string& dir);
