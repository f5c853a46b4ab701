#include "model/description.h"

#include <cstring>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<unsigned char>;

// A stand-in cipher: bytes XOR 0x5a, padded with 0xa5 to whole 16-byte blocks
// (deciphering keeps the padding, as a block cipher does). It counts how often
// it enciphered, so tests can tell a fresh encipherment from a saved form.
struct FakeCipher {
    static inline bool loggedIn = false;
    static inline bool decryptFails = false;
    static inline int encryptions = 0;

    static bool isLoggedIn(DescriptionCipher* crypt) { return crypt != nullptr && loggedIn; }
    static Bytes transform(const Bytes& in) {
        Bytes out = in;
        for (auto& b : out)
            b ^= 0x5a;
        while (out.size() % 16 != 0)
            out.push_back(0xa5);
        return out;
    }
    static bool decrypt(DescriptionCipher*, const Bytes& in, bool, Bytes& out) {
        if (decryptFails) return false;
        out = transform(in);
        return true;
    }
    static bool encrypt(DescriptionCipher*, const Bytes& in, bool, Bytes& out) {
        ++encryptions;
        out = transform(in);
        return true;
    }
};

const T_DescrCipher fakeCipher = {FakeCipher::isLoggedIn, FakeCipher::decrypt, FakeCipher::encrypt};

// Any non-null manager; the fake cipher never looks behind it.
DescriptionCipher* const manager = reinterpret_cast<DescriptionCipher*>(&FakeCipher::loggedIn);

Bytes textBytes(const std::string& s) {
    return Bytes(s.c_str(), s.c_str() + s.size() + 1);
}

// The cipher text of s as the data file would hold it.
Bytes cipherOf(const std::string& s) {
    return FakeCipher::transform(textBytes(s));
}

struct SaveResult {
    int result;
    Bytes data;
    int length;
    int flags;
    bool allocated;
};

SaveResult save(DescrData& d, DescriptionCipher* crypt = manager) {
    SaveResult r{};
    r.result = d.GetDataToSave(r.data, r.length, r.flags, r.allocated, crypt);
    return r;
}

class Description : public testing::Test {
  protected:
    void SetUp() override {
        setDescrCipherForTesting(&fakeCipher);
        FakeCipher::loggedIn = true;
        FakeCipher::decryptFails = false;
        FakeCipher::encryptions = 0;
    }
    void TearDown() override { setDescrCipherForTesting(nullptr); }

    // A description as read from the data file: enciphered, to be saved enciphered.
    static DescrData readEnciphered(const std::string& text) {
        DescrData d;
        d.SetStoredForm(cipherOf(text), 0x20006);
        return d;
    }
};

} // namespace

TEST_F(Description, EmptyOrNullTextLeavesNoDescription) {
    for (const char* text : {static_cast<const char*>(nullptr), ""}) {
        DescrData d;
        d.SetNewChar("something");
        d.SetNewChar(text);
        EXPECT_EQ(d.getLength(), 0);
        const char* out = "x";
        EXPECT_FALSE(d.GetDescription(out, nullptr));
        EXPECT_EQ(out, nullptr);
    }
}

TEST_F(Description, PlainTextCountsItsTerminatingZero) {
    DescrData d;
    d.SetNewChar("abc");
    EXPECT_EQ(d.getLength(), 4);
    const char* out = nullptr;
    EXPECT_FALSE(d.GetDescription(out, nullptr));
    EXPECT_STREQ(out, "abc");
    SaveResult r = save(d, nullptr);
    EXPECT_EQ(r.result, 0);
    EXPECT_EQ(r.data, textBytes("abc"));
    EXPECT_EQ(r.length, 4);
    EXPECT_EQ(r.flags, 0);
    EXPECT_FALSE(r.allocated);
}

TEST_F(Description, UnchangedEncipheredTextIsSavedAsReadEvenAfterBeingShown) {
    DescrData d = readEnciphered("secret plans");
    const char* out = nullptr;
    ASSERT_FALSE(d.GetDescription(out, manager));
    EXPECT_STREQ(out, "secret plans");
    EXPECT_FALSE(d.CurDescrIsBinary());

    SaveResult r = save(d);
    EXPECT_EQ(r.result, 0);
    EXPECT_EQ(r.data, cipherOf("secret plans"));
    EXPECT_EQ(r.flags, 0x20006);
    EXPECT_FALSE(r.allocated);
    EXPECT_EQ(FakeCipher::encryptions, 0);
}

TEST_F(Description, EncipheredTextCannotBeShownWithoutLogin) {
    for (bool decryptFails : {false, true}) {
        FakeCipher::loggedIn = !decryptFails; // logged in, but the key does not fit
        FakeCipher::decryptFails = decryptFails;
        DescrData d = readEnciphered("hidden");
        const char* out = "x";
        EXPECT_TRUE(d.GetDescription(out, decryptFails ? manager : nullptr));
        EXPECT_EQ(out, nullptr);
        EXPECT_TRUE(d.CurDescrIsBinary());
        // It can still be saved in its saved form.
        SaveResult r = save(d, nullptr);
        EXPECT_EQ(r.result, 0);
        EXPECT_EQ(r.data, cipherOf("hidden"));
    }
}

TEST_F(Description, SameTextKeepsSavedFormAndChangedTextIsEncipheredAnew) {
    DescrData d = readEnciphered("note");
    const char* out = nullptr;
    d.GetDescription(out, manager);

    d.SetNewChar("note");
    ASSERT_NE(d.getSavedForm(), nullptr);
    EXPECT_EQ(save(d).data, cipherOf("note"));
    EXPECT_EQ(FakeCipher::encryptions, 0);

    d.SetNewChar("nots");
    EXPECT_EQ(d.getSavedForm(), nullptr);
    SaveResult r = save(d);
    EXPECT_EQ(r.result, 0);
    EXPECT_EQ(r.data, cipherOf("nots"));
    EXPECT_EQ(r.flags, 0x20006);
    EXPECT_TRUE(r.allocated);
    EXPECT_EQ(FakeCipher::encryptions, 1);
    // The text in memory stays plain; every save enciphers a fresh copy.
    EXPECT_FALSE(d.CurDescrIsBinary());
    save(d);
    EXPECT_EQ(FakeCipher::encryptions, 2);
}

TEST_F(Description, SaveCryptOffWritesDecipheredTextPlain) {
    DescrData d = readEnciphered("was secret");
    const char* out = nullptr;
    d.GetDescription(out, manager);
    d.SetSaveCrypt(false);
    SaveResult r = save(d);
    EXPECT_EQ(r.result, 0);
    EXPECT_EQ(r.data, textBytes("was secret"));
    EXPECT_EQ(r.flags & 0x30002, 0);
}

TEST_F(Description, SaveCryptOffDeciphersOnSaveOrRefusesWithoutLogin) {
    DescrData d = readEnciphered("text");
    d.SetSaveCrypt(false);
    FakeCipher::loggedIn = false;
    SaveResult refused = save(d);
    EXPECT_EQ(refused.result, -1);
    EXPECT_TRUE(refused.data.empty());
    FakeCipher::loggedIn = true;
    SaveResult r = save(d);
    EXPECT_EQ(r.result, 0);
    EXPECT_EQ(r.data, textBytes("text"));
}

TEST_F(Description, PlainTextToBeEncipheredIsRefusedWithoutLogin) {
    DescrData d;
    d.SetNewChar("plain");
    d.SetSaveCrypt(true);
    FakeCipher::loggedIn = false;
    EXPECT_EQ(save(d).result, -1);
    EXPECT_EQ(save(d, nullptr).result, -1);
    EXPECT_EQ(FakeCipher::encryptions, 0);
}

TEST_F(Description, EmptyDescriptionSavesWithoutLowFlags) {
    DescrData d;
    d.SetSaveCrypt(true);
    SaveResult r = save(d, nullptr);
    EXPECT_EQ(r.result, 0);
    EXPECT_TRUE(r.data.empty());
    EXPECT_EQ(r.length, 0);
    EXPECT_EQ(r.flags, 0x20000);
}

TEST_F(Description, CopyOfDecipheredTextIsEncipheredAnewNeverSavedPlainAsCipher) {
    DescrData source = readEnciphered("copied");
    const char* out = nullptr;
    source.GetDescription(out, manager); // plain in memory, saved form kept

    DescrData copy;
    copy = source;
    EXPECT_EQ(copy.getSavedForm(), nullptr);
    SaveResult r = save(copy);
    EXPECT_EQ(r.result, 0);
    EXPECT_EQ(r.data, cipherOf("copied"));
    EXPECT_TRUE(r.allocated);

    DescrData other;
    other.CopyFrom(&source);
    FakeCipher::loggedIn = false;
    EXPECT_EQ(save(other).result, -1);
}

TEST_F(Description, CopyOfCipherTextKeepsItAsSavedForm) {
    DescrData source = readEnciphered("still enciphered");
    DescrData copy(source);
    ASSERT_NE(copy.getSavedForm(), nullptr);
    EXPECT_TRUE(copy == source);
    SaveResult r = save(copy, nullptr);
    EXPECT_EQ(r.result, 0);
    EXPECT_EQ(r.data, cipherOf("still enciphered"));
}

TEST_F(Description, NewTextOverCipherTextIsPlain) {
    DescrData d = readEnciphered("old");
    d.SetNewChar("typed while locked");
    EXPECT_FALSE(d.CurDescrIsBinary());
    const char* out = nullptr;
    EXPECT_FALSE(d.GetDescription(out, nullptr));
    EXPECT_STREQ(out, "typed while locked");
    // Saved enciphered only through the cipher, never as plain bytes marked enciphered.
    FakeCipher::loggedIn = false;
    EXPECT_EQ(save(d).result, -1);
    FakeCipher::loggedIn = true;
    EXPECT_EQ(save(d).data, cipherOf("typed while locked"));
}

TEST_F(Description, EqualityComparesLengthFlagsAndBytes) {
    DescrData a, b;
    EXPECT_TRUE(a == b);
    a.SetNewChar("same");
    b.SetNewChar("same");
    EXPECT_TRUE(a == b);
    b.SetSaveCrypt(true);
    EXPECT_FALSE(a == b); // equal bytes, different flags
    a.SetSaveCrypt(true);
    EXPECT_TRUE(a == b);
    b.SetNewChar("samf");
    EXPECT_TRUE(a != b);
    b.SetNewChar("same!");
    EXPECT_TRUE(a != b);
    // The saved form does not take part.
    DescrData shown = readEnciphered("x"), plain;
    const char* out = nullptr;
    shown.GetDescription(out, manager); // plain now, flags 0x20004, saved form kept
    plain.SetStoredForm(textBytes("x"), 0x20004);
    ASSERT_NE(shown.getSavedForm(), nullptr);
    ASSERT_EQ(plain.getSavedForm(), nullptr);
    EXPECT_TRUE(shown == plain);
}

TEST(DescriptionWithoutPasswordManager, NobodyIsLoggedIn) {
    DescrData d;
    d.SetStoredForm(Bytes{1, 2, 3, 4}, 0x20006);
    const char* out = nullptr;
    EXPECT_TRUE(d.GetDescription(out, nullptr));
    d.SetSaveCrypt(false);
    int length = 0, flags = 0;
    bool allocated = true;
    Bytes data;
    EXPECT_EQ(d.GetDataToSave(data, length, flags, allocated, nullptr), -1);
    EXPECT_FALSE(allocated);
}
