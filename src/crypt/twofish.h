#pragma once
#include <vector>

// Enciphers and deciphers whole byte strings with the Twofish block cipher
// (16-byte blocks, 128-, 192- or 256-bit keys; Velk always uses 256 bits) in
// ECB or CBC mode. Every call sets up its own key schedule; nothing is kept
// between calls.
//
// Both functions return the result buffer and set outLen to its length. On
// failure (a key length other than 16, 24 or 32 bytes, a negative or
// oversized input length, a null pointer, no random bytes for the IV and
// padding) they return an empty buffer and set outLen to -1; an empty buffer
// with outLen 0 is a successful result for an empty input.
class Twofish {
  public:
    // Enciphers inLen bytes. The input is padded with random bytes to whole
    // blocks (outLen = inLen rounded up to 16). With cbc one block is put in
    // front: a random IV that is also the chaining value, so the first cipher
    // block is the encipherment of 16 zero bytes and the IV never appears in
    // the clear; outLen grows by 16. The plain length is not stored: the caller
    // keeps it.
    static std::vector<unsigned char> Encrypt(const unsigned char* in, int inLen,
                                              const unsigned char* key, int keyLen, int& outLen,
                                              bool cbc);

    // Deciphers inLen bytes (a partial last block is completed with zero
    // bytes). Without cbc the result is every deciphered block; with cbc the
    // first cipher block serves as the chaining value and its own decipherment
    // is dropped, so outLen is 16 less (a CBC input needs at least one block).
    // Padding stays at the end of the result.
    static std::vector<unsigned char> Decrypt(const unsigned char* in, int inLen,
                                              const unsigned char* key, int keyLen, int& outLen,
                                              bool cbc);
};
