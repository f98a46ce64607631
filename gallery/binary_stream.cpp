#include "gallery/binary_stream.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstring>
#include <limits>

namespace {

constexpr uint8_t kLongLength = 0xFF;
constexpr uint16_t kWideMarker = 0xFFFE;
constexpr uint16_t kLength32 = 0xFFFF;
constexpr uint32_t kLength64 = 0xFFFFFFFF;

}  // namespace

// --- Reading ---------------------------------------------------------------------------------

BinaryReader::BinaryReader(std::FILE* file, uint64_t size) : file_(file), size_(size)
{
    std::setvbuf(file_, nullptr, _IONBF, 0);  // buffer_ is the one buffer
}

bool BinaryReader::readBytes(void* out, size_t count)
{
    if (count > remaining()) return false;
    auto* to = static_cast<unsigned char*>(out);
    while (count > 0) {
        if (next_ == end_) {
            next_ = 0;
            end_ = std::fread(buffer_.data(), 1, buffer_.size(), file_);
            if (end_ == 0) return false;  // the file is shorter than it said, or unreadable
        }
        size_t take = std::min(count, end_ - next_);
        std::memcpy(to, buffer_.data() + next_, take);
        next_ += take;
        to += take;
        count -= take;
        consumed_ += take;
    }
    return true;
}

bool BinaryReader::readUnsigned(size_t bytes, uint64_t& value)
{
    unsigned char raw[8];
    if (!readBytes(raw, bytes)) return false;
    value = 0;
    for (size_t i = bytes; i-- > 0;) value = (value << 8) | raw[i];
    return true;
}

bool BinaryReader::readInt32(int32_t& value)
{
    uint64_t raw;
    if (!readUnsigned(4, raw)) return false;
    value = static_cast<int32_t>(static_cast<uint32_t>(raw));
    return true;
}

bool BinaryReader::readLength(bool markerAllowed, bool& wide, uint64_t& length)
{
    if (!readUnsigned(1, length)) return false;
    if (length < kLongLength) return true;
    if (!readUnsigned(2, length)) return false;
    if (length == kWideMarker) {
        // Only one marker: inside the wide form's own length 0xFFFE is no valid length.
        if (!markerAllowed) return false;
        wide = true;
        return readLength(false, wide, length);
    }
    if (length < kLength32) return true;
    if (!readUnsigned(4, length)) return false;
    if (length < kLength64) return true;
    return readUnsigned(8, length);
}

bool BinaryReader::readString(StoredString& value)
{
    value = StoredString{};
    uint64_t length = 0;
    if (!readLength(true, value.wide, length)) return false;
    // Checked before anything is allocated; the second test matters where size_t is 32 bits.
    constexpr uint64_t kMaxBlock = std::numeric_limits<size_t>::max() / 2;
    if (value.wide) {
        if (length > remaining() / 2 || length > kMaxBlock) return false;
        std::string raw(static_cast<size_t>(length) * 2, '\0');
        if (!readBytes(raw.data(), raw.size())) return false;
        value.units.resize(static_cast<size_t>(length));
        for (size_t i = 0; i < value.units.size(); ++i) {
            auto low = static_cast<unsigned char>(raw[2 * i]);
            auto high = static_cast<unsigned char>(raw[2 * i + 1]);
            value.units[i] = static_cast<char16_t>(low | (high << 8));
        }
        return true;
    }
    if (length > remaining() || length > kMaxBlock) return false;
    value.narrow.resize(static_cast<size_t>(length));
    return readBytes(value.narrow.data(), value.narrow.size());
}

bool BinaryReader::readRaw(std::string& bytes, uint64_t count)
{
    if (count > remaining() || count > std::numeric_limits<size_t>::max() / 2) return false;
    bytes.resize(static_cast<size_t>(count));
    return readBytes(bytes.data(), bytes.size());
}

// --- Writing ---------------------------------------------------------------------------------

BinaryWriter::BinaryWriter(std::FILE* file) : file_(file)
{
    std::setvbuf(file_, nullptr, _IONBF, 0);  // buffer_ is the one buffer
}

void BinaryWriter::writeBytes(const void* data, size_t count)
{
    const auto* from = static_cast<const unsigned char*>(data);
    while (count > 0 && !failed_) {
        if (used_ == buffer_.size() && !flush()) return;
        size_t take = std::min(count, buffer_.size() - used_);
        std::memcpy(buffer_.data() + used_, from, take);
        used_ += take;
        from += take;
        count -= take;
    }
}

bool BinaryWriter::flush()
{
    if (failed_) return false;
    if (used_ > 0 && memory_) memory_->append(reinterpret_cast<const char*>(buffer_.data()), used_);
    if (used_ > 0 && file_ && std::fwrite(buffer_.data(), 1, used_, file_) != used_) failed_ = true;
    used_ = 0;
    return !failed_;
}

void BinaryWriter::writeUnsigned(uint64_t value, size_t bytes)
{
    unsigned char raw[8];
    for (size_t i = 0; i < bytes; ++i) raw[i] = static_cast<unsigned char>(value >> (8 * i));
    writeBytes(raw, bytes);
}

void BinaryWriter::writeInt32(int32_t value) { writeUnsigned(static_cast<uint32_t>(value), 4); }

void BinaryWriter::writeLength(uint64_t length)
{
    if (length < kLongLength) {
        writeUnsigned(length, 1);
        return;
    }
    writeUnsigned(kLongLength, 1);
    if (length < kWideMarker) {
        writeUnsigned(length, 2);
        return;
    }
    writeUnsigned(kLength32, 2);
    if (length < kLength64) {
        writeUnsigned(length, 4);
        return;
    }
    writeUnsigned(kLength64, 4);
    writeUnsigned(length, 8);
}

void BinaryWriter::writeNarrowString(std::string_view bytes)
{
    writeLength(bytes.size());
    writeBytes(bytes.data(), bytes.size());
}

void BinaryWriter::writeWideString(std::u16string_view units)
{
    writeUnsigned(kLongLength, 1);
    writeUnsigned(kWideMarker, 2);
    writeLength(units.size());
    for (char16_t unit : units) writeUnsigned(unit, 2);
}

// --- The open file ---------------------------------------------------------------------------

std::optional<uint64_t> regularFileSize(std::FILE* file)
{
#ifdef _WIN32
    struct _stati64 st {};
    if (_fstati64(_fileno(file), &st) != 0 || (st.st_mode & _S_IFMT) != _S_IFREG) return std::nullopt;
#else
    struct stat st {};
    if (::fstat(::fileno(file), &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
#endif
    if (st.st_size < 0) return std::nullopt;
    return static_cast<uint64_t>(st.st_size);
}
