#include "model/description.h"

// The password manager's side of descriptions. Until the password manager is
// part of the program nobody can log in, so cipher text stays enciphered and
// plain text cannot be enciphered: descriptions then report the refusals that
// belong to "not logged in".

namespace {

bool managerIsLoggedIn(CryptMan* /*crypt*/) {
    return false;
}

bool managerDecrypt(CryptMan* /*crypt*/, const std::vector<unsigned char>& /*cipher*/, bool /*cbc*/,
                    std::vector<unsigned char>& /*plain*/) {
    return false;
}

bool managerEncrypt(CryptMan* /*crypt*/, const std::vector<unsigned char>& /*plain*/, bool /*cbc*/,
                    std::vector<unsigned char>& /*cipher*/) {
    return false;
}

} // namespace

const T_DescrCipher passwordManagerCipher = {managerIsLoggedIn, managerDecrypt, managerEncrypt};
