#pragma once
#include "common/services.h"

#include <cstddef>

// Random bytes for master keys, salts, initialisation vectors and cipher
// padding, taken from the kernel's random source.

// Fills buf with n random bytes. Returns 0, or -1 when no random source could
// deliver them (buf is then unspecified and must not be used).
int GetRandomBytes(unsigned char* buf, std::size_t n);

// The function that GetRandomBytes asks (services().random); tests replace it
// to make the random source fail or to make it predictable, null restores the
// kernel's. Returns the previous source.
RandomSource SetRandomSource(RandomSource source);

// The kernel source itself: getrandom(2), repeated until every byte has
// arrived; /dev/urandom when the system call is missing.
int SystemRandomBytes(unsigned char* buf, std::size_t n);
