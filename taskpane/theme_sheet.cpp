#include "taskpane/theme_sheet.h"

#include <algorithm>
#include <cstdlib>
#include <optional>
#include <string>

#include "taskpane/style_sheet.h"
#include "taskpane/style_values.h"
#include "taskpane/theme_bitmaps.h"

namespace sidefold {

namespace {

class ModuleStrings : public StringSource {
public:
    explicit ModuleStrings(HMODULE module) : module_(module) {}
    bool load(int32_t id, std::string& text) const override
    {
        if (id < 0 || id > 0xFFFF) return false;
        char buffer[261] = {};
        const int n = LoadStringA(module_, static_cast<UINT>(id), buffer, sizeof(buffer));
        if (n <= 0) return false;
        text.assign(buffer, static_cast<size_t>(std::min(n, 260)));
        return true;
    }

private:
    HMODULE module_;
};

int CALLBACK noteFont(const LOGFONTA*, const TEXTMETRICA*, DWORD, LPARAM found)
{
    *reinterpret_cast<bool*>(found) = true;
    return 0;
}

bool fontInstalled(const char* face)
{
    HDC dc = GetDC(nullptr);
    if (!dc) return false;
    LOGFONTA lf{};
    lf.lfCharSet = DEFAULT_CHARSET;
    lstrcpynA(lf.lfFaceName, face, LF_FACESIZE);
    bool found = false;
    EnumFontFamiliesExA(dc, &lf, &noteFont, reinterpret_cast<LPARAM>(&found), 0);
    ReleaseDC(nullptr, dc);
    return found;
}

int pointsToHeight(int points)
{
    HDC dc = GetDC(nullptr);
    const int dpi = dc ? GetDeviceCaps(dc, LOGPIXELSY) : 96;
    if (dc) ReleaseDC(nullptr, dc);
    return -std::abs(MulDiv(points, dpi, 72));
}

RECT rectOf(const Value& v) { return RECT{v.rect[0], v.rect[1], v.rect[2], v.rect[3]}; }

// The lookups of one style block, with the bookkeeping of what was made and what is missing.
class SheetReader {
public:
    SheetReader(const StyleSheet& sheet, HMODULE file) : sheet_(sheet), file_(file), strings_(file) {}
    ~SheetReader()
    {
        if (!kept_)
            for (HBITMAP b : made_) DeleteObject(b);
    }
    SheetReader(const SheetReader&) = delete;
    SheetReader& operator=(const SheetReader&) = delete;

    bool failed() const { return failed_; }
    void fail() { failed_ = true; }
    void keep() { kept_ = true; }

    std::optional<Value> get(std::string_view block, std::string_view element,
                             std::initializer_list<Qualifier> qualifiers, std::string_view property) const
    {
        const std::optional<size_t> at = sheet_.find(block, element, qualifiers, property);
        if (!at) return std::nullopt;
        Value v = readValue(sheet_, *at, strings_);
        if (v.kind == ValueKind::Invalid) return std::nullopt;
        return v;
    }

    // A colour; a required one that is missing fails the whole sheet.
    void colour(COLORREF& out, bool required, std::string_view block, std::string_view element,
                std::initializer_list<Qualifier> qualifiers, std::string_view property)
    {
        const std::optional<Value> v = get(block, element, qualifiers, property);
        if (v && v->isColour())
            out = v->colour;
        else if (required)
            failed_ = true;
    }

    void rect(RECT& out, RECT otherwise, std::string_view block, std::string_view element,
              std::initializer_list<Qualifier> qualifiers, std::string_view property) const
    {
        const std::optional<Value> v = get(block, element, qualifiers, property);
        out = v && v->kind == ValueKind::Rect ? rectOf(*v) : otherwise;
    }

    void alignment(int& out, std::string_view block, std::string_view element,
                   std::initializer_list<Qualifier> qualifiers)
    {
        const std::optional<Value> v = get(block, element, qualifiers, "contentalign");
        if (v && v->kind == ValueKind::Alignment) out = v->integer;
    }

    void weight(int& out, std::string_view block, std::string_view element, std::initializer_list<Qualifier> q)
    {
        const std::optional<Value> v = get(block, element, q, "fontweight");
        out = v && v->kind == ValueKind::Integer ? v->integer : 700;
    }

    void bitmap(HBITMAP& out, int* width, int* height, std::string_view block, std::string_view element,
                std::initializer_list<Qualifier> qualifiers, std::string_view property)
    {
        const std::optional<Value> v = get(block, element, qualifiers, property);
        if (!v || v->kind != ValueKind::Bitmap) return;
        const SizedBitmap b = loadStyleBitmap(file_, v->bitmap);
        if (!b.bitmap) return;
        made_.push_back(b.bitmap);
        out = b.bitmap;
        if (width) *width = b.width;
        if (height) *height = b.height;
    }

    void font(char (&face)[260], int& height, std::string_view block)
    {
        const std::optional<Value> f = get(block, "expando", {}, "fontface");
        if (f && f->kind == ValueKind::String)
            lstrcpynA(face, f->text.c_str(), sizeof(face));
        else
            lstrcpynA(face, fontInstalled("Tahoma") ? "Tahoma" : "Arial", sizeof(face));
        const std::optional<Value> s = get(block, "expando", {}, "fontsize");
        if (s && (s->kind == ValueKind::Integer || s->kind == ValueKind::Pixels))
            height = s->integer;
        else if (s && s->kind == ValueKind::Points)
            height = pointsToHeight(s->integer);
        else
            height = pointsToHeight(8);
    }

    // Expanded normal, hot, (no pressed), collapsed normal, hot, (no pressed).
    void arrows(HBITMAP (&slots)[6], int& width, int& height, std::string_view block)
    {
        const Qualifier arrow{"arrow", true}, selected{"selected", false}, focused{"mousefocused", false};
        bitmap(slots[0], nullptr, nullptr, block, "element", {arrow, selected}, "content");
        bitmap(slots[1], nullptr, nullptr, block, "element", {arrow, selected, focused}, "content");
        bitmap(slots[3], nullptr, nullptr, block, "element", {arrow}, "content");
        bitmap(slots[4], nullptr, nullptr, block, "element", {arrow, focused}, "content");
        for (HBITMAP b : slots) {
            BITMAP info;
            if (b && GetObjectA(b, sizeof(info), &info)) {
                width = info.bmWidth;
                height = info.bmHeight;
                break;
            }
        }
    }

private:
    const StyleSheet& sheet_;
    HMODULE file_;
    ModuleStrings strings_;
    std::vector<HBITMAP> made_;
    bool failed_ = false;
    bool kept_ = false;
};

const Qualifier kTitle{"title", true};
const Qualifier kFocused{"mousefocused", false};
const Qualifier kHeader{"header", true};
const Qualifier kTaskList{"tasklist", true};

bool readTasks(SheetReader& r, SidefoldTheme& t)
{
    r.rect(t.linkTitlePadding, {}, "sectiontaskss", "element", {kTitle}, "padding");
    r.rect(t.actionTaskMargin, {}, "sectiontaskss", "actiontask", {}, "margin");
    r.rect(t.destinationTaskMargin, {}, "sectiontaskss", "destinationtask", {}, "margin");
    r.colour(t.linkColour, true, "sectiontaskss", "button", {}, "foreground");
    r.colour(t.linkColour, false, "sectiontaskss", "element", {kTitle}, "foreground");
    r.colour(t.linkHoverColour, true, "sectiontaskss", "element", {kTitle, kFocused}, "foreground");
    if (r.failed()) return false;

    r.rect(t.mainLinkTitlePadding, {}, "mainsectiontaskss", "element", {kTitle}, "padding");
    r.rect(t.mainActionTaskMargin, {}, "mainsectiontaskss", "actiontask", {}, "margin");
    r.rect(t.mainDestinationTaskMargin, {}, "mainsectiontaskss", "destinationtask", {}, "margin");
    r.colour(t.mainLinkColour, true, "mainsectiontaskss", "button", {}, "foreground");
    r.colour(t.mainLinkColour, false, "mainsectiontaskss", "element", {kTitle}, "foreground");
    r.colour(t.mainLinkHoverColour, true, "mainsectiontaskss", "element", {kTitle, kFocused}, "foreground");
    return !r.failed();
}

bool readPane(SheetReader& r, SidefoldTheme& t)
{
    const Qualifier list{"sectionlist", true};
    const std::optional<Value> bg = r.get("taskpane", "element", {list}, "background");
    if (bg && bg->isColour()) {
        t.paneBackground = bg->colour;
    } else if (bg && bg->kind == ValueKind::Gradient) {
        t.paneBackground = bg->colour;
        t.paneBackground2 = bg->colour2;
        t.paneGradientExponent = std::max(bg->integer, 0);
    } else {
        r.fail();
        return false;
    }
    r.rect(t.panePadding, {12, 12, 12, 12}, "taskpane", "element", {list}, "padding");
    r.rect(t.paneBorderThickness, {}, "taskpane", "element", {list}, "borderthickness");
    r.colour(t.paneBorderColour, false, "taskpane", "element", {list}, "bordercolor");
    return true;
}

bool readSections(SheetReader& r, SidefoldTheme& t)
{
    const char* s = "sectionss";
    r.font(t.headerFontFace, t.headerFontHeight, s);
    const std::optional<Value> margin = r.get(s, "expando", {}, "margin");
    t.groupMargin = margin && margin->kind == ValueKind::Rect
                        ? std::max({margin->rect[0], margin->rect[1], margin->rect[2], margin->rect[3]})
                        : 15;
    r.bitmap(t.headerBackground, &t.headerBackgroundWidth, &t.headerBackgroundHeight, s, "button", {}, "background");
    r.colour(t.headerText, true, s, "button", {}, "foreground");
    if (r.failed()) return false;
    t.headerHoverText = t.headerText;
    r.colour(t.headerHoverText, false, s, "element", {kTitle, kFocused}, "foreground");
    r.alignment(t.headerAlignment, s, "element", {kTitle});
    r.weight(t.headerFontWeight, s, "button", {});
    r.rect(t.headerPadding, {}, s, "button", {}, "padding");
    r.rect(t.headerBorderThickness, {}, s, "button", {}, "borderthickness");
    r.colour(t.headerBorderColour, false, s, "button", {}, "bordercolor");
    r.arrows(t.arrowGlyphs, t.arrowWidth, t.arrowHeight, s);
    r.colour(t.taskListBackground, true, s, "tasklist", {kTaskList}, "background");
    if (r.failed()) return false;
    r.rect(t.taskListBorderThickness, {1, 0, 1, 1}, s, "tasklist", {kTaskList}, "borderthickness");
    t.taskListBorderColour = 0xFFFFFF;
    r.colour(t.taskListBorderColour, false, s, "tasklist", {kTaskList}, "bordercolor");
    r.rect(t.taskListPadding, {12, 10, 12, 10}, s, "tasklist", {kTaskList}, "padding");
    return true;
}

bool readMainSection(SheetReader& r, SidefoldTheme& t)
{
    const char* s = "mainsectionss";
    r.font(t.mainHeaderFontFace, t.mainHeaderFontHeight, s);
    t.mainGroupMargin = t.groupMargin;
    r.bitmap(t.mainHeaderBackground, &t.mainHeaderBackgroundWidth, &t.mainHeaderBackgroundHeight, s, "button",
             {kHeader}, "background");
    r.colour(t.mainHeaderText, true, s, "button", {kHeader}, "foreground");
    if (r.failed()) return false;
    t.mainHeaderHoverText = t.mainHeaderText;
    r.colour(t.mainHeaderHoverText, false, s, "element", {kTitle, kFocused}, "foreground");
    r.alignment(t.mainHeaderAlignment, s, "element", {kTitle});
    r.weight(t.mainHeaderFontWeight, s, "button", {kHeader});
    r.rect(t.mainHeaderPadding, {}, s, "button", {kHeader}, "padding");
    r.rect(t.mainHeaderBorderThickness, {}, s, "button", {kHeader}, "borderthickness");
    r.colour(t.mainHeaderBorderColour, false, s, "button", {}, "bordercolor");
    r.arrows(t.mainArrowGlyphs, t.mainArrowWidth, t.mainArrowHeight, s);
    const Qualifier watermark{"watermark", true};
    r.colour(t.mainTaskListBackground, true, s, "element", {watermark}, "background");
    if (r.failed()) return false;
    r.alignment(t.mainWatermarkAlignment, s, "element", {watermark});
    r.rect(t.mainTaskListBorderThickness, {1, 0, 1, 1}, s, "tasklist", {kTaskList}, "borderthickness");
    t.mainTaskListBorderColour = 0xFFFFFF;
    r.colour(t.mainTaskListBorderColour, false, s, "tasklist", {kTaskList}, "bordercolor");
    r.rect(t.mainTaskListPadding, {12, 10, 12, 10}, s, "tasklist", {kTaskList}, "padding");
    return true;
}

}  // namespace

bool readStyleSheet(SidefoldTheme& theme, HMODULE shellStyle, const uint8_t* data, size_t size)
{
    StyleSheet sheet;
    if (!data || size == 0 || !sheet.parse(data, size)) return false;
    try {
        SheetReader reader(sheet, shellStyle);
        const bool ok = readTasks(reader, theme) && readPane(reader, theme) && readSections(reader, theme) &&
                        readMainSection(reader, theme);
        if (ok) reader.keep();
        return ok;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

}  // namespace sidefold
