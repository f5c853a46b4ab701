#pragma once
#include <array>
#include <nettle/sha1.h>
#include <string>

// The SHA-1 hash (FIPS 180-1). Init starts a message, Update adds bytes,
// Finish pads the message and computes the digest, GetDigestByte reads it.
// One object may hash many messages: Init resets it.
class Hash_SHA1 {
  public:
    static constexpr int DIGEST_SIZE = SHA1_DIGEST_SIZE;

    Hash_SHA1() { Init(); }
    ~Hash_SHA1();

    void Init();
    // Adds len bytes; nothing for len below 1.
    void Update(const char* data, int len);
    void Update(const std::string& data);
    // Pads the message and computes the digest. Further calls before the next
    // Init change nothing; Update after Finish is ignored.
    void Finish();
    // Byte i (0..19) of the digest in the standard order; 0 before Finish or
    // for an index out of range.
    unsigned char GetDigestByte(int i) const;
    const std::array<unsigned char, SHA1_DIGEST_SIZE>& Digest() const { return digest; }

    // The digest of one whole message.
    static std::array<unsigned char, SHA1_DIGEST_SIZE> Of(const unsigned char* data,
                                                          std::size_t len);

  private:
    sha1_ctx ctx;
    std::array<unsigned char, SHA1_DIGEST_SIZE> digest;
    bool finished = false;
};
