#pragma once
// The one seam to the system's cryptography: OpenSSL's libcrypto on Linux (crypto_posix.cpp),
// CNG (BCrypt) on Windows (crypto_win.cpp), so the Windows programs import only system DLLs and
// no algorithm is written by hand. Today: SHA-256 and HMAC-SHA256 (signing requests to object
// storage); authenticated encryption and key derivation belong here too when they are needed.
//
// USAGE
//   Sha256 hash;                          // a file hashed as it is read
//   hash.add(buffer, n); ...
//   const Digest256 digest = hash.finish();
//   hexDigest(digest)                     // "e3b0c442..." (lower case)
//   hmacSha256(key, message)              // one step; key and message are any bytes
//
// The functions never fail on a working system; a back end that cannot be opened at all (a broken
// installation) ends the program rather than hand out a wrong digest.

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
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
