// The header's sounds, heard through the tests' stand-in for the sound library: a group header
// with the sounds bit plays the maximise sound as it opens and the minimise sound as it shuts,
// once each, from the file the user's sound scheme names (environment strings expanded), without
// cutting off a sound already playing; without the bit, or with a scheme value of another type,
// nothing plays.

#include "sidefold_host.h"

#include <mmsystem.h>

#include <memory>
#include <string>

namespace {

constexpr const char* kMaximize = "AppEvents\\Schemes\\Apps\\.Default\\Maximize\\.Current";
constexpr const char* kMinimize = "AppEvents\\Schemes\\Apps\\.Default\\Minimize\\.Current";

// The test's value of a sound-scheme event; what the key had before is put back afterwards.
class SchemeValue {
public:
    SchemeValue(const char* key, DWORD type, const void* data, DWORD size) : key_(key)
    {
        HKEY k;
        if (RegOpenKeyExA(HKEY_CURRENT_USER, key, 0, KEY_READ, &k) == ERROR_SUCCESS) {
            DWORD length = sizeof(old_);
            had_ = RegQueryValueExA(k, nullptr, nullptr, &oldType_, old_, &length) == ERROR_SUCCESS;
            oldSize_ = length;
            RegCloseKey(k);
        }
        if (RegCreateKeyExA(HKEY_CURRENT_USER, key, 0, nullptr, 0, KEY_WRITE, nullptr, &k, nullptr) == ERROR_SUCCESS) {
            RegSetValueExA(k, nullptr, 0, type, static_cast<const BYTE*>(data), size);
            RegCloseKey(k);
        }
    }
    ~SchemeValue()
    {
        HKEY k;
        if (RegOpenKeyExA(HKEY_CURRENT_USER, key_, 0, KEY_WRITE, &k) != ERROR_SUCCESS) return;
        if (had_)
            RegSetValueExA(k, nullptr, 0, oldType_, old_, oldSize_);
        else
            RegDeleteValueA(k, nullptr);
        RegCloseKey(k);
    }
    SchemeValue(const SchemeValue&) = delete;
    SchemeValue& operator=(const SchemeValue&) = delete;

private:
    const char* key_;
    bool had_ = false;
    DWORD oldType_ = 0, oldSize_ = 0;
    BYTE old_[MAX_PATH * 2] = {};
};

struct Played {
    std::string file;
    DWORD flags;
};

class HeaderSounds : public ::testing::Test {
protected:
    void SetUp() override
    {
        sound = LoadLibraryA(kFakeSoundModule);  // the one the library plays through
        ASSERT_TRUE(sound);
        played = reinterpret_cast<int(__cdecl*)()>(reinterpret_cast<void*>(GetProcAddress(sound, "fakeSoundsPlayed")));
        fileOf = reinterpret_cast<const char*(__cdecl*)(int)>(
            reinterpret_cast<void*>(GetProcAddress(sound, "fakeSoundFile")));
        flagsOf =
            reinterpret_cast<DWORD(__cdecl*)(int)>(reinterpret_cast<void*>(GetProcAddress(sound, "fakeSoundFlags")));
        forget = reinterpret_cast<void(__cdecl*)()>(reinterpret_cast<void*>(GetProcAddress(sound, "fakeSoundsForget")));
        ASSERT_TRUE(played && fileOf && flagsOf && forget);
        forget();
        host = std::make_unique<HostWindow>();
        bar = sidefold().createBar(host->window(), 0, 0, 0, 0, 240, 600);
        ASSERT_TRUE(IsWindow(bar));
    }
    void TearDown() override
    {
        if (IsWindow(bar)) sidefold().destroyBar(bar);
    }
    std::vector<Played> sounds() const
    {
        std::vector<Played> out;
        for (int i = 0; i < played(); ++i) out.push_back({fileOf(i), flagsOf(i)});
        return out;
    }
    HWND header(int id) { return reinterpret_cast<HWND>(SendMessageA(bar, SIDEFOLD_BAR_HEADER_ID, id, 0)); }
    // A click on the header as the user makes it.
    void click(int id)
    {
        HWND h = header(id);
        SendMessageA(h, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
        SendMessageA(h, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    }

    HMODULE sound = nullptr;
    int(__cdecl* played)() = nullptr;
    const char*(__cdecl* fileOf)(int) = nullptr;
    DWORD(__cdecl* flagsOf)(int) = nullptr;
    void(__cdecl* forget)() = nullptr;
    std::unique_ptr<HostWindow> host;
    HWND bar = nullptr;
};

}  // namespace

TEST_F(HeaderSounds, OpeningAndShuttingPlayTheSchemesSoundsOnceEach)
{
    const char open[] = "%SystemRoot%\\open.wav", shut[] = "C:\\sounds\\shut.wav";
    SchemeValue maximize(kMaximize, REG_EXPAND_SZ, open, sizeof(open));
    SchemeValue minimize(kMinimize, REG_SZ, shut, sizeof(shut));
    char expanded[MAX_PATH];
    ExpandEnvironmentStringsA(open, expanded, MAX_PATH);
    const DWORD flags = SND_FILENAME | SND_ASYNC | SND_NODEFAULT | SND_NOSTOP | SND_NOWAIT;

    const SidefoldGroupDescription loud = describeGroup(1, IDD_GROUP_SINGLE, host->window(), SIDEFOLD_HEADER_SOUNDS);
    const SidefoldGroupDescription quiet = describeGroup(2, IDD_GROUP_SINGLE, host->window(), 0);
    ASSERT_EQ(SendMessageA(bar, SIDEFOLD_BAR_ADD_GROUP, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&loud)), 1);
    ASSERT_EQ(SendMessageA(bar, SIDEFOLD_BAR_ADD_GROUP, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&quiet)), 1);

    click(1);
    ASSERT_TRUE(pumpUntil([&] { return SendMessageA(header(1), SIDEFOLD_HEADER_IS_EXPANDED, 0, 0) != 0; }));
    click(1);
    ASSERT_TRUE(pumpUntil([&] { return SendMessageA(header(1), SIDEFOLD_HEADER_IS_EXPANDED, 0, 0) == 0; }));
    // Through the bar's messages as well.
    ASSERT_EQ(SendMessageA(bar, SIDEFOLD_BAR_EXPAND_ID, 1, 0), 1);
    const auto heard = sounds();
    ASSERT_EQ(heard.size(), 3u) << "one sound per change, none twice";
    EXPECT_EQ(heard[0].file, expanded);
    EXPECT_EQ(heard[1].file, shut);
    EXPECT_EQ(heard[2].file, expanded);
    for (const Played& p : heard) EXPECT_EQ(p.flags, flags) << p.file;

    // The header without the bit is silent.
    forget();
    click(2);
    ASSERT_TRUE(pumpUntil([&] { return SendMessageA(header(2), SIDEFOLD_HEADER_IS_EXPANDED, 0, 0) != 0; }));
    click(2);
    ASSERT_TRUE(pumpUntil([&] { return SendMessageA(header(2), SIDEFOLD_HEADER_IS_EXPANDED, 0, 0) == 0; }));
    EXPECT_TRUE(sounds().empty());
}

TEST_F(HeaderSounds, ASchemeValueOfAnotherTypePlaysNothing)
{
    const DWORD number = 7;
    SchemeValue maximize(kMaximize, REG_DWORD, &number, sizeof(number));
    const SidefoldGroupDescription loud = describeGroup(1, IDD_GROUP_SINGLE, host->window(), SIDEFOLD_HEADER_SOUNDS);
    ASSERT_EQ(SendMessageA(bar, SIDEFOLD_BAR_ADD_GROUP, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&loud)), 1);
    click(1);
    ASSERT_TRUE(pumpUntil([&] { return SendMessageA(header(1), SIDEFOLD_HEADER_IS_EXPANDED, 0, 0) != 0; }));
    EXPECT_TRUE(sounds().empty());
}
