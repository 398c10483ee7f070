#pragma once

#include "Common.h"
#include "Password.h"

#include <cstddef>
#include <cstdint>
#include <future>
#include <memory>
#include <optional>
#include <sodium.h>
#include <string>
#include <utility>

// Encryption of an archive's blocks with a key from its password, through
// libsodium: Argon2id for the key, XChaCha20-Poly1305 for each block (and a
// hidden index), keyed BLAKE2b for the tag that authenticates or seals it.
namespace brak::jar::v2 {

// Header flag: the archive's blocks are encrypted; the header goes on with
// the key's salt, limits and check value.
inline constexpr std::uint32_t EncryptedFlag = 1;
// Block transform: the payload is sealed, nonce first, tag last.
inline constexpr std::uint16_t EncryptedTransform = 1;
inline constexpr size_t SaltSize = 16;
inline constexpr size_t CheckSize = 32;
inline constexpr size_t ProtectionSize = SaltSize + 8 + 8 + CheckSize;
// A sealed payload: a nonce, the ciphertext, the AEAD tag.
inline constexpr size_t NonceSize = 24;
inline constexpr size_t AeadTagSize = 16;
inline constexpr size_t SealOverhead = NonceSize + AeadTagSize;
// Header flag: the header carries the key's extension as for encryption, and
// a keyed tag before the footer covers the archive (see Digest).
inline constexpr std::uint32_t AuthenticatedFlag = 2;
// Header flag, with encryption only: the index is sealed as the blocks are.
inline constexpr std::uint32_t HiddenFlag = 4;
// Header flag: the security envelope, a tag before the footer; keyed when
// the header carries a key, plain BLAKE2b otherwise.
inline constexpr std::uint32_t SealedFlag = 8;
// Header flag, with encryption and without a seal: the tag covers each
// block's header, nonce and AEAD tag, not its ciphertext, which that AEAD tag
// already covers under the same key.
inline constexpr std::uint32_t FramedTagFlag = 16;
inline constexpr size_t TagSize = 32;
inline bool carriesKey(std::uint32_t headerFlags) {
    return (headerFlags & (EncryptedFlag | AuthenticatedFlag)) != 0;
}
inline bool carriesTag(std::uint32_t headerFlags) {
    return (headerFlags & (AuthenticatedFlag | SealedFlag)) != 0;
}

// No password could be had (no terminal, no -p descriptor): the command
// cannot go on, though one that only lists may show what needs no key.
class PasswordMissing : public JarError {
public:
    using JarError::JarError;
};

// The key of this run, held in locked memory and wiped when it goes.
class Protection {
public:
    static Protection& instance();
    // A key apart from the one of this run: a new password seals the blocks
    // that the run's key opens.
    static std::unique_ptr<Protection> separate();
    ~Protection();
    Protection(const Protection&) = delete;
    Protection& operator=(const Protection&) = delete;

    // Whether the archives written are encrypted with the key held.
    bool active() const { return key_ != nullptr && encrypting_; }
    // Whether a key is held, for encryption or for authentication alone.
    bool keyHeld() const { return key_ != nullptr; }
    // Archives written with the key held are encrypted, or only authenticated.
    void setEncrypting(bool encrypting) { encrypting_ = encrypting; }
    // An archive opened for writing is encrypted from now on (-hg1) even
    // when it was only authenticated.
    bool encryptOnWrite = false;
    // Whether reading checks a seal that needs no key (t without -he).
    bool checkSeal = false;
    // Whether the archive's tag is checked on another thread while files
    // are extracted, none of them renamed into place before it matched.
    bool checkBeside = false;
    // Whether reading an encrypted archive asks for its password at once
    // (commands that read file data); listing needs no key unless the
    // index is hidden.
    bool askOnRead = true;

    // A new key from a new password with a fresh salt. The archives written
    // with it are encrypted, or with `encrypt` false only authenticated;
    // without `encrypt`, as with the key it replaces (encrypted when none).
    void create(const Secret& password);
    void create(const Secret& password, bool encrypt);
    // Drops the key held, wiping it: archives written are plain again.
    void forget();
    // The key of the archive whose header extension is `extension`: the one
    // held when it matches, else asked for. A wrong password is a CRC error.
    void unlock(const std::string& path, const char* extension);
    // The header extension of archives written with the key held.
    std::string headerExtension() const;

    std::string seal(const std::string& plain, std::uint32_t sequence) const;
    bool open(const char* data, size_t size, std::uint32_t sequence, std::string& plain) const;
    // The index of an archive whose contents are hidden, sealed as a block is
    // but with associated data no block has.
    std::string sealIndex(const std::string& plain) const;
    bool openIndex(const std::string& sealed, std::string& plain) const;
    // The key of the tags (Digest), derived from the archive's key so that
    // no key serves two ciphers.
    void tagKey(unsigned char* out) const;
    // Waits for the key being made on another thread, and tells a wrong
    // password or a failure then. The first call after create() or unlock()
    // comes from the command's own thread (the header's check value, the
    // index read), before any other thread uses the key.
    void ready() const;

private:
    std::string sealWith(const std::string& plain, const unsigned char* ad, size_t adSize) const;
    bool openWith(const char* data, size_t size, const unsigned char* ad, size_t adSize,
                  std::string& plain) const;
    Protection();
    // Makes the key from the password on another thread.
    void startDerivation(const Secret& password);
    void checkValue(unsigned char* out) const;

    unsigned char* key_ = nullptr; // sodium_malloc'd, null when none
    unsigned char salt_[SaltSize] = {};
    std::uint64_t opslimit_ = 0;
    std::uint64_t memlimit_ = 0;
    bool encrypting_ = true;
    mutable std::future<bool> deriving_;
    // The check value an archive holds, compared once the key is made.
    unsigned char expected_[CheckSize] = {};
    mutable std::string wrongPassword_; // the message if it differs
    mutable std::optional<std::pair<int, std::string>> failure_;
};

// The tag of an archive's bytes: BLAKE2b keyed with the tag key of the key
// held, or plain BLAKE2b for a seal of an archive without a password.
class Digest {
public:
    explicit Digest(bool keyed);
    // Keyed with the tag key of `keys`, or plain BLAKE2b without one.
    explicit Digest(const Protection* keys);
    ~Digest();
    Digest(const Digest&) = delete;
    Digest& operator=(const Digest&) = delete;
    void update(const char* data, size_t size);
    void finish(unsigned char* out); // TagSize bytes

private:
    crypto_generichash_state state_;
};

// Asks for a new password on the terminal: three tries, then a bad parameter.
// With `replacing`, the new password of an archive that has one (-np).
Secret askNewArchivePassword(const std::string& path, bool replacing = false);

} // namespace brak::jar::v2
