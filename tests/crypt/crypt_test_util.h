#pragma once
#include "crypt/random.h"

#include <cstdio>
#include <string>
#include <vector>

using Bytes = std::vector<unsigned char>;

// Hex text of bytes, upper case, for comparing with published vectors.
inline std::string hexOf(const unsigned char* p, std::size_t n) {
    std::string s;
    char b[3];
    for (std::size_t i = 0; i < n; ++i)
        s += (std::snprintf(b, sizeof b, "%02X", unsigned(p[i])), b);
    return s;
}
inline std::string hexOf(const Bytes& v) {
    return hexOf(v.data(), v.size());
}

inline Bytes bytesOfHex(const std::string& hex) {
    Bytes v;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
        v.push_back(static_cast<unsigned char>(std::stoul(hex.substr(i, 2), nullptr, 16)));
    return v;
}

// Makes the random source fail for the lifetime of the object.
class NoRandomBytes {
  public:
    NoRandomBytes() : previous(SetRandomSource([](unsigned char*, std::size_t) { return -1; })) {}
    ~NoRandomBytes() { SetRandomSource(previous); }

  private:
    RandomSource previous;
};
