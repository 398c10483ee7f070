#pragma once

#include "Password.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

// Encryption of an archive's blocks with a key from its password, through
// libsodium: Argon2id for the key, XChaCha20-Poly1305 for each block.
namespace brak::jar::v2 {

// Header flag: the archive's blocks are encrypted; the header goes on with
// the key's salt, limits and check value.
inline constexpr std::uint32_t EncryptedFlag = 1;
// Block transform: the payload is sealed, nonce first, tag last.
inline constexpr std::uint16_t EncryptedTransform = 1;
inline constexpr size_t SaltSize = 16;
inline constexpr size_t CheckSize = 32;
inline constexpr size_t ProtectionSize = SaltSize + 8 + 8 + CheckSize;
inline constexpr size_t SealOverhead = 24 + 16;

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

    // Whether a key is held: every archive written is then encrypted with it.
    bool active() const { return key_ != nullptr; }
    // Whether reading an encrypted archive asks for its password at once
    // (commands that read file data); listing needs no key.
    bool askOnRead = true;

    // A new key from a new password with a fresh salt.
    void create(const Secret& password);
    // The key of the archive whose header extension is `extension`: the one
    // held when it matches, else asked for. A wrong password is a CRC error.
    void unlock(const std::string& path, const char* extension);
    // The header extension of archives written with the key held.
    std::string headerExtension() const;

    std::string seal(const std::string& plain, std::uint32_t sequence) const;
    bool open(const char* data, size_t size, std::uint32_t sequence, std::string& plain) const;

private:
    Protection();
    void derive(const Secret& password);
    void checkValue(unsigned char* out) const;

    unsigned char* key_ = nullptr; // sodium_malloc'd, null when none
    unsigned char salt_[SaltSize] = {};
    std::uint64_t opslimit_ = 0;
    std::uint64_t memlimit_ = 0;
};

// Asks for a new password on the terminal: three tries, then a bad parameter.
Secret askNewArchivePassword(const std::string& path);

} // namespace brak::jar::v2
