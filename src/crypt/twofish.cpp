#include "crypt/twofish.h"

#include "crypt/random.h"

#include <climits>
#include <cstring>
#include <nettle/cbc.h>
#include <nettle/twofish.h>
#include <string.h>

namespace {

constexpr int BLOCK = TWOFISH_BLOCK_SIZE;

// The cipher functions in the form the CBC mode of the library expects.
void encryptBlocks(const void* ctx, size_t length, uint8_t* dst, const uint8_t* src) {
    twofish_encrypt(static_cast<const twofish_ctx*>(ctx), length, dst, src);
}
void decryptBlocks(const void* ctx, size_t length, uint8_t* dst, const uint8_t* src) {
    twofish_decrypt(static_cast<const twofish_ctx*>(ctx), length, dst, src);
}

bool validArguments(const unsigned char* in, int inLen, const unsigned char* key, int keyLen) {
    if (!key || (keyLen != 16 && keyLen != 24 && keyLen != 32)) return false;
    if (inLen < 0 || inLen > INT_MAX - 2 * BLOCK) return false;
    return in || inLen == 0;
}

int blocksFor(int len) {
    return len / BLOCK + (len % BLOCK ? 1 : 0);
}

// Key schedule that wipes itself when it goes out of scope.
struct KeySchedule {
    twofish_ctx ctx;
    KeySchedule(const unsigned char* key, int keyLen) {
        twofish_set_key(&ctx, size_t(keyLen), key);
    }
    ~KeySchedule() { explicit_bzero(&ctx, sizeof ctx); }
};

std::vector<unsigned char> failure(int& outLen) {
    outLen = -1;
    return {};
}

void wipe(std::vector<unsigned char>& v) {
    if (!v.empty()) explicit_bzero(v.data(), v.size());
}

} // namespace

std::vector<unsigned char> Twofish::Encrypt(const unsigned char* in, int inLen,
                                            const unsigned char* key, int keyLen, int& outLen,
                                            bool cbc) {
    if (!validArguments(in, inLen, key, keyLen)) return failure(outLen);
    const int prefix = cbc ? BLOCK : 0;
    const int total = (blocksFor(inLen) * BLOCK) + prefix;

    // IV block (CBC only), the input, then random padding to the block size.
    std::vector<unsigned char> plain(std::size_t(total), 0);
    if (inLen > 0) std::memcpy(plain.data() + prefix, in, std::size_t(inLen));
    if (GetRandomBytes(plain.data(), std::size_t(prefix)) != 0 ||
        GetRandomBytes(plain.data() + prefix + inLen, std::size_t(total - prefix - inLen)) != 0) {
        wipe(plain);
        return failure(outLen);
    }

    std::vector<unsigned char> out(std::size_t(total), 0);
    if (total > 0) {
        KeySchedule ks(key, keyLen);
        if (cbc) {
            unsigned char iv[BLOCK];
            std::memcpy(iv, plain.data(), BLOCK);
            cbc_encrypt(&ks.ctx, &encryptBlocks, BLOCK, iv, std::size_t(total), out.data(),
                        plain.data());
        } else {
            twofish_encrypt(&ks.ctx, std::size_t(total), out.data(), plain.data());
        }
    }
    wipe(plain);
    outLen = total;
    return out;
}

std::vector<unsigned char> Twofish::Decrypt(const unsigned char* in, int inLen,
                                            const unsigned char* key, int keyLen, int& outLen,
                                            bool cbc) {
    if (!validArguments(in, inLen, key, keyLen)) return failure(outLen);
    const int total = blocksFor(inLen) * BLOCK;
    if (cbc && total < BLOCK) return failure(outLen);

    std::vector<unsigned char> cipher(std::size_t(total), 0);
    if (inLen > 0) std::memcpy(cipher.data(), in, std::size_t(inLen));

    std::vector<unsigned char> plain(std::size_t(total), 0);
    if (total > 0) {
        KeySchedule ks(key, keyLen);
        if (cbc) {
            unsigned char iv[BLOCK];
            std::memcpy(iv, cipher.data(), BLOCK);
            cbc_decrypt(&ks.ctx, &decryptBlocks, BLOCK, iv, std::size_t(total), plain.data(),
                        cipher.data());
        } else {
            twofish_decrypt(&ks.ctx, std::size_t(total), plain.data(), cipher.data());
        }
    }
    if (cbc) {
        // The first block only carried the chaining value.
        std::vector<unsigned char> text(plain.begin() + BLOCK, plain.end());
        wipe(plain);
        outLen = int(text.size());
        return text;
    }
    outLen = total;
    return plain;
}
