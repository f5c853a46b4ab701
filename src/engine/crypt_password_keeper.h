#pragma once
#include "crypt/crypt_man.h"
#include "engine/password_keeper.h"

// The password dialogs' view of a password manager.
class CryptPasswordKeeper : public PasswordKeeper {
  public:
    explicit CryptPasswordKeeper(CryptMan& crypt) : crypt_(crypt) {}
    int passwordCount() const override { return crypt_.GetNumPwds(); }
    std::string passwordDescription(int i) const override { return crypt_.GetPwdDescr(i); }
    int logIn(int i, const std::string& password) override {
        return crypt_.Login(i, password.c_str());
    }
    int addPassword(const std::string& description, const std::string& password) override {
        return crypt_.AddPwd(description, password);
    }

  private:
    CryptMan& crypt_;
};
