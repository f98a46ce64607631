#include <openssl/evp.h>
#include <openssl/hmac.h>
#include <openssl/rand.h>

#include <algorithm>
#include <climits>
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

std::string randomBytes(size_t size)
{
    std::string bytes(size, '\0');
    auto* at = reinterpret_cast<unsigned char*>(bytes.data());
    for (size_t done = 0; done < size;) {
        const int part = static_cast<int>(std::min<size_t>(size - done, INT_MAX));
        if (RAND_bytes(at + done, part) != 1) std::abort();
        done += static_cast<size_t>(part);
    }
    return bytes;
}

namespace {

struct CipherContext {
    EVP_CIPHER_CTX* context = EVP_CIPHER_CTX_new();
    ~CipherContext() { EVP_CIPHER_CTX_free(context); }
};

const unsigned char* bytesOf(std::string_view text)
{
    static const unsigned char kNothing = 0;
    return text.empty() ? &kNothing : reinterpret_cast<const unsigned char*>(text.data());
}

// Feeds `in` through the cipher in pieces an int can count, the output (as long) into `out`.
bool update(EVP_CIPHER_CTX* context, std::string_view in, unsigned char* out)
{
    for (size_t done = 0; done < in.size();) {
        const int part = static_cast<int>(std::min<size_t>(in.size() - done, INT_MAX / 2));
        int written = 0;
        if (EVP_CipherUpdate(context, out ? out + done : nullptr, &written, bytesOf(in) + done, part) != 1)
            return false;
        done += static_cast<size_t>(part);
    }
    return true;
}

void startGcm(EVP_CIPHER_CTX* context, std::string_view key, std::string_view nonce, bool encrypt)
{
    if (key.size() != kAesKeyBytes || nonce.size() != kGcmNonceBytes || !context ||
        EVP_CipherInit_ex(context, EVP_aes_256_gcm(), nullptr, nullptr, nullptr, encrypt ? 1 : 0) != 1 ||
        EVP_CIPHER_CTX_ctrl(context, EVP_CTRL_GCM_SET_IVLEN, static_cast<int>(kGcmNonceBytes), nullptr) != 1 ||
        EVP_CipherInit_ex(context, nullptr, nullptr, bytesOf(key), bytesOf(nonce), -1) != 1)
        std::abort();
}

}  // namespace

std::string aes256GcmSeal(std::string_view key, std::string_view nonce, std::string_view associated,
                          std::string_view plain)
{
    CipherContext cipher;
    startGcm(cipher.context, key, nonce, true);
    std::string sealed(plain.size() + kGcmTagBytes, '\0');
    auto* out = reinterpret_cast<unsigned char*>(sealed.data());
    int last = 0;
    if (!update(cipher.context, associated, nullptr) || !update(cipher.context, plain, out) ||
        EVP_CipherFinal_ex(cipher.context, out + plain.size(), &last) != 1 || last != 0 ||
        EVP_CIPHER_CTX_ctrl(cipher.context, EVP_CTRL_GCM_GET_TAG, static_cast<int>(kGcmTagBytes), out + plain.size()) !=
            1)
        std::abort();
    return sealed;
}

std::optional<std::string> aes256GcmOpen(std::string_view key, std::string_view nonce, std::string_view associated,
                                         std::string_view sealed)
{
    if (sealed.size() < kGcmTagBytes) return std::nullopt;
    CipherContext cipher;
    startGcm(cipher.context, key, nonce, false);
    const std::string_view body = sealed.substr(0, sealed.size() - kGcmTagBytes);
    std::string tag(sealed.substr(body.size()));
    std::string plain(body.size(), '\0');
    auto* out = reinterpret_cast<unsigned char*>(plain.data());
    if (!update(cipher.context, associated, nullptr) || !update(cipher.context, body, out) ||
        EVP_CIPHER_CTX_ctrl(cipher.context, EVP_CTRL_GCM_SET_TAG, static_cast<int>(kGcmTagBytes), tag.data()) != 1)
        std::abort();
    int last = 0;
    if (EVP_CipherFinal_ex(cipher.context, out + body.size(), &last) != 1) return std::nullopt;
    return plain;
}

std::string pbkdf2Sha256(std::string_view password, std::string_view salt, uint32_t iterations, size_t length)
{
    std::string key(length, '\0');
    if (password.size() > INT_MAX || salt.size() > INT_MAX || length > INT_MAX || iterations == 0 ||
        iterations > INT_MAX ||
        PKCS5_PBKDF2_HMAC(password.empty() ? "" : password.data(), static_cast<int>(password.size()), bytesOf(salt),
                          static_cast<int>(salt.size()), static_cast<int>(iterations), EVP_sha256(),
                          static_cast<int>(length), reinterpret_cast<unsigned char*>(key.data())) != 1)
        std::abort();
    return key;
}
