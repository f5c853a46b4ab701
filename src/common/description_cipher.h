#pragma once
#include <vector>

// What descriptions need of the password manager: whether its master key can
// be used, and enciphering and deciphering under it. The password manager
// (crypt/crypt_man.h) implements it; the model and the files know the cipher
// of descriptions only through it. A null cipher means that nobody is logged in.
class DescriptionCipher {
  public:
    virtual ~DescriptionCipher() = default;
    // True while a password is entered, so that the master key can be used.
    virtual bool IsLoggedIn() const = 0;
    // Deciphers cipher bytes under the master key into plain bytes that end
    // with a zero byte; false when that yields nothing.
    virtual bool decipherDescription(const std::vector<unsigned char>& cipher, bool cbc,
                                     std::vector<unsigned char>& plain) const = 0;
    // Enciphers plain bytes (terminating zero included) under the master key;
    // false when that yields nothing.
    virtual bool encipherDescription(const std::vector<unsigned char>& plain, bool cbc,
                                     std::vector<unsigned char>& cipher) const = 0;
};

// How descriptions reach their cipher. The table in use asks the cipher that
// the caller hands in (passwordManagerCipher in model/description.h); tests put
// in their own table to walk the enciphered states without a password.
struct T_DescrCipher {
    bool (*isLoggedIn)(DescriptionCipher* crypt);
    bool (*decrypt)(DescriptionCipher* crypt, const std::vector<unsigned char>& cipher, bool cbc,
                    std::vector<unsigned char>& plain);
    bool (*encrypt)(DescriptionCipher* crypt, const std::vector<unsigned char>& plain, bool cbc,
                    std::vector<unsigned char>& cipher);
};
