#pragma once
// A fast 64-bit hash of a file's bytes: the content part of a source picture's fingerprint, so a
// rebuild can tell a picture that was only touched from one that was changed. Not cryptographic.

#include <cstddef>
#include <cstdint>

uint64_t contentHash(const void* data, size_t size);

// The same hash fed piece by piece: a file hashed as it is read, never held whole.
class ContentHasher {
public:
    void add(const void* data, size_t size);
    uint64_t finish() const;

private:
    uint64_t lanes_[4] = {0x9E3779B185EBCA87ull + 0xC2B2AE3D27D4EB4Full, 0xC2B2AE3D27D4EB4Full, 0,
                          0 - 0x9E3779B185EBCA87ull};
    unsigned char pending_[32] = {};
    size_t pendingSize_ = 0;
    uint64_t total_ = 0;
};
