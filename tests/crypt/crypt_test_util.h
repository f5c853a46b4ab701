#pragma once
#include "crypt/random.h"

#include <cstdio>
#include <string>
#include <vector>

using Bytes = std::vector<unsigned char>;

// Hex text of bytes, upper case, for comparing with published vectors.
inline std::string hexOf(const Bytes& v) {
    std::string s;
    char b[3];
    for (unsigned char c : v)
        s += (std::snprintf(b, sizeof b, "%02X", unsigned(c)), b);
    return s;
}

inline Bytes bytesOfHex(const std::string& hex) {
    Bytes v;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
        v.push_back(static_cast<unsigned char>(std::stoul(hex.substr(i, 2), nullptr, 16)));
    return v;
}

// Makes the random source fail for the lifetime of the object.
struct NoRandomBytes {
    RandomSource previous = SetRandomSource([](unsigned char*, std::size_t) { return -1; });
    ~NoRandomBytes() { SetRandomSource(previous); }
};
