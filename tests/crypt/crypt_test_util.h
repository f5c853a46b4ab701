#pragma once
#include "crypt/random.h"

#include <cstdio>
#include <string>
#include <vector>

// Hex text of bytes, upper case, for comparing with published vectors.
inline std::string hexOf(const unsigned char* p, std::size_t n) {
    std::string s;
    char b[3];
    for (std::size_t i = 0; i < n; ++i) {
        std::snprintf(b, sizeof b, "%02X", unsigned(p[i]));
        s += b;
    }
    return s;
}
inline std::string hexOf(const std::vector<unsigned char>& v) {
    return hexOf(v.data(), v.size());
}

inline std::vector<unsigned char> bytesOfHex(const std::string& hex) {
    std::vector<unsigned char> v;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
        v.push_back(static_cast<unsigned char>(std::stoul(hex.substr(i, 2), nullptr, 16)));
    return v;
}

// Replaces the random source for the lifetime of the object.
class RandomSourceOverride {
  public:
    explicit RandomSourceOverride(RandomSource s) : previous(SetRandomSource(s)) {}
    ~RandomSourceOverride() { SetRandomSource(previous); }

  private:
    RandomSource previous;
};

inline int failingRandom(unsigned char*, std::size_t) {
    return -1;
}
