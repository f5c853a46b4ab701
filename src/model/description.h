#pragma once
#include "common/description_cipher.h"

#include <cstdint>
#include <memory>
#include <vector>

// The form of a description as it is stored in the data file: the bytes (plain
// text with its terminating zero byte, or cipher text) and the flags word.
struct T_DescrForm {
    std::vector<unsigned char> data;
    int32_t flags = 0;
};

// The table that asks the cipher handed in: the password manager's side of
// descriptions.
extern const T_DescrCipher passwordManagerCipher;

// Replaces the cipher used by descriptions (services().descrCipher); null
// restores passwordManagerCipher.
void setDescrCipherForTesting(const T_DescrCipher* cipher);

// The long text of an entry, plain or enciphered under the user's master key.
//
// The description is held in whichever form it last had: plain text (with its
// terminating zero byte, counted in the length) or cipher text that has not
// been deciphered yet. A cached copy of the form last read or copied in (the
// saved form) is written back unchanged while the text is not changed, so that
// an unchanged enciphered description is not enciphered anew on every save.
class DescrData {
  public:
    // Flag bits of the flags word.
    static constexpr int32_t DESCR_COMPRESSED = 1;       // not supported: reading fails
    static constexpr int32_t DESCR_ENCIPHERED = 2;       // data is cipher text
    static constexpr int32_t DESCR_CBC = 4;              // cipher mode: set CBC, clear ECB
    static constexpr int32_t DESCR_SAVECRYPT2 = 0x10000; // cleared with DESCR_SAVECRYPT
    static constexpr int32_t DESCR_SAVECRYPT = 0x20000;  // to be stored enciphered

    DescrData() = default;
    DescrData(const DescrData& src) { CopyFrom(&src); }
    DescrData& operator=(const DescrData& src);
    // Copies text, length and flags. A copy of cipher text keeps that cipher
    // text as its saved form; a copy of plain text has no saved form, so that
    // it is enciphered anew when it is to be saved enciphered.
    void CopyFrom(const DescrData* src);

    // Equal when lengths, flags and bytes are equal; the saved form does not count.
    bool operator==(const DescrData& other) const;
    bool operator!=(const DescrData& other) const { return !(*this == other); }

    // Binary data (compressed or enciphered) has no terminating zero byte.
    static bool DescrIsBinary(const int& flags) { return (flags & 3) != 0; }
    bool CurDescrIsBinary() const { return DescrIsBinary(flags); }

    // Sets a new plain text; null or "" leaves no description. Setting the same
    // text again keeps the saved form; any real change drops it.
    void SetNewChar(const char* text);

    // Sets or clears "save enciphered" and drops the saved form, so that the
    // next save produces the new form.
    void SetSaveCrypt(bool on);

    // Points text at the plain description (null when there is none) and
    // returns false. Cipher text is deciphered in memory first when the user is
    // logged in; when it cannot be, text is null and the result is true (the
    // lists show "<encrypted>").
    bool GetDescription(const char*& text, DescriptionCipher* crypt);

    // The bytes, length and flags word to store in the data file. allocated is
    // true when the bytes were enciphered just for this save. Results:
    //   0  data holds the form to store (empty when there is no description);
    //  -1  the description cannot be brought into that form while nobody is
    //      logged in (cipher text to be stored plain, or plain text to be
    //      stored enciphered); data is then empty.
    int GetDataToSave(std::vector<unsigned char>& data, int& length, int& flags, bool& allocated,
                      DescriptionCipher* crypt);

    // Takes a description in its stored form: the bytes (plain text with its
    // terminating zero byte, or cipher text) and the flags word. Cipher text
    // keeps this form as its saved form.
    void SetStoredForm(std::vector<unsigned char> bytes, int32_t flagsWord);

    int getLength() const { return body ? int(body->data.size()) : 0; }
    int getFlags() const { return flags; }
    // True when the description is cipher text, or is to be stored as such:
    // it may leave Velk only deciphered, with the user's consent.
    bool keptEnciphered() const { return (flags & (DESCR_ENCIPHERED | DESCR_SAVECRYPT)) != 0; }
    const std::vector<unsigned char>& getData() const;

  private:
    // Replaces cipher text by its plain text when the user is logged in; the
    // saved form (the cipher text as read) stays.
    void decipherInMemory(DescriptionCipher* crypt);
    // The text and the saved form, made when first needed: most entries have
    // no description, and an organizer may hold a million entries.
    struct Body {
        std::vector<unsigned char> data; // empty: no description
        std::unique_ptr<T_DescrForm> savedForm;
    };
    Body& made();
    // Takes bytes under the current flags (no description when empty); cipher
    // text is also kept as the saved form.
    void setData(std::vector<unsigned char> bytes);
    void dropSavedForm() {
        if (body) body->savedForm.reset();
    }
    const T_DescrForm* savedForm() const { return body ? body->savedForm.get() : nullptr; }

    int32_t flags = 0;
    std::unique_ptr<Body> body;
};
