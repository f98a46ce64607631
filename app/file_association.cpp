#include "app/file_association.h"

#include <shlobj.h>

#include <string>

#include "winui/handles.h"
#include "winui/seam.h"

namespace {

constexpr wchar_t kUserClasses[] = L"Software\\Classes";

std::wstring runningProgram()
{
    std::wstring buffer(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (n == 0) return {};
        if (n < buffer.size()) {
            buffer.resize(n);
            return buffer;
        }
        buffer.resize(buffer.size() * 2);
    }
}

std::wstring systemErrorText(DWORD code)
{
    wchar_t* text = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code,
        MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::wstring message = length && text ? std::wstring(text, length) : std::wstring();
    if (text) LocalFree(text);
    return message;
}

std::wstring readDefault(HKEY root, const std::wstring& key)
{
    DWORD bytes = 0;
    if (RegGetValueW(root, key.c_str(), nullptr, RRF_RT_REG_SZ, nullptr, nullptr, &bytes) != ERROR_SUCCESS) return {};
    std::wstring value(bytes / sizeof(wchar_t) + 1, L'\0');
    bytes = static_cast<DWORD>(value.size() * sizeof(wchar_t));
    if (RegGetValueW(root, key.c_str(), nullptr, RRF_RT_REG_SZ, nullptr, value.data(), &bytes) != ERROR_SUCCESS)
        return {};
    value.resize(wcsnlen(value.c_str(), value.size()));
    return value;
}

void reportFailure(LSTATUS code)
{
    if (code == ERROR_SUCCESS) return;
    const std::wstring caption = L"Utility Class Error in SetRegString (" + std::to_wstring(code) + L")";
    winui::seam().messageBox(nullptr, systemErrorText(static_cast<DWORD>(code)), caption, MB_OK);
}

}  // namespace

std::wstring associationFolder(std::wstring_view modulePath)
{
    const size_t cut = modulePath.find_last_of(L"\\/");
    if (cut == std::wstring_view::npos) return {};
    const bool afterDriveColon = cut > 0 && modulePath[cut - 1] == L':';
    return std::wstring(modulePath.substr(0, afterDriveColon ? cut + 1 : cut));
}

std::vector<AssociationValue> associationValues(std::wstring_view modulePath)
{
    const std::wstring program = associationFolder(modulePath) + L"\\Builder.exe";
    return {
        {L".gal", L"Fotoloom"},
        {L"Fotoloom", L"Fotoloom"},
        {L"Fotoloom\\DefaultIcon", program + L",0"},
        {L"Fotoloom\\shell\\open\\command", L"\"" + program + L"\" \"%1\""},
    };
}

bool setRegString(HKEY root, const std::wstring& key, const std::wstring& value)
{
    HKEY opened = nullptr;
    LSTATUS status = RegOpenKeyExW(root, key.c_str(), 0, KEY_SET_VALUE, &opened);
    if (status != ERROR_SUCCESS)
        status = RegCreateKeyExW(root, key.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                 KEY_READ | KEY_CREATE_SUB_KEY | KEY_SET_VALUE, nullptr, &opened, nullptr);
    if (status == ERROR_SUCCESS) {
        const winui::UniqueKey held(opened);
        const auto bytes = static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t));  // with the NUL
        status = RegSetValueExW(opened, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()), bytes);
    }
    reportFailure(status);
    return status == ERROR_SUCCESS;
}

void writeFileAssociation(HKEY root, std::wstring_view modulePath)
{
    // The user's classes key is ours to close; a root handed in is the caller's.
    winui::UniqueKey userClasses;
    HKEY classes = root;
    if (!classes) {
        HKEY created = nullptr;
        if (RegCreateKeyExW(HKEY_CURRENT_USER, kUserClasses, 0, nullptr, REG_OPTION_NON_VOLATILE,
                            KEY_READ | KEY_CREATE_SUB_KEY | KEY_SET_VALUE, nullptr, &created, nullptr) == ERROR_SUCCESS)
            userClasses.reset(created);
        classes = userClasses.get();  // null: every write below then reports why
    }
    const std::wstring program = modulePath.empty() ? runningProgram() : std::wstring(modulePath);
    bool changed = false;
    for (const AssociationValue& v : associationValues(program)) {
        changed = changed || readDefault(classes, v.key) != v.value;
        setRegString(classes, v.key, v.value);
    }
    // The shell caches associations: tell it when they moved (a new folder, a first start).
    if (!root && changed) SHChangeNotify(SHCNE_ASSOCCHANGED, SHCNF_IDLIST, nullptr, nullptr);
}
