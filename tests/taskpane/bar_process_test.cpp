// The library between processes and around its own unloading: a bar of another process is not
// ours to destroy (its user data is a pointer in that process), and a host that frees the
// library while a dying bar's thread still runs its code does not pull the code from under it.
// Each case runs part of itself in a second copy of this program (a disabled test, started
// with a filter), so that a crash there fails the case here.

#include "child_copy.h"
#include "sidefold_host.h"

#include <memory>
#include <string>

namespace {

constexpr const char* kOtherTitle = "Sidefold test host of another process";
constexpr const char* kDoneEvent = "SidefoldTestOtherProcessDone";

struct DestroyCall {
    HWND bar;
    BOOL result;
};

DWORD WINAPI callDestroy(void* parameter)
{
    auto* call = static_cast<DestroyCall*>(parameter);
    call->result = sidefold().destroyBar(call->bar);
    return 0;
}

}  // namespace

TEST(BarProcess, OrdinalTenRefusesABarOfAnotherProcess)
{
    HANDLE done = CreateEventA(nullptr, TRUE, FALSE, kDoneEvent);
    ASSERT_TRUE(done);
    ChildCopy child("SidefoldChild", "OwnABarUntilTold");
    ASSERT_TRUE(child.started);
    HWND other = nullptr;
    ASSERT_TRUE(pumpUntil(
        [&] {
            HWND host = FindWindowA("SidefoldTestHost", kOtherTitle);
            other = host ? FindWindowExA(host, nullptr, "CollapseXPStyleBar32", nullptr) : nullptr;
            return other != nullptr;
        },
        20000));
    // The other process's record pointer, made to look like one of ours in this process when
    // that address is free here: only the owning process tells them apart.
    const auto pointer = static_cast<uintptr_t>(GetWindowLongPtrA(other, GWLP_USERDATA));
    void* page = pointer ? VirtualAlloc(reinterpret_cast<void*>(pointer & ~static_cast<uintptr_t>(0xFFFF)), 0x20000,
                                        MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE)
                         : nullptr;
    if (page) *reinterpret_cast<DWORD*>(pointer) = 168;
    DestroyCall call{other, -1};
    HANDLE caller = CreateThread(nullptr, 0, &callDestroy, &call, 0, nullptr);
    ASSERT_TRUE(caller);
    const bool returned = pumpUntil([&] { return WaitForSingleObject(caller, 0) == WAIT_OBJECT_0; }, 5000);
    EXPECT_TRUE(returned) << "ordinal 10 used the other process's pointer";
    if (!returned) TerminateThread(caller, 1);
    CloseHandle(caller);
    EXPECT_FALSE(call.result);
    EXPECT_TRUE(IsWindow(other)) << "another process's bar is not ours to destroy";
    SetEvent(done);
    EXPECT_EQ(child.exitCode(), 0);
    CloseHandle(done);
    if (page) VirtualFree(page, 0, MEM_RELEASE);
}

TEST(BarProcess, AHostFreeingTheLibraryWhileADyingBarStillRunsDoesNotPullItsCode)
{
    ChildCopy child("SidefoldChild", "FreeTheLibraryWhileTheBarDies");
    ASSERT_TRUE(child.started);
    EXPECT_EQ(child.exitCode(), 0) << "the second process failed or crashed";
}

// --- the second process's parts --------------------------------------------------------------

TEST(SidefoldChild, DISABLED_OwnABarUntilTold)
{
    if (!inChild()) GTEST_SKIP();
    HostWindow host;
    SetWindowTextA(host.window(), kOtherTitle);
    HWND bar = sidefold().createBar(host.window(), 0, 0, 0, 0, 100, 100);
    ASSERT_TRUE(IsWindow(bar));
    HANDLE done = OpenEventA(SYNCHRONIZE, FALSE, kDoneEvent);
    ASSERT_TRUE(done);
    EXPECT_TRUE(pumpUntil([&] { return WaitForSingleObject(done, 0) == WAIT_OBJECT_0; }, 20000));
    CloseHandle(done);
    EXPECT_TRUE(IsWindow(bar)) << "the other process destroyed this bar";
    EXPECT_TRUE(sidefold().destroyBar(bar));
}

TEST(SidefoldChild, DISABLED_FreeTheLibraryWhileTheBarDies)
{
    if (!inChild()) GTEST_SKIP();
    HMODULE library = sidefold().module;
    ASSERT_TRUE(library);
    auto host = std::make_unique<HostWindow>();
    HostWindow owner;
    HWND bar = sidefold().createBar(host->window(), 0, 0, 0, 0, 200, 300);
    ASSERT_TRUE(IsWindow(bar));
    HANDLE thread = OpenThread(SYNCHRONIZE, FALSE, GetWindowThreadProcessId(bar, nullptr));
    SidefoldGroupDescription d = describeGroup(1, IDD_GROUP_SINGLE, owner.window());
    ASSERT_EQ(SendMessageA(bar, SIDEFOLD_BAR_ADD_GROUP, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&d)), 1);
    bool freed = false;
    owner.onForwarded = [&](const SidefoldForwardedMessage& r) -> LRESULT {
        // The bar's thread waits inside the library's teardown for this answer.
        if (r.message == WM_NCDESTROY && !freed) {
            freed = true;
            FreeLibrary(library);
        }
        return 0;
    };
    DestroyWindow(host->window());
    ASSERT_TRUE(pumpUntil([&] { return WaitForSingleObject(thread, 0) == WAIT_OBJECT_0; }, 10000));
    CloseHandle(thread);
    EXPECT_TRUE(freed);
    EXPECT_EQ(GetModuleHandleA("Sidefold.dll"), nullptr) << "the bar's thread gave its reference back";
}
