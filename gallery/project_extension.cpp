#include "gallery/project_extension.h"

#include <algorithm>
#include <charconv>
#include <limits>
#include <unordered_map>

#include "gallery/gallery_settings.h"
#include "picture/picture_read_cursor.h"

namespace {

void appendUint(std::string& out, uint64_t value, size_t bytes)
{
    for (size_t i = 0; i < bytes; ++i) out += static_cast<char>((value >> (8 * i)) & 0xFF);
}

std::optional<int32_t> parseInt32(std::string_view text)
{
    int32_t value = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return value;
}

std::string valueOf(const GallerySettings& settings, const SettingInfo& s)
{
    return s.kind == SettingKind::Text ? settings.*s.text : std::to_string(s.numberIn(settings));
}

const SettingInfo* extensionSetting(std::string_view key)
{
    for (const SettingInfo& s : extensionSettings())
        if (s.name == key) return &s;
    return nullptr;
}

}  // namespace

std::optional<std::vector<ExtensionRecord>> parseExtensionRecords(std::string_view payload)
{
    ReadCursor in(reinterpret_cast<const uint8_t*>(payload.data()), payload.size());
    std::vector<ExtensionRecord> records;
    while (in.ok() && in.remaining() > 0) {
        const size_t keyLength = in.u8();
        const uint8_t* key = in.take(keyLength);
        if (keyLength == 0 || !key) return std::nullopt;
        const uint32_t valueLength = in.u32le();
        if (!in.ok() || valueLength > in.remaining()) return std::nullopt;  // checked before the copy
        const uint8_t* value = in.take(valueLength);
        records.push_back({std::string(reinterpret_cast<const char*>(key), keyLength),
                           std::string(reinterpret_cast<const char*>(value), valueLength)});
    }
    if (!in.ok()) return std::nullopt;
    return records;
}

std::string encodeExtensionBlock(const std::vector<ExtensionRecord>& records)
{
    std::string payload;
    for (const ExtensionRecord& r : records) {
        // Keys are this program's names and values its settings: nothing near these limits.
        const size_t keyLength = std::min<size_t>(r.key.size(), 255);
        const size_t valueLength = std::min<size_t>(r.value.size(), std::numeric_limits<uint32_t>::max());
        appendUint(payload, keyLength, 1);
        payload.append(r.key, 0, keyLength);
        appendUint(payload, valueLength, 4);
        payload.append(r.value, 0, valueLength);
    }
    std::string block(kExtensionMagic, sizeof kExtensionMagic);
    appendUint(block, kExtensionVersion, 4);
    appendUint(block, payload.size(), 4);
    return block + payload;
}

std::vector<ExtensionRecord> extensionRecordsOf(const GallerySettings& settings)
{
    static const GallerySettings defaults;
    std::vector<ExtensionRecord> records;
    for (const SettingInfo& s : extensionSettings()) {
        std::string value = valueOf(settings, s);
        if (value != valueOf(defaults, s)) records.push_back({std::string(s.name), std::move(value)});
    }
    records.insert(records.end(), settings.keptExtensions.records.begin(), settings.keptExtensions.records.end());
    return records;
}

void applyExtensionRecords(GallerySettings& settings, std::vector<ExtensionRecord> records)
{
    std::vector<ExtensionRecord>& kept = settings.keptExtensions.records;
    std::unordered_map<std::string, size_t> keptAt;  // a hostile block may repeat keys many times
    for (size_t i = 0; i < kept.size(); ++i) keptAt.emplace(kept[i].key, i);
    for (ExtensionRecord& r : records) {
        if (const SettingInfo* s = extensionSetting(r.key)) {
            if (s->kind == SettingKind::Text)
                settings.*s->text = std::move(r.value);
            else if (std::optional<int32_t> number = parseInt32(r.value))
                s->setNumber(settings, *number);
            continue;
        }
        auto [at, added] = keptAt.emplace(r.key, kept.size());
        if (added)
            kept.push_back(std::move(r));
        else
            kept[at->second].value = std::move(r.value);
    }
}
