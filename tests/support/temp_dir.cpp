#include "support/temp_dir.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iostream>
#include <iterator>
#include <stdexcept>

TempDir::TempDir(bool asHome)
    : path_((std::filesystem::temp_directory_path() / "velktestXXXXXX").string()) {
    if (!mkdtemp(path_.data())) throw std::runtime_error("mkdtemp failed");
    for (const char* var : {"HOME", "USERPROFILE"}) {
        if (!asHome) break;
        const char* old = std::getenv(var);
        oldHome_.emplace_back(var, old ? std::optional<std::string>(old) : std::nullopt);
        setenv(var, path_.c_str(), 1);
    }
}

TempDir::~TempDir() {
    for (const auto& [var, old] : oldHome_)
        old ? setenv(var, old->c_str(), 1) : unsetenv(var);
    std::error_code ec;
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ec);
    // The folder of a failed test is kept, with its files and screenshots, to
    // look at afterwards.
    if (testing::Test::HasFailure()) std::cerr << "kept for the failed test: " << path_ << "\n";
    if (!testing::Test::HasFailure()) std::filesystem::remove_all(path_, ec);
}

std::string readWholeFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

void writeWholeFile(const std::string& path, const std::string& content) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << content;
}

std::vector<std::string> namesIn(const std::string& dir) {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(dir))
        names.push_back(e.path().filename());
    std::sort(names.begin(), names.end());
    return names;
}
