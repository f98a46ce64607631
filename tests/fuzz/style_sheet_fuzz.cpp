// Any bytes as the visual style's style sheet: tokenizing, looking up every selector the theme
// reads (and some named by the input itself) and reading the values never reads outside the
// buffer, and every token lies inside it.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "taskpane/style_sheet.h"
#include "taskpane/style_values.h"

namespace {

using namespace sidefold;

class Strings : public StringSource {
public:
    bool load(int32_t id, std::string& text) const override
    {
        if (id % 3 == 0) return false;
        text = id % 2 ? "-12" : "Tahoma";
        return true;
    }
};

void probe(const StyleSheet& sheet, std::string_view block, std::string_view element,
           std::initializer_list<Qualifier> qualifiers, std::string_view property)
{
    if (const auto at = sheet.find(block, element, qualifiers, property)) {
        if (*at >= sheet.tokens().size()) __builtin_trap();
        const Value v = readValue(sheet, *at, Strings());
        if (v.kind == ValueKind::String && v.text.size() > 260) __builtin_trap();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    StyleSheet sheet;
    if (!sheet.parse(data, size)) return 0;
    for (const Token& t : sheet.tokens())
        if (t.offset > size || t.length > size - t.offset || t.length == 0) __builtin_trap();

    const Qualifier title{"title", true}, focused{"mousefocused", false}, selected{"selected", false};
    for (std::string_view block : {"sectiontaskss", "mainsectiontaskss", "taskpane", "sectionss", "mainsectionss"}) {
        probe(sheet, block, "button", {}, "foreground");
        probe(sheet, block, "button", {{"header", true}}, "background");
        probe(sheet, block, "element", {title}, "padding");
        probe(sheet, block, "element", {title, focused}, "foreground");
        probe(sheet, block, "element", {{"sectionlist", true}}, "background");
        probe(sheet, block, "element", {{"arrow", true}, selected, focused}, "content");
        probe(sheet, block, "expando", {}, "fontsize");
        probe(sheet, block, "expando", {}, "fontface");
        probe(sheet, block, "tasklist", {{"tasklist", true}}, "borderthickness");
    }
    // Names taken from the input, so the fuzzer can aim at what is there.
    if (sheet.tokens().size() >= 3) {
        const auto& t = sheet.tokens();
        probe(sheet, sheet.text(t[0]), sheet.text(t[1]), {{sheet.text(t[2]), (size & 1) != 0}},
              sheet.text(t[t.size() - 1]));
    }
    // Every token as the start of a value.
    for (size_t i = 0; i < sheet.tokens().size(); ++i) (void)readValue(sheet, i, Strings());
    return 0;
}
