#include "model/description.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<unsigned char>;

// A stand-in cipher: bytes XOR 0x5a, padded with 0xa5 to whole 16-byte blocks
// (deciphering keeps the padding, as a block cipher does), so that the saved
// form of every state can be written out by hand.
bool loggedIn = true, keyFits = true;
Bytes transform(Bytes out) {
    for (auto& b : out)
        b ^= 0x5a;
    out.resize((out.size() + 15) / 16 * 16, 0xa5);
    return out;
}
bool apply(DescriptionCipher*, const Bytes& in, bool, Bytes& out) {
    return out = transform(in), keyFits;
}
const T_DescrCipher fakeCipher = {[](DescriptionCipher* c) { return c && loggedIn; }, apply, apply};
DescriptionCipher* const manager = reinterpret_cast<DescriptionCipher*>(&loggedIn);

Bytes textBytes(const std::string& s) {
    return Bytes(s.c_str(), s.c_str() + s.size() + 1);
}

// What the lists show: the text, "" for none, "<hidden>" while it cannot be deciphered.
std::string shown(DescrData& d) {
    const char* text = nullptr;
    if (d.GetDescription(text, manager)) return text ? "<text while hidden>" : "<hidden>";
    return text ? text : "";
}

} // namespace

// Each row walks a description through steps and saves it:
//   p  plain text "text" typed in          e  "text" read enciphered, to be saved so (0x20006)
//   E  "text" read enciphered, flags 0x6   v  shown (deciphered in memory when logged in)
//   S  "save enciphered" on                s  "save enciphered" off
//   t  the same text typed again           n  changed to "new"
//   0  emptied                             c  replaced by a copy of itself
//   U  password no longer entered          X  the key does not fit (deciphering fails)
// then checks the result, the saved bytes (- none, p plain, c cipher of the text),
// the flags word, whether the bytes were enciphered for this save, and what the
// lists show afterwards in the same state.
TEST(Description, EveryStateSavesInItsFormOrIsRefused) {
    // clang-format off
    struct Row { const char* steps; int result; const char* saved; int32_t flags; bool allocated;
                 const char* shows; const char* rule; } rows[] = {
        {"",     0, "-",      0,       false, "",         "no description"},
        {"S",    0, "-",      0x20000, false, "",         "empty keeps only the high flags"},
        {"p",    0, "p text", 0,       false, "text",     "plain text with its zero byte"},
        {"pS",   0, "c text", 0x20006, true,  "text",     "plain enciphered on save, memory plain"},
        {"pSU", -1, "-",      0x20000, false, "text",     "plain cannot be enciphered locked"},
        {"e",    0, "c text", 0x20006, false, "text",     "unshown cipher text saved as read"},
        {"eXv",  0, "c text", 0x20006, false, "<hidden>", "wrong key: hidden, saved as read"},
        {"ev",   0, "c text", 0x20006, false, "text",     "shown cipher text saved as read"},
        {"evt",  0, "c text", 0x20006, false, "text",     "same text keeps the saved form"},
        {"evn",  0, "c new",  0x20006, true,  "new",      "changed text enciphered anew"},
        {"eUn", -1, "-",      0x20004, false, "new",      "changed while locked: refused"},
        {"evS",  0, "c text", 0x20006, true,  "text",     "save enciphered set again: anew"},
        {"es",   0, "p text", 4,       false, "text",     "off, unshown: deciphered on save"},
        {"esU", -1, "-",      6,       false, "<hidden>", "off, locked: refused"},
        {"E",    0, "p text", 4,       false, "text",     "enciphered, no save flag: plain"},
        {"evc",  0, "c text", 0x20006, true,  "text",     "copy of shown text enciphered anew"},
        {"evcU",-1, "-",      0x20004, false, "text",     "copy of shown text, locked: refused"},
        {"ecU",  0, "c text", 0x20006, false, "<hidden>", "copy of cipher text keeps it"},
        {"e0",   0, "-",      0x20000, false, "",         "emptied cipher text"},
    };
    // clang-format on
    setDescrCipherForTesting(&fakeCipher);
    for (const Row& r : rows) {
        SCOPED_TRACE(std::string(r.rule) + " [" + r.steps + "]");
        loggedIn = keyFits = true;
        DescrData d, copy;
        for (const char* s = r.steps; *s; ++s) {
            // clang-format off
            switch (*s) {
            case 'p': case 't': case 'n': case '0':
                d.SetNewChar(*s == 'n' ? "new" : *s == '0' ? "" : "text"); break;
            case 'e': case 'E':
                d.SetStoredForm(transform(textBytes("text")), *s == 'e' ? 0x20006 : 0x6); break;
            case 'v': shown(d); break; case 'S': case 's': d.SetSaveCrypt(*s == 'S'); break;
            case 'c': copy = d, d = copy; break;
            case 'U': case 'X': (*s == 'U' ? loggedIn : keyFits) = false; break;
            }
            // clang-format on
        }
        Bytes data;
        int length = -5, flags = -5;
        bool allocated = !r.allocated;
        EXPECT_EQ(d.GetDataToSave(data, length, flags, allocated, manager), r.result);
        const Bytes plain = textBytes(r.saved[0] == '-' ? "" : r.saved + 2);
        EXPECT_EQ(data, r.saved[0] == '-' ? Bytes() : r.saved[0] == 'p' ? plain : transform(plain));
        EXPECT_EQ(length, int(data.size()));
        EXPECT_EQ(std::pair(flags, allocated), std::pair(r.flags, r.allocated));
        EXPECT_EQ(shown(d), r.shows);
    }
    setDescrCipherForTesting(nullptr);
}
