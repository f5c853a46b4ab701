#include "crypt/sha1.h"

#include <string.h>

Hash_SHA1::~Hash_SHA1() {
    explicit_bzero(&ctx, sizeof ctx);
    explicit_bzero(digest.data(), digest.size());
}

void Hash_SHA1::Init() {
    sha1_init(&ctx);
    digest.fill(0);
    finished = false;
}

void Hash_SHA1::Update(const char* data, int len) {
    if (len < 1 || !data || finished) return;
    sha1_update(&ctx, std::size_t(len), reinterpret_cast<const uint8_t*>(data));
}

void Hash_SHA1::Update(const std::string& data) {
    if (data.empty() || finished) return;
    sha1_update(&ctx, data.size(), reinterpret_cast<const uint8_t*>(data.data()));
}

void Hash_SHA1::Finish() {
    if (finished) return;
    sha1_digest(&ctx, digest.size(), digest.data());
    finished = true;
}

unsigned char Hash_SHA1::GetDigestByte(int i) const {
    if (i < 0 || i >= DIGEST_SIZE) return 0;
    return digest[std::size_t(i)];
}

std::array<unsigned char, SHA1_DIGEST_SIZE> Hash_SHA1::Of(const unsigned char* data,
                                                          std::size_t len) {
    sha1_ctx c;
    sha1_init(&c);
    if (len > 0 && data) sha1_update(&c, len, data);
    std::array<unsigned char, SHA1_DIGEST_SIZE> d;
    sha1_digest(&c, d.size(), d.data());
    explicit_bzero(&c, sizeof c);
    return d;
}
