#pragma once
#include "common/description_cipher.h"

#include <array>
#include <cstdint>
#include <istream>
#include <ostream>
#include <string>
#include <vector>

// One password record: the master key enciphered under a key derived from the
// password and this record's own salts.
struct PwdData {
    std::string descr;                       // shown in the login dialog; one line
    std::vector<unsigned char> encMasterKey; // 32 bytes, Twofish ECB under the derived key
    std::vector<unsigned char> salt1;        // 20 random bytes hashed with the password
    std::vector<unsigned char> salt2;        // 12 random bytes, the last 12 bytes of the key
};

// The password manager. Every enciphered description is enciphered under one
// random 256-bit master key; the master key is kept on disk only enciphered,
// once per password. Any password unlocks the master key, and a further
// password can be added only while the master key is known. The manager is
// saved in the data file as its "<Crypt>" section.
//
// States: no password (the check data is empty: AddPwd creates the master
// key), locked (read from a file: Login), unlocked (first AddPwd or a right
// Login: Encrypt, Decrypt, AddPwd). There is no logout.
//
// As the descriptions' cipher it enciphers every description under the master
// key, which is usable only while the user is logged in.
class CryptMan : public DescriptionCipher {
  public:
    static constexpr int KEY_SIZE = 32;
    static constexpr int CHECK_SIZE = 32;
    static constexpr int SALT1_SIZE = 20;
    static constexpr int SALT2_SIZE = 12;
    // Hash count of a manager that has not created a master key yet.
    static constexpr int32_t DEFAULT_ITERATIONS = 42;
    // Bounds on the hash count: a new master key never gets less than
    // MIN_NEW_ITERATIONS; a section read from a file must lie in
    // MIN_ITERATIONS..MAX_ITERATIONS, so a hostile file cannot freeze the
    // login for long (the maximum takes about 1.5 s where 100,000,000 took
    // 8 s). Calibration for a new key is clamped to the same maximum, so every
    // count Velk writes is one it reads back.
    static constexpr int32_t MIN_NEW_ITERATIONS = 1000000;
    static constexpr int32_t MIN_ITERATIONS = 2;
    static constexpr int32_t MAX_ITERATIONS = 20000000;

    // newKeyIterations is the hash count that the first AddPwd (the one that
    // creates the master key) sets. 0 calibrates it on the running machine to
    // about half a second, never below MIN_NEW_ITERATIONS; other values are
    // used as given (clamped to MIN_ITERATIONS..MAX_ITERATIONS), which lets
    // tests stay fast.
    explicit CryptMan(int32_t newKeyIterations = 0);
    CryptMan(const CryptMan& other);
    // Copies check data, records, loggedIn, pwdsChanged, iterations and, so
    // that a copy that reports itself unlocked can also encipher, the master
    // key.
    CryptMan& operator=(const CryptMan& other);
    ~CryptMan();

    // True when no password exists yet, else IsLoggedIn().
    bool CanAddPwd() const;
    // False when no password exists, else !IsLoggedIn().
    bool CanLogIn() const;
    bool IsLoggedIn() const override { return loggedIn; }
    // A password was added since the manager was made.
    bool PwdsChanged() const { return pwdsChanged; }
    int32_t GetIterations() const { return iterations; }

    int GetNumPwds() const { return int(pwds.size()); }
    // Record i's description; empty for an index out of range.
    std::string GetPwdDescr(int i) const;
    // Record i; null for an index out of range.
    const PwdData* GetPwdData(int i) const;

    // Adds a password. The first one creates the master key and its check
    // data, sets the hash count and unlocks the manager. Line breaks in descr
    // become blanks. Returns 0, or -1 (nothing changed) when the manager is
    // locked or no random bytes could be had.
    int AddPwd(const std::string& descr, const std::string& password);

    // Tries the password of record i. A right password unlocks the manager;
    // a wrong one changes nothing (an unlocked manager stays unlocked).
    // Returns 0 when the password was right, else -1.
    int Login(int i, const char* password);

    // The 32-byte key for a password: the first 20 bytes are the digest after
    // iterations - 1 rounds of SHA-1 (the first round over the password and
    // salt1, every further one over the 20 bytes before), the last 12 the first
    // 12 bytes of salt2. Empty when salt2 holds fewer than 12 bytes or a salt
    // pointer is null with a non-zero length.
    std::vector<unsigned char> DeriveKey(const std::string& password, const unsigned char* salt1,
                                         int salt1Len, const unsigned char* salt2,
                                         int salt2Len) const;
    std::vector<unsigned char> DeriveKey(const std::string& password,
                                         const std::vector<unsigned char>& salt1,
                                         const std::vector<unsigned char>& salt2) const;

    // Enciphers the zero-terminated text, its terminating zero byte included,
    // under the master key (CBC when cbc, else ECB). Returns the cipher bytes
    // and sets outLen to their count; while locked, or for a null text, returns
    // an empty buffer with outLen -1.
    std::vector<unsigned char> Encrypt(const char* text, int& outLen, bool cbc) const;

    // Deciphers len cipher bytes under the master key and sets text to the
    // plain text up to its first zero byte; text without a zero byte (a damaged
    // block) ends with the deciphered buffer. Returns 0, or -1 (text empty)
    // while locked or when the bytes cannot be deciphered.
    int Decrypt(const unsigned char* data, int len, bool cbc, std::string& text) const;

    // The descriptions' cipher: Decrypt and Encrypt on byte buffers whose plain
    // text ends with its zero byte.
    bool decipherDescription(const std::vector<unsigned char>& cipher, bool cbc,
                             std::vector<unsigned char>& plain) const override;
    bool encipherDescription(const std::vector<unsigned char>& plain, bool cbc,
                             std::vector<unsigned char>& cipher) const override;

    // Writes the "<Crypt>" section; nothing while no password exists. Returns
    // 0, or -1 when the stream failed.
    int Write(std::ostream& os) const;
    // Reads the section after its "<Crypt>" line, up to and including the line
    // that begins with "</Crypt>". Every count, letter and size is checked; a
    // malformed section returns -1 and leaves the manager unchanged. After a
    // successful read the manager is locked and keeps the stored hash count.
    int Read(std::istream& is);

    // One byte vector of the section: its count on one line, then a line with
    // two letters per byte ("a" plus the low 4 bits, "a" plus the high 4 bits).
    static void WriteVector(std::ostream& os, const std::vector<unsigned char>& v);
    // Reads what WriteVector wrote. Returns 0, or -1 (v empty) when the count
    // is not a plain number up to MAX_VECTOR_BYTES, or the letters line does
    // not hold exactly two letters "a".."p" per byte.
    static int ReadVector(std::istream& is, std::vector<unsigned char>& v);
    static constexpr int MAX_VECTOR_BYTES = 249;

    // The hash count that takes about `seconds` on this machine, within
    // MIN_NEW_ITERATIONS..MAX_ITERATIONS.
    static int32_t CalibrateIterations(double seconds);

  private:
    std::vector<unsigned char> mKeyCheckData;
    std::vector<PwdData> pwds;
    std::array<unsigned char, KEY_SIZE> masterKey{};
    bool loggedIn = false;
    bool pwdsChanged = false;
    int32_t iterations = DEFAULT_ITERATIONS;
    int32_t newKeyIterations = 0;

    void wipeMasterKey();
};
