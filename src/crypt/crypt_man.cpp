#include "crypt/crypt_man.h"

#include "common/text.h"
#include "crypt/random.h"
#include "crypt/sha1.h"
#include "crypt/twofish.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <limits>
#include <nettle/sha1.h>
#include <string.h>

namespace {

void wipe(std::vector<unsigned char>& v) {
    if (!v.empty()) explicit_bzero(v.data(), v.size());
}

// Descriptions are single lines of the section.
std::string oneLine(const std::string& s) {
    std::string r(s);
    std::replace(r.begin(), r.end(), '\n', ' ');
    std::replace(r.begin(), r.end(), '\r', ' ');
    return r;
}

// Reads a line of the section at any length, without its surrounding blanks:
// a password description is as long as the user made it, and the writer does
// not shorten it. Counts and sizes are still checked on every line read.
std::string readSectionLine(std::istream& is) {
    return readfLine(is, std::numeric_limits<std::size_t>::max());
}

// A count line: nothing but decimal digits, at most max. Returns -1 otherwise.
long parseCount(const std::string& line, long max) {
    if (line.empty() || line.size() > 10) return -1;
    long v = 0;
    for (char c : line) {
        if (c < '0' || c > '9') return -1;
        v = v * 10 + (c - '0');
    }
    return v <= max ? v : -1;
}

// One record of a section being read: the three vectors must have the sizes
// every writer gives them, or Login would read past them.
bool readRecord(std::istream& is, PwdData& rec) {
    rec.descr = readSectionLine(is);
    if (is.fail()) return false;
    return CryptMan::ReadVector(is, rec.encMasterKey) == 0 &&
           rec.encMasterKey.size() == std::size_t(CryptMan::KEY_SIZE) &&
           CryptMan::ReadVector(is, rec.salt1) == 0 &&
           rec.salt1.size() == std::size_t(CryptMan::SALT1_SIZE) &&
           CryptMan::ReadVector(is, rec.salt2) == 0 &&
           rec.salt2.size() == std::size_t(CryptMan::SALT2_SIZE);
}

} // namespace

CryptMan::CryptMan(int32_t newKeyIterations_) : newKeyIterations(newKeyIterations_) {}

CryptMan::CryptMan(const CryptMan& other) {
    *this = other;
}

CryptMan& CryptMan::operator=(const CryptMan& other) {
    if (this == &other) return *this;
    mKeyCheckData = other.mKeyCheckData;
    pwds = other.pwds;
    loggedIn = other.loggedIn;
    pwdsChanged = other.pwdsChanged;
    iterations = other.iterations;
    newKeyIterations = other.newKeyIterations;
    masterKey = other.masterKey;
    return *this;
}

CryptMan::~CryptMan() {
    wipeMasterKey();
}

void CryptMan::wipeMasterKey() {
    explicit_bzero(masterKey.data(), masterKey.size());
}

bool CryptMan::CanAddPwd() const {
    return mKeyCheckData.empty() || loggedIn;
}

bool CryptMan::CanLogIn() const {
    return !mKeyCheckData.empty() && !loggedIn;
}

std::string CryptMan::GetPwdDescr(int i) const {
    const PwdData* p = GetPwdData(i);
    return p ? p->descr : std::string();
}

const PwdData* CryptMan::GetPwdData(int i) const {
    if (i < 0 || i >= GetNumPwds()) return nullptr;
    return &pwds[std::size_t(i)];
}

int32_t CryptMan::CalibrateIterations(double seconds) {
    using clock = std::chrono::steady_clock;
    constexpr long BATCH = 10000;
    unsigned char h[SHA1_DIGEST_SIZE] = {0};
    sha1_ctx c;
    sha1_init(&c);
    long steps = 0;
    double elapsed = 0;
    const auto start = clock::now();
    // Long enough to smooth out the timer's resolution and a first slow batch.
    do {
        for (long k = 0; k < BATCH; ++k) {
            sha1_update(&c, sizeof h, h);
            sha1_digest(&c, sizeof h, h);
        }
        steps += BATCH;
        elapsed = std::chrono::duration<double>(clock::now() - start).count();
    } while (elapsed < 0.05);
    double count = double(steps) / elapsed * seconds;
    count = std::max(count, double(MIN_NEW_ITERATIONS));
    count = std::min(count, double(MAX_ITERATIONS));
    return int32_t(count);
}

std::vector<unsigned char> CryptMan::DeriveKey(const std::string& password,
                                               const unsigned char* salt1, int salt1Len,
                                               const unsigned char* salt2, int salt2Len) const {
    if (salt1Len < 0 || (salt1Len > 0 && !salt1)) return {};
    if (!salt2 || salt2Len < SALT2_SIZE) return {};

    unsigned char h[SHA1_DIGEST_SIZE];
    sha1_ctx c;
    sha1_init(&c);
    sha1_update(&c, password.size(), reinterpret_cast<const uint8_t*>(password.data()));
    if (salt1Len > 0) sha1_update(&c, std::size_t(salt1Len), salt1);
    sha1_digest(&c, sizeof h, h); // h(1)
    // The key takes h(iterations - 1); a hash count below 2 is never stored
    // (Read rejects it), so at least h(1) is always used.
    for (int32_t k = 1; k < iterations - 1; ++k) {
        sha1_update(&c, sizeof h, h);
        sha1_digest(&c, sizeof h, h);
    }

    std::vector<unsigned char> key(KEY_SIZE);
    std::memcpy(key.data(), h, sizeof h);
    std::memcpy(key.data() + sizeof h, salt2, SALT2_SIZE);
    explicit_bzero(h, sizeof h);
    explicit_bzero(&c, sizeof c);
    return key;
}

std::vector<unsigned char> CryptMan::DeriveKey(const std::string& password,
                                               const std::vector<unsigned char>& salt1,
                                               const std::vector<unsigned char>& salt2) const {
    return DeriveKey(password, salt1.data(), int(salt1.size()), salt2.data(), int(salt2.size()));
}

int CryptMan::AddPwd(const std::string& descr, const std::string& password) {
    if (!CanAddPwd()) return -1;
    const bool newMasterKey = mKeyCheckData.empty();

    // Everything is built aside and committed at the end, so a failure
    // changes nothing.
    std::array<unsigned char, KEY_SIZE> mk = masterKey;
    std::vector<unsigned char> check;
    int32_t count = iterations;
    if (newMasterKey) {
        if (GetRandomBytes(mk.data(), mk.size()) != 0) {
            explicit_bzero(mk.data(), mk.size());
            return -1;
        }
        std::array<unsigned char, SHA1_DIGEST_SIZE> digest = Hash_SHA1::Of(mk.data(), mk.size());
        int len = 0;
        check =
            Twofish::Encrypt(digest.data(), int(digest.size()), mk.data(), KEY_SIZE, len, false);
        explicit_bzero(digest.data(), digest.size());
        if (len != CHECK_SIZE) {
            explicit_bzero(mk.data(), mk.size());
            return -1;
        }
        count = newKeyIterations > 0 ? std::clamp(newKeyIterations, MIN_ITERATIONS, MAX_ITERATIONS)
                                     : CalibrateIterations(0.5);
    }

    PwdData rec;
    rec.descr = oneLine(descr);
    rec.salt1.resize(SALT1_SIZE);
    rec.salt2.resize(SALT2_SIZE);
    if (GetRandomBytes(rec.salt1.data(), rec.salt1.size()) != 0 ||
        GetRandomBytes(rec.salt2.data(), rec.salt2.size()) != 0) {
        explicit_bzero(mk.data(), mk.size());
        return -1;
    }
    const int32_t oldCount = iterations;
    iterations = count;
    std::vector<unsigned char> key = DeriveKey(password, rec.salt1, rec.salt2);
    iterations = oldCount;
    int len = 0;
    rec.encMasterKey = Twofish::Encrypt(mk.data(), KEY_SIZE, key.data(), KEY_SIZE, len, false);
    wipe(key);
    if (len != KEY_SIZE) {
        explicit_bzero(mk.data(), mk.size());
        return -1;
    }

    if (newMasterKey) {
        masterKey = mk;
        mKeyCheckData = std::move(check);
        iterations = count;
        loggedIn = true;
    }
    explicit_bzero(mk.data(), mk.size());
    pwds.push_back(std::move(rec));
    pwdsChanged = true;
    return 0;
}

int CryptMan::Login(int i, const char* password) {
    const PwdData* rec = GetPwdData(i);
    if (!rec || mKeyCheckData.size() < std::size_t(SHA1_DIGEST_SIZE) ||
        rec->encMasterKey.size() != std::size_t(KEY_SIZE))
        return -1;
    std::vector<unsigned char> key = DeriveKey(password ? password : "", rec->salt1, rec->salt2);
    if (key.empty()) return -1;

    int len = 0;
    std::vector<unsigned char> mk =
        Twofish::Decrypt(rec->encMasterKey.data(), KEY_SIZE, key.data(), KEY_SIZE, len, false);
    wipe(key);
    if (len != KEY_SIZE) return -1;
    std::vector<unsigned char> chk = Twofish::Decrypt(
        mKeyCheckData.data(), int(mKeyCheckData.size()), mk.data(), KEY_SIZE, len, false);
    std::array<unsigned char, SHA1_DIGEST_SIZE> digest = Hash_SHA1::Of(mk.data(), mk.size());
    const bool right =
        len >= SHA1_DIGEST_SIZE && std::memcmp(digest.data(), chk.data(), digest.size()) == 0;
    if (right) {
        std::memcpy(masterKey.data(), mk.data(), KEY_SIZE);
        loggedIn = true;
    }
    wipe(mk);
    wipe(chk);
    explicit_bzero(digest.data(), digest.size());
    return right ? 0 : -1;
}

std::vector<unsigned char> CryptMan::Encrypt(const char* text, int& outLen, bool cbc) const {
    if (!loggedIn || !text) {
        outLen = -1;
        return {};
    }
    const std::size_t n = std::strlen(text) + 1;
    if (n > std::size_t(INT32_MAX) / 2) {
        outLen = -1;
        return {};
    }
    return Twofish::Encrypt(reinterpret_cast<const unsigned char*>(text), int(n), masterKey.data(),
                            KEY_SIZE, outLen, cbc);
}

int CryptMan::Decrypt(const unsigned char* data, int len, bool cbc, std::string& text) const {
    text.clear();
    if (!loggedIn) return -1;
    int outLen = 0;
    std::vector<unsigned char> plain =
        Twofish::Decrypt(data, len, masterKey.data(), KEY_SIZE, outLen, cbc);
    if (outLen < 0) return -1;
    // The text ends at its zero byte, or at the end of the buffer when a
    // damaged block holds none.
    auto end = std::find(plain.begin(), plain.end(), 0);
    text.assign(plain.begin(), end);
    wipe(plain);
    return 0;
}

bool CryptMan::decipherDescription(const std::vector<unsigned char>& cipher, bool cbc,
                                   std::vector<unsigned char>& plain) const {
    std::string text;
    if (Decrypt(cipher.data(), int(cipher.size()), cbc, text) != 0) return false;
    plain.assign(text.begin(), text.end());
    plain.push_back(0);
    return true;
}

bool CryptMan::encipherDescription(const std::vector<unsigned char>& plain, bool cbc,
                                   std::vector<unsigned char>& cipher) const {
    // The plain text ends with its zero byte; the manager enciphers the text
    // up to and including it.
    if (plain.empty() || plain.back() != 0) return false;
    int length = -1;
    cipher = Encrypt(reinterpret_cast<const char*>(plain.data()), length, cbc);
    if (length < 0) {
        cipher.clear();
        return false;
    }
    cipher.resize(std::size_t(length));
    return true;
}

void CryptMan::WriteVector(std::ostream& os, const std::vector<unsigned char>& v) {
    std::string letters;
    letters.reserve(v.size() * 2);
    for (unsigned char b : v) {
        letters.push_back(char('a' + (b & 15)));
        letters.push_back(char('a' + (b >> 4)));
    }
    os << v.size() << '\n' << letters << '\n';
}

int CryptMan::ReadVector(std::istream& is, std::vector<unsigned char>& v) {
    v.clear();
    long count = parseCount(readSectionLine(is), MAX_VECTOR_BYTES);
    if (is.fail() || count < 0) return -1;
    std::string letters = readSectionLine(is);
    if (is.fail() || letters.size() != std::size_t(count) * 2) return -1;
    std::vector<unsigned char> bytes(std::size_t(count), 0);
    for (std::size_t k = 0; k < bytes.size(); ++k) {
        char lo = letters[2 * k], hi = letters[2 * k + 1];
        if (lo < 'a' || lo > 'p' || hi < 'a' || hi > 'p') return -1;
        bytes[k] = static_cast<unsigned char>((lo - 'a') | ((hi - 'a') << 4));
    }
    v = std::move(bytes);
    return 0;
}

int CryptMan::Write(std::ostream& os) const {
    if (mKeyCheckData.empty()) return 0;
    os << "<Crypt>\n0\n" << iterations << '\n';
    WriteVector(os, mKeyCheckData);
    os << pwds.size() << '\n';
    for (const PwdData& p : pwds) {
        os << oneLine(p.descr) << '\n';
        WriteVector(os, p.encMasterKey);
        WriteVector(os, p.salt1);
        WriteVector(os, p.salt2);
    }
    os << "</Crypt>\n";
    return os.fail() ? -1 : 0;
}

int CryptMan::Read(std::istream& is) {
    readSectionLine(is); // a format mark that is always "0"; its value is not used
    if (is.fail()) return -1;
    long count = parseCount(readSectionLine(is), MAX_ITERATIONS);
    if (is.fail() || count < MIN_ITERATIONS) return -1;
    const int32_t readIterations = int32_t(count);

    std::vector<unsigned char> check;
    if (ReadVector(is, check) != 0 || check.size() != std::size_t(CHECK_SIZE)) return -1;

    long records = parseCount(readSectionLine(is), INT32_MAX);
    if (is.fail() || records < 0) return -1;
    // Records are appended as they are read, so memory grows only with the
    // lines actually present, whatever the count says.
    std::vector<PwdData> readPwds;
    for (long r = 0; r < records; ++r) {
        PwdData rec;
        if (!readRecord(is, rec)) return -1;
        readPwds.push_back(std::move(rec));
    }
    std::string closing = readSectionLine(is);
    if (is.fail() || !startsWith(closing, "</Crypt>")) return -1;

    mKeyCheckData = std::move(check);
    pwds = std::move(readPwds);
    iterations = readIterations;
    loggedIn = false;
    wipeMasterKey();
    return 0;
}
