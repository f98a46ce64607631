#include <openssl/evp.h>
#include <openssl/hmac.h>

#include <cstdlib>

#include "base/crypto.h"

struct Sha256::State {
    EVP_MD_CTX* context = nullptr;
};

namespace {

void startSha256(EVP_MD_CTX* context)
{
    if (!context || EVP_DigestInit_ex(context, EVP_sha256(), nullptr) != 1) std::abort();
}

}  // namespace

Sha256::Sha256() : state_(std::make_unique<State>())
{
    state_->context = EVP_MD_CTX_new();
    startSha256(state_->context);
}

Sha256::~Sha256() { EVP_MD_CTX_free(state_->context); }

void Sha256::add(const void* bytes, size_t size)
{
    if (size > 0 && EVP_DigestUpdate(state_->context, bytes, size) != 1) std::abort();
}

Digest256 Sha256::finish()
{
    Digest256 digest{};
    unsigned int length = 0;
    if (EVP_DigestFinal_ex(state_->context, digest.data(), &length) != 1 || length != digest.size()) std::abort();
    startSha256(state_->context);
    return digest;
}

Digest256 hmacSha256(std::string_view key, std::string_view message)
{
    Digest256 digest{};
    unsigned int length = 0;
    static const unsigned char kNothing = 0;
    const auto* data = message.empty() ? &kNothing : reinterpret_cast<const unsigned char*>(message.data());
    const void* secret = key.empty() ? static_cast<const void*>(&kNothing) : key.data();
    if (!HMAC(EVP_sha256(), secret, static_cast<int>(key.size()), data, message.size(), digest.data(), &length) ||
        length != digest.size())
        std::abort();
    return digest;
}
