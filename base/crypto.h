#pragma once
// The one seam to the system's cryptography: OpenSSL's libcrypto on Linux (crypto_posix.cpp),
// CNG (BCrypt) on Windows (crypto_win.cpp), so the Windows programs import only system DLLs and
// no algorithm is written by hand. SHA-256 and HMAC-SHA256 (signing requests to object storage);
// AES-256-GCM, PBKDF2-HMAC-SHA256, HKDF-SHA256 and random bytes (private albums). HKDF is two
// HMAC steps (crypto.cpp), the same on both systems.
//
// USAGE
//   Sha256 hash;                          // a file hashed as it is read
//   hash.add(buffer, n); ...
//   const Digest256 digest = hash.finish();
//   hexDigest(digest)                     // "e3b0c442..." (lower case)
//   hmacSha256(key, message)              // one step; key and message are any bytes
//   const std::string nonce = randomBytes(kGcmNonceBytes);
//   std::string sealed = aes256GcmSeal(key, nonce, associated, plain);  // cipher text + tag
//   std::optional<std::string> plain = aes256GcmOpen(key, nonce, associated, sealed);
//   pbkdf2Sha256(password, salt, 600000, 32)
//
// Byte strings are std::string. The functions never fail on a working system; a back end that
// cannot be opened at all (a broken installation) ends the program rather than hand out a wrong
// digest, a weak key or an unencrypted text. Only aes256GcmOpen answers "no" to its input.

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

using Digest256 = std::array<uint8_t, 32>;

class Sha256 {
public:
    Sha256();
    ~Sha256();
    Sha256(const Sha256&) = delete;
    Sha256& operator=(const Sha256&) = delete;

    void add(const void* bytes, size_t size);
    void add(std::string_view bytes) { add(bytes.data(), bytes.size()); }
    // The digest of everything added; the object then starts again, empty.
    Digest256 finish();

private:
    struct State;
    std::unique_ptr<State> state_;
};

Digest256 sha256(std::string_view bytes);
Digest256 hmacSha256(std::string_view key, std::string_view message);

// The digest as 64 lower-case hexadecimal digits.
std::string hexDigest(const Digest256& digest);
// The digest's bytes as a string (an HMAC key for the next step of a chain).
inline std::string digestBytes(const Digest256& digest) { return std::string(digest.begin(), digest.end()); }

// ---- Authenticated encryption and keys ------------------------------------------------------

inline constexpr size_t kAesKeyBytes = 32;    // AES-256
inline constexpr size_t kGcmNonceBytes = 12;  // 96 bits, as GCM is meant to be used
inline constexpr size_t kGcmTagBytes = 16;    // the full 128-bit tag

// `size` bytes from the system's random source (getrandom through libcrypto, the system's
// preferred generator on Windows).
std::string randomBytes(size_t size);

// AES-256-GCM of `plain` under a 32-byte key and a 12-byte nonce, binding `associated` (which is
// not encrypted): the cipher text followed by the 16-byte tag, the layout WebCrypto reads. A key
// or nonce of another length ends the program: that is a fault of ours, never of the input.
std::string aes256GcmSeal(std::string_view key, std::string_view nonce, std::string_view associated,
                          std::string_view plain);
// The plain text of what aes256GcmSeal made with the same key, nonce and associated data;
// nothing when anything differs (a wrong key, a changed byte, other associated data, too short).
std::optional<std::string> aes256GcmOpen(std::string_view key, std::string_view nonce, std::string_view associated,
                                         std::string_view sealed);

// PBKDF2 with HMAC-SHA256 (RFC 8018): `length` bytes derived from a password and a salt.
std::string pbkdf2Sha256(std::string_view password, std::string_view salt, uint32_t iterations, size_t length);

// HKDF with SHA-256 (RFC 5869): `length` bytes (at most 8160) of the key, extracted with the salt
// (none: 32 zero bytes) and expanded for `info`.
std::string hkdfSha256(std::string_view key, std::string_view salt, std::string_view info, size_t length);
