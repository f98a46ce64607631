#include "winui/text.h"

#include "base/text_utf16.h"

namespace winui {

std::wstring widen(std::string_view utf8) { return utf8ToWide(utf8); }

std::string narrow(std::wstring_view utf16) { return wideToUtf8(utf16); }

std::wstring loadString(UINT id)
{
    // With a zero buffer size LoadStringW hands out a pointer into the resource itself.
    const wchar_t* text = nullptr;
    const int length = LoadStringW(GetModuleHandleW(nullptr), id, reinterpret_cast<LPWSTR>(&text), 0);
    return length > 0 && text ? std::wstring(text, static_cast<size_t>(length)) : std::wstring();
}

std::wstring windowText(HWND window)
{
    std::wstring text(static_cast<size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
    text.resize(static_cast<size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
    return text;
}

std::wstring escapeAccessKeys(std::wstring_view text)
{
    std::wstring out;
    out.reserve(text.size());
    for (wchar_t c : text) {
        if (c == L'&') out += L'&';
        out += c;
    }
    return out;
}

std::wstring toCrLf(std::wstring_view text)
{
    std::wstring out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == L'\n' && (i == 0 || text[i - 1] != L'\r')) out += L'\r';
        out += text[i];
    }
    return out;
}

}  // namespace winui
