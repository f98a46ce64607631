#pragma once
// Sequential little-endian reading and writing over a FILE*, through one 4096-byte buffer,
// with the length-prefixed string forms of the .gal file:
//
//   length L < 255            one byte L
//   255 <= L < 65534          0xFF, then L as 16 bits
//   L >= 65534                0xFF, 0xFFFF, then L as 32 bits (0xFFFFFFFF: a 64-bit L follows)
//   wide form                 0xFF, 0xFFFE, then a length of the forms above counting UTF-16
//                             units, then the units, little-endian
//
// A narrow string's length counts bytes. Every read returns false once the data runs out or
// a length claims more than what remains of the file; nothing is allocated before that check.

#include <array>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>

inline constexpr size_t kStreamBufferSize = 4096;

// One string as the file holds it: narrow bytes, or UTF-16 units from the wide form.
struct StoredString {
    bool wide = false;
    std::string narrow;
    std::u16string units;
};

class BinaryReader {
public:
    // Takes over the buffering of `file`, which must not have been read yet. `size` is the
    // file's length in bytes.
    BinaryReader(std::FILE* file, uint64_t size);
    BinaryReader(const BinaryReader&) = delete;
    BinaryReader& operator=(const BinaryReader&) = delete;

    bool readInt32(int32_t& value);
    bool readString(StoredString& value);
    // Exactly `count` bytes, checked against what remains before anything is allocated.
    bool readRaw(std::string& bytes, uint64_t count);
    uint64_t remaining() const { return size_ - consumed_; }

private:
    bool readBytes(void* out, size_t count);
    bool readUnsigned(size_t bytes, uint64_t& value);
    bool readLength(bool markerAllowed, bool& wide, uint64_t& length);

    std::FILE* file_;
    uint64_t size_;
    uint64_t consumed_ = 0;  // bytes handed out so far
    std::array<unsigned char, kStreamBufferSize> buffer_{};
    size_t next_ = 0;  // next unread byte of buffer_
    size_t end_ = 0;   // bytes of buffer_ filled by the last read
};

class BinaryWriter {
public:
    // Takes over the buffering of `file`, which must not have been written yet.
    explicit BinaryWriter(std::FILE* file);
    // Appends to `memory` instead, for content that must be complete before a file is touched.
    explicit BinaryWriter(std::string& memory) : memory_(&memory) {}
    BinaryWriter(const BinaryWriter&) = delete;
    BinaryWriter& operator=(const BinaryWriter&) = delete;

    void writeInt32(int32_t value);
    void writeNarrowString(std::string_view bytes);
    void writeWideString(std::u16string_view units);
    void writeRaw(std::string_view bytes) { writeBytes(bytes.data(), bytes.size()); }
    // Empties the buffer into the file; true when every byte so far reached it.
    bool flush();
    bool failed() const { return failed_; }

private:
    void writeBytes(const void* data, size_t count);
    void writeUnsigned(uint64_t value, size_t bytes);
    void writeLength(uint64_t length);

    std::FILE* file_ = nullptr;
    std::string* memory_ = nullptr;
    std::array<unsigned char, kStreamBufferSize> buffer_{};
    size_t used_ = 0;
    bool failed_ = false;
};

// Length of an open regular file; nothing for folders, devices and pipes.
std::optional<uint64_t> regularFileSize(std::FILE* file);
