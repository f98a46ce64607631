#include <windows.h>

#include <bcrypt.h>

#include <cstdlib>

#include "base/crypto.h"

namespace {

// The providers, opened once: SHA-256, and SHA-256 for HMAC (a provider of its own in CNG).
BCRYPT_ALG_HANDLE provider(bool hmac)
{
    static BCRYPT_ALG_HANDLE plain = [] {
        BCRYPT_ALG_HANDLE h = nullptr;
        if (BCryptOpenAlgorithmProvider(&h, BCRYPT_SHA256_ALGORITHM, nullptr, 0) != 0) std::abort();
        return h;
    }();
    static BCRYPT_ALG_HANDLE keyed = [] {
        BCRYPT_ALG_HANDLE h = nullptr;
        if (BCryptOpenAlgorithmProvider(&h, BCRYPT_SHA256_ALGORITHM, nullptr, BCRYPT_ALG_HANDLE_HMAC_FLAG) != 0)
            std::abort();
        return h;
    }();
    return hmac ? keyed : plain;
}

BCRYPT_HASH_HANDLE newHash(bool hmac, std::string_view key)
{
    BCRYPT_HASH_HANDLE hash = nullptr;
    UCHAR nothing = 0;
    PUCHAR secret = key.empty() ? &nothing : reinterpret_cast<PUCHAR>(const_cast<char*>(key.data()));
    if (BCryptCreateHash(provider(hmac), &hash, nullptr, 0, hmac ? secret : nullptr,
                         hmac ? static_cast<ULONG>(key.size()) : 0, 0) != 0)
        std::abort();
    return hash;
}

void addTo(BCRYPT_HASH_HANDLE hash, const void* bytes, size_t size)
{
    // BCryptHashData takes a ULONG at a time.
    const auto* at = static_cast<const UCHAR*>(bytes);
    while (size > 0) {
        const ULONG part = static_cast<ULONG>(size > 0x40000000 ? 0x40000000 : size);
        if (BCryptHashData(hash, const_cast<PUCHAR>(at), part, 0) != 0) std::abort();
        at += part;
        size -= part;
    }
}

Digest256 finishHash(BCRYPT_HASH_HANDLE hash)
{
    Digest256 digest{};
    if (BCryptFinishHash(hash, digest.data(), static_cast<ULONG>(digest.size()), 0) != 0) std::abort();
    BCryptDestroyHash(hash);
    return digest;
}

}  // namespace

struct Sha256::State {
    BCRYPT_HASH_HANDLE hash = nullptr;
};

Sha256::Sha256() : state_(std::make_unique<State>()) { state_->hash = newHash(false, {}); }

Sha256::~Sha256()
{
    if (state_->hash) BCryptDestroyHash(state_->hash);
}

void Sha256::add(const void* bytes, size_t size) { addTo(state_->hash, bytes, size); }

Digest256 Sha256::finish()
{
    const Digest256 digest = finishHash(state_->hash);
    state_->hash = newHash(false, {});
    return digest;
}

Digest256 hmacSha256(std::string_view key, std::string_view message)
{
    BCRYPT_HASH_HANDLE hash = newHash(true, key);
    addTo(hash, message.data(), message.size());
    return finishHash(hash);
}

std::string randomBytes(size_t size)
{
    std::string bytes(size, '\0');
    auto* at = reinterpret_cast<PUCHAR>(bytes.data());
    for (size_t done = 0; done < size;) {
        const ULONG part = static_cast<ULONG>(size - done > 0x40000000 ? 0x40000000 : size - done);
        if (BCryptGenRandom(nullptr, at + done, part, BCRYPT_USE_SYSTEM_PREFERRED_RNG) != 0) std::abort();
        done += part;
    }
    return bytes;
}

namespace {

constexpr NTSTATUS kTagMismatch = static_cast<NTSTATUS>(0xC000A002L);  // STATUS_AUTH_TAG_MISMATCH

BCRYPT_ALG_HANDLE aesGcmProvider()
{
    static BCRYPT_ALG_HANDLE gcm = [] {
        BCRYPT_ALG_HANDLE h = nullptr;
        if (BCryptOpenAlgorithmProvider(&h, BCRYPT_AES_ALGORITHM, nullptr, 0) != 0 ||
            BCryptSetProperty(h, BCRYPT_CHAINING_MODE,
                              reinterpret_cast<PUCHAR>(const_cast<wchar_t*>(BCRYPT_CHAIN_MODE_GCM)),
                              sizeof(BCRYPT_CHAIN_MODE_GCM), 0) != 0)
            std::abort();
        return h;
    }();
    return gcm;
}

PUCHAR bytesOf(std::string_view text)
{
    static UCHAR nothing = 0;
    return text.empty() ? &nothing : reinterpret_cast<PUCHAR>(const_cast<char*>(text.data()));
}

ULONG countOf(size_t size)
{
    if (size > 0xFFFFFFF0u) std::abort();  // far beyond any file of a gallery
    return static_cast<ULONG>(size);
}

class GcmKey {
public:
    explicit GcmKey(std::string_view key)
    {
        if (key.size() != kAesKeyBytes ||
            BCryptGenerateSymmetricKey(aesGcmProvider(), &key_, nullptr, 0, bytesOf(key), countOf(key.size()), 0) != 0)
            std::abort();
    }
    ~GcmKey() { BCryptDestroyKey(key_); }
    GcmKey(const GcmKey&) = delete;
    GcmKey& operator=(const GcmKey&) = delete;
    BCRYPT_KEY_HANDLE handle() const { return key_; }

private:
    BCRYPT_KEY_HANDLE key_ = nullptr;
};

BCRYPT_AUTHENTICATED_CIPHER_MODE_INFO modeInfo(std::string_view nonce, std::string_view associated, PUCHAR tag)
{
    if (nonce.size() != kGcmNonceBytes) std::abort();
    BCRYPT_AUTHENTICATED_CIPHER_MODE_INFO info;
    BCRYPT_INIT_AUTH_MODE_INFO(info);
    info.pbNonce = bytesOf(nonce);
    info.cbNonce = countOf(nonce.size());
    info.pbAuthData = associated.empty() ? nullptr : bytesOf(associated);
    info.cbAuthData = countOf(associated.size());
    info.pbTag = tag;
    info.cbTag = static_cast<ULONG>(kGcmTagBytes);
    return info;
}

}  // namespace

std::string aes256GcmSeal(std::string_view key, std::string_view nonce, std::string_view associated,
                          std::string_view plain)
{
    const GcmKey handle(key);
    std::string sealed(plain.size() + kGcmTagBytes, '\0');
    auto* out = reinterpret_cast<PUCHAR>(sealed.data());
    BCRYPT_AUTHENTICATED_CIPHER_MODE_INFO info = modeInfo(nonce, associated, out + plain.size());
    ULONG written = 0;
    UCHAR spare = 0;
    if (BCryptEncrypt(handle.handle(), bytesOf(plain), countOf(plain.size()), &info, nullptr, 0,
                      plain.empty() ? &spare : out, countOf(plain.size()), &written, 0) != 0 ||
        written != plain.size())
        std::abort();
    return sealed;
}

std::optional<std::string> aes256GcmOpen(std::string_view key, std::string_view nonce, std::string_view associated,
                                         std::string_view sealed)
{
    if (sealed.size() < kGcmTagBytes) return std::nullopt;
    const GcmKey handle(key);
    const std::string_view body = sealed.substr(0, sealed.size() - kGcmTagBytes);
    std::string tag(sealed.substr(body.size()));
    std::string plain(body.size(), '\0');
    BCRYPT_AUTHENTICATED_CIPHER_MODE_INFO info = modeInfo(nonce, associated, reinterpret_cast<PUCHAR>(tag.data()));
    ULONG written = 0;
    UCHAR spare = 0;
    const NTSTATUS status = BCryptDecrypt(handle.handle(), bytesOf(body), countOf(body.size()), &info, nullptr, 0,
                                          body.empty() ? &spare : reinterpret_cast<PUCHAR>(plain.data()),
                                          countOf(body.size()), &written, 0);
    if (status == kTagMismatch) return std::nullopt;
    if (status != 0 || written != body.size()) std::abort();
    return plain;
}

std::string pbkdf2Sha256(std::string_view password, std::string_view salt, uint32_t iterations, size_t length)
{
    std::string key(length, '\0');
    if (iterations == 0 || BCryptDeriveKeyPBKDF2(provider(true), bytesOf(password), countOf(password.size()),
                                                 bytesOf(salt), countOf(salt.size()), iterations,
                                                 reinterpret_cast<PUCHAR>(key.data()), countOf(length), 0) != 0)
        std::abort();
    return key;
}
