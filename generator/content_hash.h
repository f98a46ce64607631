#pragma once
// A fast 64-bit hash of a file's bytes: the content part of a source picture's fingerprint, so a
// rebuild can tell a picture that was only touched from one that was changed. Not cryptographic.

#include <cstddef>
#include <cstdint>

uint64_t contentHash(const void* data, size_t size);
