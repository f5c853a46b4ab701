#include "crypt/crypt_man.h"
#include "model/description.h"

// The password manager's side of descriptions: every enciphered description is
// enciphered under the manager's master key, which is usable only while the
// user is logged in. A null manager means that nobody is logged in.

namespace {

bool managerIsLoggedIn(CryptMan* crypt) { return crypt && crypt->IsLoggedIn(); }

bool managerDecrypt(CryptMan* crypt, const std::vector<unsigned char>& cipher, bool cbc,
                    std::vector<unsigned char>& plain) {
    std::string text;
    if (!crypt || crypt->Decrypt(cipher.data(), int(cipher.size()), cbc, text) != 0) return false;
    plain.assign(text.begin(), text.end());
    plain.push_back(0);
    return true;
}

bool managerEncrypt(CryptMan* crypt, const std::vector<unsigned char>& plain, bool cbc,
                    std::vector<unsigned char>& cipher) {
    // The plain text ends with its zero byte; the manager enciphers the text
    // up to and including it.
    if (!crypt || plain.empty() || plain.back() != 0) return false;
    int length = -1;
    cipher = crypt->Encrypt(reinterpret_cast<const char*>(plain.data()), length, cbc);
    if (length < 0) {
        cipher.clear();
        return false;
    }
    cipher.resize(std::size_t(length));
    return true;
}

} // namespace

const T_DescrCipher passwordManagerCipher = {managerIsLoggedIn, managerDecrypt, managerEncrypt};
