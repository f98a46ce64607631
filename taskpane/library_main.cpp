// The library's start-up and shutdown: the classes registered while a process has the library
// loaded, the visual-style functions, the library's own theme record, and ordinals 1 and 2.
//
// The count of attaches is plain per-process data. (Keeping it in a section shared between
// processes would let any process that loads the library write into every other's copy.)

#include <windows.h>

#include <commctrl.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <utility>
#include <vector>

#include "taskpane/group_forwarding.h"
#include "taskpane/library.h"
#include "taskpane/theme_source.h"
#include "taskpane/window_procs.h"

namespace sidefold {

namespace {

HINSTANCE module = nullptr;
LONG attachCount = 0;
ATOM atoms[5] = {};
// The library's theme record. A refresh fills a new record and publishes it; the one it
// replaces stays as long as a reader on another thread still draws with it, and no longer.
SRWLOCK themeLock = SRWLOCK_INIT;
ThemeRef* currentTheme = nullptr;  // under themeLock
// Copies of the current record for other DPIs, each made once (under themeLock). A refresh
// drops them with the record they came from.
struct ScaledTheme {
    int dpi;
    ThemeRef theme;
};
std::vector<ScaledTheme>* scaledThemes = nullptr;  // under themeLock
constexpr size_t kMostScaledThemes = 8;            // monitors of distinct scales at once, and more
constexpr UINT kForwardTimeoutMs = 100000;
// What a test host set (SidefoldTestHooks); each read on its own, from any thread.
std::atomic<int> testPauseMs{-1};
std::atomic<UINT> testForwardTimeoutMs{0};
std::atomic<int> testDpi{0};
std::atomic<SidefoldPlaySoundHook> testPlaySound{nullptr};
HMODULE uxtheme = nullptr;

DWORD realNow() { return GetTickCount(); }
// A test host may shorten the pause between frames (the tests) or lengthen it (to catch a frame
// in a screenshot); read at each pause.
void realSleep(DWORD ms)
{
    if (const int pause = testPauseMs.load(std::memory_order_relaxed); pause >= 0) ms = static_cast<DWORD>(pause);
    Sleep(ms);
}
Clock currentClock{&realNow, &realSleep};

// Visual styles came with Windows XP: on the 9x family, NT 4 and 2000 the library draws in the
// system look whatever the host's manifest asks for.
bool visualStylesPossible()
{
    const DWORD v = GetVersion();
    const DWORD major = LOBYTE(LOWORD(v)), minor = HIBYTE(LOWORD(v));
    return !(v & 0x80000000u) && (major > 5 || (major == 5 && minor >= 1));
}

struct ClassEntry {
    const char* name;
    UINT style;
    WNDPROC procedure;
};

const ClassEntry kClasses[5] = {
    {SIDEFOLD_CLASS_BAR, CS_GLOBALCLASS, &barWindowProc},
    {SIDEFOLD_CLASS_LINK, CS_GLOBALCLASS | CS_HREDRAW | CS_VREDRAW, &linkWindowProc},
    {SIDEFOLD_CLASS_HEADER, CS_GLOBALCLASS | CS_HREDRAW | CS_VREDRAW, &headerWindowProc},
    {SIDEFOLD_CLASS_LABEL, CS_GLOBALCLASS | CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW, &labelWindowProc},
    {SIDEFOLD_CLASS_BUTTON, CS_GLOBALCLASS | CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW, &buttonWindowProc},
};

void unregisterClasses()
{
    for (int i = 0; i < 5; ++i) {
        if (atoms[i]) UnregisterClassA(kClasses[i].name, module);
        atoms[i] = 0;
    }
}

bool registerClasses()
{
    for (int i = 0; i < 5; ++i) {
        WNDCLASSEXA wc{};
        wc.cbSize = sizeof(wc);
        wc.style = kClasses[i].style;
        wc.lpfnWndProc = kClasses[i].procedure;
        wc.hInstance = module;
        wc.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));  // the arrow
        wc.lpszClassName = kClasses[i].name;
        atoms[i] = RegisterClassExA(&wc);
        if (!atoms[i]) {
            unregisterClasses();
            return false;
        }
    }
    return true;
}

// The host's executable asks for themed controls through its manifest (type 24, id 1).
bool hostHasManifest()
{
    return FindResourceA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24)) != nullptr;
}

// What may load a library or read the registry waits for the first call that needs it, out of
// the loader lock: the visual-style library, then the theme record (which
// finds the shell style through them).
INIT_ONCE themeLibraryOnce = INIT_ONCE_STATIC_INIT;
INIT_ONCE themeRecordOnce = INIT_ONCE_STATIC_INIT;

BOOL CALLBACK loadThemeLibrary(PINIT_ONCE, void*, void**)
{
    if (visualStylesPossible() && hostHasManifest()) uxtheme = LoadLibraryA("UxTheme.dll");
    return TRUE;
}

BOOL CALLBACK makeThemeRecord(PINIT_ONCE, void*, void**)
{
    refreshLibraryTheme();
    return TRUE;
}

HMODULE themeLibrary()
{
    InitOnceExecuteOnce(&themeLibraryOnce, &loadThemeLibrary, nullptr, nullptr);
    return uxtheme;
}

bool attached = false;  // this copy registered the classes (a second copy in a process cannot)

bool attach(HINSTANCE instance)
{
    module = instance;
    DisableThreadLibraryCalls(instance);
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_WIN95_CLASSES};
    InitCommonControlsEx(&controls);
    if (!registerClasses()) return false;
    ++attachCount;
    attached = true;
    return true;
}

// Undoes only what attach did: a copy whose attach failed has nothing of its own to free.
void detach(bool processEnding)
{
    if (!attached) return;
    attached = false;
    --attachCount;
    AcquireSRWLockExclusive(&themeLock);
    ThemeRef* last = currentTheme;
    currentTheme = nullptr;
    std::vector<ScaledTheme>* lastScaled = scaledThemes;
    scaledThemes = nullptr;
    ReleaseSRWLockExclusive(&themeLock);
    delete lastScaled;
    delete last;
    if (!processEnding) freeAbandonedForwards();
    if (uxtheme && !processEnding) FreeLibrary(uxtheme);
    uxtheme = nullptr;
    unregisterClasses();
}

template <class F> F themeFunction(const char* name)
{
    const HMODULE library = themeLibrary();
    return library ? reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(library, name))) : nullptr;
}

}  // namespace

HINSTANCE libraryModule() { return module; }

ATOM classAtom(WindowClass c) { return atoms[static_cast<int>(c)]; }

bool isClass(HWND window, WindowClass c)
{
    return window && classAtom(c) && GetClassLongPtrA(window, GCW_ATOM) == classAtom(c);
}

namespace {

using GetDpiForWindowFn = UINT(WINAPI*)(HWND);

// The system's per-window DPI call, where user32 has it.
GetDpiForWindowFn dpiForWindowCall()
{
    static const auto call = [] {
        HMODULE user = GetModuleHandleA("user32.dll");
        return user ? reinterpret_cast<GetDpiForWindowFn>(
                          reinterpret_cast<void*>(GetProcAddress(user, "GetDpiForWindow")))
                    : nullptr;
    }();
    return call;
}

ThemeRef currentRecord()
{
    InitOnceExecuteOnce(&themeRecordOnce, &makeThemeRecord, nullptr, nullptr);
    AcquireSRWLockShared(&themeLock);
    ThemeRef theme = currentTheme ? *currentTheme : nullptr;
    ReleaseSRWLockShared(&themeLock);
    return theme;
}

}  // namespace

int windowDpi(HWND window)
{
    if (const int forced = testDpi.load(std::memory_order_relaxed)) return forced;
    if (window && dpiForWindowCall()) {
        const UINT dpi = dpiForWindowCall()(window);
        if (dpi > 0) return static_cast<int>(dpi);
    }
    HDC dc = GetDC(window);
    const int dpi = dc ? GetDeviceCaps(dc, LOGPIXELSY) : kBaseDpi;
    if (dc) ReleaseDC(window, dc);
    return dpi > 0 ? dpi : kBaseDpi;
}

ThemeRef libraryTheme(int dpi)
{
    ThemeRef theme = currentRecord();
    if (!theme) {
        // Only after detach began, or when no record could be made: an empty one draws nothing.
        static const SidefoldTheme empty{};
        return ThemeRef(&empty, [](const SidefoldTheme*) {});
    }
    if (dpi == kBaseDpi || dpi <= 0) return theme;
    AcquireSRWLockShared(&themeLock);
    ThemeRef found;
    const bool current = currentTheme && *currentTheme == theme;
    if (current && scaledThemes)
        for (const ScaledTheme& s : *scaledThemes)
            if (s.dpi == dpi) found = s.theme;
    ReleaseSRWLockShared(&themeLock);
    if (found || !current) return found ? found : theme;
    ThemeRef made = scaledTheme(theme, dpi);
    if (made == theme) return theme;
    AcquireSRWLockExclusive(&themeLock);
    if (currentTheme && *currentTheme == theme) {
        try {
            if (!scaledThemes) scaledThemes = new std::vector<ScaledTheme>;
            bool kept = false;
            for (const ScaledTheme& s : *scaledThemes)
                if (s.dpi == dpi) made = s.theme, kept = true;  // another thread was first
            if (!kept) {
                if (scaledThemes->size() >= kMostScaledThemes) scaledThemes->erase(scaledThemes->begin());
                scaledThemes->push_back({dpi, made});
            }
        } catch (const std::bad_alloc&) {
            // Drawn with the copy made here; the next caller makes its own.
        }
    }
    ReleaseSRWLockExclusive(&themeLock);
    return made;
}

void refreshLibraryTheme()
{
    ThemeRef fresh;
    ThemeRef* slot = nullptr;
    try {
        auto* record = new SidefoldTheme{};
        record->size = sizeof(SidefoldTheme);
        fillTheme(record, 0);
        fresh.reset(record, [](const SidefoldTheme* t) {
            releaseTheme(const_cast<SidefoldTheme*>(t));
            delete t;
        });
        slot = new ThemeRef(fresh);
    } catch (const std::bad_alloc&) {
        return;  // keep drawing with the record there is
    }
    AcquireSRWLockExclusive(&themeLock);
    std::swap(slot, currentTheme);
    std::vector<ScaledTheme>* oldScaled = scaledThemes;
    scaledThemes = nullptr;
    ReleaseSRWLockExclusive(&themeLock);
    delete oldScaled;
    delete slot;  // the old record goes with its last reader
}

UINT forwardTimeout()
{
    const UINT test = testForwardTimeoutMs.load(std::memory_order_relaxed);
    return test ? test : kForwardTimeoutMs;
}

SidefoldPlaySoundHook soundPlayer()
{
    if (SidefoldPlaySoundHook test = testPlaySound.load()) return test;
    // winmm is loaded when first needed: most runs never play a sound. It is a known system
    // library, so it comes from the system's folder whatever the host's folder holds.
    static const SidefoldPlaySoundHook play = [] {
        HMODULE winmm = LoadLibraryA("winmm.dll");
        return winmm ? reinterpret_cast<SidefoldPlaySoundHook>(
                           reinterpret_cast<void*>(GetProcAddress(winmm, "PlaySoundA")))
                     : nullptr;
    }();
    return play;
}

const Clock& clock() { return currentClock; }
void setClock(const Clock& c) { currentClock = c; }

bool themedDrawing() { return themeLibrary() != nullptr; }

HTHEME openThemeData(HWND window, LPCWSTR classes)
{
    using F = HTHEME(WINAPI*)(HWND, LPCWSTR);
    const F f = themeFunction<F>("OpenThemeData");
    return f ? f(window, classes) : nullptr;
}

HRESULT closeThemeData(HTHEME theme)
{
    using F = HRESULT(WINAPI*)(HTHEME);
    const F f = themeFunction<F>("CloseThemeData");
    return f ? f(theme) : E_FAIL;
}

HRESULT drawThemeBackground(HTHEME theme, HDC dc, int part, int state, const RECT* rect, const RECT* clip)
{
    using F = HRESULT(WINAPI*)(HTHEME, HDC, int, int, const RECT*, const RECT*);
    const F f = themeFunction<F>("DrawThemeBackground");
    return f ? f(theme, dc, part, state, rect, clip) : E_FAIL;
}

HRESULT getThemePartSize(HTHEME theme, HDC dc, int part, int state, const RECT* rect, THEMESIZE size, SIZE* out)
{
    using F = HRESULT(WINAPI*)(HTHEME, HDC, int, int, const RECT*, THEMESIZE, SIZE*);
    const F f = themeFunction<F>("GetThemePartSize");
    return f ? f(theme, dc, part, state, rect, size, out) : E_FAIL;
}

namespace {

bool accessible(const void* p, size_t size, DWORD wanted)
{
    if (!p || size == 0) return p != nullptr;
    auto at = reinterpret_cast<uintptr_t>(p);
    const uintptr_t end = at + size;
    if (end < at) return false;
    while (at < end) {
        MEMORY_BASIC_INFORMATION info;
        if (!VirtualQuery(reinterpret_cast<const void*>(at), &info, sizeof(info))) return false;
        if (info.State != MEM_COMMIT || (info.Protect & (PAGE_GUARD | PAGE_NOACCESS)) || !(info.Protect & wanted))
            return false;
        at = reinterpret_cast<uintptr_t>(info.BaseAddress) + info.RegionSize;
    }
    return true;
}

constexpr DWORD kReadable = PAGE_READONLY | PAGE_READWRITE | PAGE_WRITECOPY | PAGE_EXECUTE_READ |
                            PAGE_EXECUTE_READWRITE | PAGE_EXECUTE_WRITECOPY;
constexpr DWORD kWritable = PAGE_READWRITE | PAGE_WRITECOPY | PAGE_EXECUTE_READWRITE | PAGE_EXECUTE_WRITECOPY;

}  // namespace

bool readable(const void* p, size_t size) { return accessible(p, size, kReadable); }
bool writable(void* p, size_t size) { return accessible(p, size, kWritable); }

bool setTestHooks(const SidefoldTestHooks* hooks)
{
    if (!hooks || hooks->cbSize != sizeof(SidefoldTestHooks)) return false;
    if (hooks->animationPauseMs < -1 || hooks->animationPauseMs > 999 || hooks->forwardTimeoutMs >= kForwardTimeoutMs ||
        (hooks->dpi != 0 && (hooks->dpi < kBaseDpi / 2 || hooks->dpi > kBaseDpi * 8)))
        return false;
    testPauseMs = hooks->animationPauseMs;
    testForwardTimeoutMs = hooks->forwardTimeoutMs;
    testDpi = hooks->dpi;
    testPlaySound = hooks->playSound;
    return true;
}

}  // namespace sidefold

extern "C" {

int WINAPI sidefoldProbe() { return 1; }

void WINAPI sidefoldNothing() {}

BOOL WINAPI sidefoldSetTestHooks(const SidefoldTestHooks* hooks)
{
    return sidefold::setTestHooks(hooks) ? TRUE : FALSE;
}

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved)
{
    if (reason == DLL_PROCESS_ATTACH) return sidefold::attach(instance) ? TRUE : FALSE;
    if (reason == DLL_PROCESS_DETACH) sidefold::detach(reserved != nullptr);
    return TRUE;
}

}  // extern "C"
