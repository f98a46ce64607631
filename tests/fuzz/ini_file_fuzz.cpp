// Any bytes as a settings file: parsing, looking up, setting and rewriting never crash, and a
// value that was accepted reads back exactly after the rewrite.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <tuple>

#include "gallery/ini_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    IniFile ini = IniFile::parse(bytes);

    // Names and a value taken from the input itself, so the fuzzer can aim at what is there.
    std::string_view tail = bytes.substr(size / 2);
    std::string section(tail.substr(0, tail.size() / 3));
    std::string key(tail.substr(tail.size() / 3, tail.size() / 3));
    std::string value(tail.substr(2 * (tail.size() / 3)));
    (void)ini.value(section, key);
    (void)ini.value("Last Modified Galleries", "Last 1");

    for (auto [s, k, v] : {std::tuple<std::string_view, std::string_view, std::string_view>{section, key, value},
                           {"Last Modified Galleries", "Last 1", value}}) {
        if (!ini.setValue(s, k, v)) continue;
        IniFile again = IniFile::parse(ini.text());
        if (again.value(s, k) != std::optional<std::string>(std::string(v))) __builtin_trap();
    }
    return 0;
}
