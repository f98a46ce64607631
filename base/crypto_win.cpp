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
