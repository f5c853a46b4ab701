#include "model/description.h"

#include "common/services.h"

#include <cstring>
#include <utility>

namespace {

const T_DescrCipher& cipher() {
    const T_DescrCipher* replaced = services().descrCipher;
    return replaced ? *replaced : passwordManagerCipher;
}

} // namespace

namespace {

bool askIsLoggedIn(DescriptionCipher* crypt) {
    return crypt && crypt->IsLoggedIn();
}

bool askDecrypt(DescriptionCipher* crypt, const std::vector<unsigned char>& cipher, bool cbc,
                std::vector<unsigned char>& plain) {
    return crypt && crypt->decipherDescription(cipher, cbc, plain);
}

bool askEncrypt(DescriptionCipher* crypt, const std::vector<unsigned char>& plain, bool cbc,
                std::vector<unsigned char>& cipher) {
    return crypt && crypt->encipherDescription(plain, cbc, cipher);
}

} // namespace

const T_DescrCipher passwordManagerCipher = {askIsLoggedIn, askDecrypt, askEncrypt};

void setDescrCipherForTesting(const T_DescrCipher* c) {
    services().descrCipher = c;
}

DescrData& DescrData::operator=(const DescrData& src) {
    CopyFrom(&src);
    return *this;
}

const std::vector<unsigned char>& DescrData::getData() const {
    static const std::vector<unsigned char> none;
    return body ? body->data : none;
}

DescrData::Body& DescrData::made() {
    if (!body) body = std::make_unique<Body>();
    return *body;
}

void DescrData::setData(std::vector<unsigned char> bytes) {
    if (bytes.empty()) {
        body.reset();
        return;
    }
    made().data = std::move(bytes);
    body->savedForm.reset();
    // Only cipher text is kept as the saved form: plain text under the
    // enciphered flags must never be written back as if it were cipher text.
    if (flags & DESCR_ENCIPHERED)
        body->savedForm = std::make_unique<T_DescrForm>(T_DescrForm{body->data, flags});
}

void DescrData::CopyFrom(const DescrData* src) {
    if (src == this) return;
    flags = src->flags;
    setData(src->getData());
}

bool DescrData::operator==(const DescrData& other) const {
    return flags == other.flags && getData() == other.getData();
}

void DescrData::SetNewChar(const char* text) {
    std::size_t n = (text && *text) ? std::strlen(text) + 1 : 0;
    const std::vector<unsigned char>& data = getData();
    bool same = n != 0 && data.size() == n && std::memcmp(data.data(), text, n) == 0;
    if (same) return; // the same text again: data and saved form stay
    if (!data.empty()) dropSavedForm();
    if (n == 0)
        body.reset();
    else
        made().data.assign(text, text + n);
    // The new data is plain text, whatever the old data was.
    flags &= ~DESCR_ENCIPHERED;
}

void DescrData::SetSaveCrypt(bool on) {
    if (on)
        flags |= DESCR_SAVECRYPT;
    else
        flags &= ~(DESCR_SAVECRYPT | DESCR_SAVECRYPT2);
    dropSavedForm();
}

void DescrData::decipherInMemory(DescriptionCipher* crypt) {
    if (!(flags & DESCR_ENCIPHERED)) return;
    if (getData().empty()) {
        flags &= ~DESCR_ENCIPHERED; // nothing to decipher
        return;
    }
    if (!cipher().isLoggedIn(crypt)) return;
    std::vector<unsigned char> plain;
    if (!cipher().decrypt(crypt, body->data, (flags & DESCR_CBC) != 0, plain)) return;
    // The deciphered buffer is rounded up to whole blocks; the text ends at its
    // first zero byte.
    std::size_t len = 0;
    while (len < plain.size() && plain[len] != 0)
        ++len;
    plain.resize(len);
    plain.push_back(0);
    body->data = std::move(plain);
    flags &= ~DESCR_ENCIPHERED;
}

bool DescrData::GetDescription(const char*& text, DescriptionCipher* crypt) {
    decipherInMemory(crypt);
    if (flags & DESCR_ENCIPHERED) {
        text = nullptr;
        return true;
    }
    text = getData().empty() ? nullptr : reinterpret_cast<const char*>(body->data.data());
    return false;
}

int DescrData::GetDataToSave(std::vector<unsigned char>& out, int& length, int& outFlags,
                             bool& allocated, DescriptionCipher* crypt) {
    allocated = false;
    out.clear();
    length = 0;
    outFlags = flags;
    if ((flags & DESCR_SAVECRYPT) && savedForm()) {
        out = savedForm()->data;
        length = int(out.size());
        outFlags = savedForm()->flags;
        return 0;
    }
    if (!(flags & DESCR_SAVECRYPT) && (flags & DESCR_ENCIPHERED)) {
        // Cipher text that is to be stored plain must be deciphered first.
        decipherInMemory(crypt);
        if (flags & DESCR_ENCIPHERED) return -1;
    }
    const std::vector<unsigned char>& data = getData();
    if (data.empty()) {
        outFlags = flags & ~0xffff;
        return 0;
    }
    outFlags = flags;
    if ((flags & (DESCR_SAVECRYPT | DESCR_ENCIPHERED)) != DESCR_SAVECRYPT) {
        out = data;
        length = int(out.size());
        return 0;
    }
    // Plain text that is to be stored enciphered; the text in memory stays plain.
    if (!cipher().isLoggedIn(crypt) || !cipher().encrypt(crypt, data, true, out)) {
        out.clear();
        return -1;
    }
    length = int(out.size());
    outFlags = flags | DESCR_ENCIPHERED | DESCR_CBC;
    allocated = true;
    return 0;
}

void DescrData::SetStoredForm(std::vector<unsigned char> bytes, int32_t flagsWord) {
    flags = flagsWord;
    setData(std::move(bytes));
}
