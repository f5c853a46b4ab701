#pragma once
#include "crypt/crypt_man.h"
#include "engine/password_keeper.h"

#include <functional>

// The password dialogs' view of a password manager. A new password is saved
// at once through save: a description enciphered under a new master key goes
// to the journal as cipher text, and without the password section on disk a
// crash would leave that text unreadable for good.
class CryptPasswordKeeper : public PasswordKeeper {
  public:
    // save writes the password section to disk. Results: 0 saved; -1 not,
    // error says why.
    using Save = std::function<int(std::string& error)>;
    CryptPasswordKeeper(CryptMan& crypt, Save save) : crypt_(crypt), save_(std::move(save)) {}
    int passwordCount() const override { return crypt_.GetNumPwds(); }
    std::string passwordDescription(int i) const override { return crypt_.GetPwdDescr(i); }
    int logIn(int i, const std::string& password) override {
        return crypt_.Login(i, password.c_str());
    }
    int addPassword(const std::string& description, const std::string& password) override {
        const CryptMan before(crypt_);
        if (crypt_.AddPwd(description, password) != 0) return -1;
        if (save_(error_) == 0) return 0;
        // Nothing may be enciphered under a key that is not on disk.
        crypt_ = before;
        return -2;
    }
    std::string lastError() const override { return error_; }

  private:
    CryptMan& crypt_;
    Save save_;
    std::string error_;
};
