#include "Protection.h"

#include "Bytes.h"
#include "Common.h"
#include "Console.h"

#include <cstring>
#include <sodium.h>

namespace brak::jar::v2 {

namespace {

#ifndef FUZZING_BUILD_MODE_UNSAFE_FOR_PRODUCTION
// Argon2id limits: about a tenth of a second and 64 MiB on a small machine.
constexpr std::uint64_t OpsLimit = 2;
constexpr std::uint64_t MemLimit = 64u << 20;
// Limits accepted from an archive, so that a forged header cannot make Jar
// work for hours or take all memory.
constexpr std::uint64_t MaxOpsLimit = 16;
constexpr std::uint64_t MaxMemLimit = 256u << 20;
#else
// The fuzzing build makes keys at Argon2id's least cost and takes no more
// from an input, so that an input with a changed salt costs microseconds,
// not a tenth of a second; its seeds were written with these limits.
constexpr std::uint64_t OpsLimit = crypto_pwhash_OPSLIMIT_MIN;
constexpr std::uint64_t MemLimit = crypto_pwhash_MEMLIMIT_MIN;
constexpr std::uint64_t MaxOpsLimit = 2 * OpsLimit;
constexpr std::uint64_t MaxMemLimit = 8 * MemLimit;
#endif
constexpr char CheckLabel[] = "JAR32 key check";
constexpr unsigned char IndexLabel[] = "JAR32 index";
constexpr char TagContext[crypto_kdf_CONTEXTBYTES + 1] = "JAR32tag";

void putU64(unsigned char* at, std::uint64_t value) {
    for (int i = 0; i < 8; ++i)
        at[i] = static_cast<unsigned char>(value >> (8 * i));
}

std::uint64_t getU64(const char* at) {
    std::uint64_t value = 0;
    for (int i = 7; i >= 0; --i)
        value = (value << 8) | static_cast<unsigned char>(at[i]);
    return value;
}

} // namespace

Protection& Protection::instance() {
    static Protection protection;
    return protection;
}

std::unique_ptr<Protection> Protection::separate() {
    return std::unique_ptr<Protection>(new Protection());
}

Protection::Protection() {
    if (sodium_init() < 0)
        throw JarError(ExitFatal, "the cryptographic library cannot start");
}

Protection::~Protection() {
    if (deriving_.valid())
        deriving_.wait();
    if (key_ != nullptr)
        sodium_free(key_); // wipes it
}

void Protection::ready() const {
    if (deriving_.valid()) {
        if (!deriving_.get()) {
            failure_ = {ExitNoMemory, "not enough memory to derive the key from the password"};
        } else if (!wrongPassword_.empty()) {
            unsigned char mine[CheckSize];
            checkValue(mine);
            if (sodium_memcmp(mine, expected_, CheckSize) != 0)
                failure_ = {ExitCrc, wrongPassword_};
            wrongPassword_.clear();
        }
    }
    if (failure_)
        throw JarError(failure_->first, failure_->second);
}

void Protection::startDerivation(const Secret& password) {
    forbidCoreDumps();
    if (key_ == nullptr) {
        key_ =
            static_cast<unsigned char*>(sodium_malloc(crypto_aead_xchacha20poly1305_ietf_KEYBYTES));
        if (key_ == nullptr)
            throw JarError(ExitNoMemory, "no memory for the key");
    }
    auto copy = std::make_shared<Secret>(copyOf(password));
    deriving_ = std::async(std::launch::async, [this, copy] {
        return crypto_pwhash(key_, crypto_aead_xchacha20poly1305_ietf_KEYBYTES, copy->c_str(),
                             copy->size(), salt_, opslimit_, static_cast<size_t>(memlimit_),
                             crypto_pwhash_ALG_ARGON2ID13) == 0;
    });
}

// Covers the limits too, which Argon2id rounds: a changed one is told.
void Protection::checkValue(unsigned char* out) const {
    ready();
    unsigned char message[sizeof CheckLabel - 1 + 16];
    std::memcpy(message, CheckLabel, sizeof CheckLabel - 1);
    putU64(message + sizeof CheckLabel - 1, opslimit_);
    putU64(message + sizeof CheckLabel - 1 + 8, memlimit_);
    crypto_generichash(out, CheckSize, message, sizeof message, key_,
                       crypto_aead_xchacha20poly1305_ietf_KEYBYTES);
}

void Protection::create(const Secret& password) {
    create(password, key_ == nullptr || encrypting_);
}

void Protection::forget() {
    if (deriving_.valid())
        deriving_.wait();
    deriving_ = {};
    failure_.reset();
    wrongPassword_.clear();
    if (key_ != nullptr)
        sodium_free(key_);
    key_ = nullptr;
    encrypting_ = true;
}

void Protection::create(const Secret& password, bool encrypt) {
    ready();
    encrypting_ = encrypt;
    randombytes_buf(salt_, SaltSize);
    opslimit_ = OpsLimit;
    memlimit_ = MemLimit;
    // A new key is derived on another thread while the files to store are
    // looked for; its first use waits for it.
    startDerivation(password);
}

void Protection::unlock(const std::string& path, const char* extension) {
    ready();
    unsigned char check[CheckSize];
    std::memcpy(check, extension + SaltSize + 16, CheckSize);
    const std::uint64_t ops = getU64(extension + SaltSize);
    const std::uint64_t mem = getU64(extension + SaltSize + 8);
    if (key_ != nullptr && std::memcmp(salt_, extension, SaltSize) == 0 && ops == opslimit_ &&
        mem == memlimit_) {
        unsigned char mine[CheckSize];
        checkValue(mine);
        if (sodium_memcmp(mine, check, CheckSize) == 0)
            return;
    }
    if (ops < crypto_pwhash_OPSLIMIT_MIN || ops > MaxOpsLimit || mem < crypto_pwhash_MEMLIMIT_MIN ||
        mem > MaxMemLimit)
        throw JarError(ExitCrc,
                       "the archive \"" + path + "\" is damaged: its key limits are invalid");
    auto password = askPassword("Password: ");
    if (!password)
        throw PasswordMissing(ExitBadParameters,
                              "the archive \"" + path +
                                  "\" is encrypted and needs a password, typed on a "
                                  "terminal; nothing was done");
    std::memcpy(salt_, extension, SaltSize);
    opslimit_ = ops;
    memlimit_ = mem;
    // Derived on another thread while the index is read; ready() tells a
    // wrong password before the key is used.
    std::memcpy(expected_, check, CheckSize);
    wrongPassword_ = "wrong password for the archive \"" + path +
                     "\" (or its header is damaged); nothing was done";
    startDerivation(*password);
}

std::string Protection::headerExtension() const {
    unsigned char out[ProtectionSize];
    std::memcpy(out, salt_, SaltSize);
    putU64(out + SaltSize, opslimit_);
    putU64(out + SaltSize + 8, memlimit_);
    checkValue(out + SaltSize + 16);
    return std::string(reinterpret_cast<const char*>(out), ProtectionSize);
}

namespace {

struct Sequence {
    unsigned char bytes[4];
    explicit Sequence(std::uint32_t sequence) {
        for (int i = 0; i < 4; ++i)
            bytes[i] = static_cast<unsigned char>(sequence >> (8 * i));
    }
};

} // namespace

std::string Protection::sealWith(const std::string& plain, const unsigned char* ad,
                                 size_t adSize) const {
    ready();
    std::string out(crypto_aead_xchacha20poly1305_ietf_NPUBBYTES + plain.size() +
                        crypto_aead_xchacha20poly1305_ietf_ABYTES,
                    '\0');
    auto* nonce = reinterpret_cast<unsigned char*>(out.data());
    randombytes_buf(nonce, crypto_aead_xchacha20poly1305_ietf_NPUBBYTES);
    unsigned long long written = 0;
    crypto_aead_xchacha20poly1305_ietf_encrypt(nonce + crypto_aead_xchacha20poly1305_ietf_NPUBBYTES,
                                               &written,
                                               reinterpret_cast<const unsigned char*>(plain.data()),
                                               plain.size(), ad, adSize, nullptr, nonce, key_);
    return out;
}

bool Protection::openWith(const char* data, size_t size, const unsigned char* ad, size_t adSize,
                          std::string& plain) const {
    ready();
    if (key_ == nullptr || size < SealOverhead)
        return false;
    const auto* nonce = reinterpret_cast<const unsigned char*>(data);
    plain.resize(size - SealOverhead);
    unsigned long long length = 0;
    return crypto_aead_xchacha20poly1305_ietf_decrypt(
               reinterpret_cast<unsigned char*>(plain.data()), &length, nullptr,
               nonce + crypto_aead_xchacha20poly1305_ietf_NPUBBYTES,
               size - crypto_aead_xchacha20poly1305_ietf_NPUBBYTES, ad, adSize, nonce, key_) == 0;
}

std::string Protection::seal(const std::string& plain, std::uint32_t sequence) const {
    const Sequence ad(sequence);
    return sealWith(plain, ad.bytes, sizeof ad.bytes);
}

bool Protection::open(const char* data, size_t size, std::uint32_t sequence,
                      std::string& plain) const {
    const Sequence ad(sequence);
    return openWith(data, size, ad.bytes, sizeof ad.bytes, plain);
}

std::string Protection::sealIndex(const std::string& plain) const {
    return sealWith(plain, IndexLabel, sizeof IndexLabel - 1);
}

bool Protection::openIndex(const std::string& sealed, std::string& plain) const {
    return openWith(sealed.data(), sealed.size(), IndexLabel, sizeof IndexLabel - 1, plain);
}

void Protection::tagKey(unsigned char* out) const {
    ready();
    crypto_kdf_derive_from_key(out, crypto_generichash_KEYBYTES, 1, TagContext, key_);
}

Digest::Digest(bool keyed) : Digest(keyed ? &Protection::instance() : nullptr) {}

Digest::Digest(const Protection* keys) {
    if (keys == nullptr) {
        crypto_generichash_init(&state_, nullptr, 0, TagSize);
        return;
    }
    unsigned char key[crypto_generichash_KEYBYTES];
    sodium_mlock(key, sizeof key);
    keys->tagKey(key);
    crypto_generichash_init(&state_, key, sizeof key, TagSize);
    sodium_munlock(key, sizeof key); // wipes it
}

Digest::~Digest() {
    sodium_memzero(&state_, sizeof state_);
}

void Digest::update(const char* data, size_t size) {
    crypto_generichash_update(&state_, reinterpret_cast<const unsigned char*>(data), size);
}

void Digest::finish(unsigned char* out) {
    crypto_generichash_final(&state_, out, TagSize);
}

Secret askNewArchivePassword(const std::string& path, bool replacing) {
    Console& console = Console::instance();
    // One that replaces the archive's password is typed even when the
    // current one was handed over.
    auto ask = [replacing](const char* prompt) {
        return replacing ? askTypedPassword(prompt) : askPassword(prompt);
    };
    for (int attempt = 0; attempt < 3; ++attempt) {
        auto first = ask(replacing ? "New password: " : "Password: ");
        if (!first)
            break; // no terminal, or its end: never wait
        if (first->empty()) {
            console.error() << "An empty password protects nothing.";
            continue;
        }
        auto second = ask(replacing ? "New password again: " : "Password again: ");
        if (!second)
            break;
        if (!(*first == *second)) {
            console.error() << "The two passwords differ.";
            continue;
        }
        return std::move(*first);
    }
    if (replacing)
        throw JarError(ExitBadParameters,
                       "no new password for \"" + path + "\" was given; nothing was done");
    throw JarError(ExitBadParameters,
                   "no password for encrypting \"" + path + "\" was given; nothing was written");
}

} // namespace brak::jar::v2
