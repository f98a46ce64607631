// The framework's window base, dispatch tables, dialogs, handle owners and text conversion.

#include <gtest/gtest.h>

#include <string>
#include <type_traits>

#include "resource.h"
#include "thread_dialog.h"
#include "winui/dialog.h"
#include "winui/handles.h"
#include "winui/text.h"
#include "winui/window.h"

namespace {

constexpr UINT kPrivate = WM_APP + 7;
constexpr UINT kSave = 500, kRangeFirst = 600, kRangeLast = 609, kEdit = 700, kList = 701;

class Probe : public winui::CWindow {
public:
    bool failCreate = false;
    std::wstring createdWith;
    SIZE size{};
    int saves = 0;
    UINT rangeId = 0;
    int edits = 0;
    int itemChanged = -1;
    bool finalMessage = false;

    bool create(const wchar_t* text)
    {
        return createWindow(winui::WindowArgs{
            .className = L"FotoloomProbe", .text = text, .style = WS_OVERLAPPEDWINDOW, .width = 300, .height = 200});
    }

protected:
    const winui::MessageMapBase* messageMap() const override
    {
        static const auto map = winui::MessageMap<Probe>()
                                    .on<WM_CREATE>(&Probe::onCreate)
                                    .on<WM_SIZE>(&Probe::onSize)
                                    .raw(kPrivate, &Probe::onPrivate)
                                    .command(kSave, &Probe::onSave)
                                    .commandRange(kRangeFirst, kRangeLast, &Probe::onRange)
                                    .control(kEdit, EN_CHANGE, &Probe::onEditChange)
                                    .notify(kList, LVN_ITEMCHANGED, &Probe::onItemChanged)
                                    .update(kSave, &Probe::onUpdateSave);
        return &map;
    }
    void onFinalMessage() override { finalMessage = true; }

private:
    bool onCreate(const CREATESTRUCTW& cs)
    {
        createdWith = cs.lpszName;
        return !failCreate;
    }
    void onSize(UINT, SIZE client) { size = client; }
    LRESULT onPrivate(WPARAM w, LPARAM l) { return static_cast<LRESULT>(w) * 10 + l; }
    void onSave() { ++saves; }
    void onRange(UINT id) { rangeId = id; }
    void onEditChange() { ++edits; }
    LRESULT onItemChanged(const NMLISTVIEW& item)
    {
        itemChanged = item.iItem;
        return 5;
    }
    void onUpdateSave(winui::CCommandState& state)
    {
        state.enable(false);
        state.check();
    }
};

TEST(WindowBase, ObjectIsFoundFromItsHandleFromCreationToTheLastMessage)
{
    Probe probe;
    ASSERT_TRUE(probe.create(L"probe"));
    EXPECT_EQ(probe.createdWith, L"probe");  // WM_CREATE already reached the object
    EXPECT_EQ(winui::CWindow::fromHandle(probe.hwnd()), &probe);
    HWND window = probe.hwnd();
    DestroyWindow(window);
    EXPECT_TRUE(probe.finalMessage);
    EXPECT_EQ(probe.hwnd(), nullptr);
    EXPECT_FALSE(IsWindow(window));
}

TEST(WindowBase, FailedCreateHandlerFailsTheCreationAndDestroyingTheObjectDestroysTheWindow)
{
    Probe failing;
    failing.failCreate = true;
    EXPECT_FALSE(failing.create(L"no"));
    EXPECT_EQ(failing.hwnd(), nullptr);

    HWND window = nullptr;
    {
        Probe probe;
        ASSERT_TRUE(probe.create(L"short-lived"));
        window = probe.hwnd();
    }
    EXPECT_FALSE(IsWindow(window));
}

TEST(DispatchTable, HandlersGetUnpackedArgumentsAndTheRestGoesToTheDefault)
{
    Probe probe;
    ASSERT_TRUE(probe.create(L"abc"));
    SendMessageW(probe.hwnd(), WM_SIZE, SIZE_RESTORED, MAKELPARAM(123, 45));
    EXPECT_EQ(probe.size.cx, 123);
    EXPECT_EQ(probe.size.cy, 45);
    EXPECT_EQ(SendMessageW(probe.hwnd(), kPrivate, 4, 2), 42);
    EXPECT_EQ(SendMessageW(probe.hwnd(), WM_GETTEXTLENGTH, 0, 0), 3);  // DefWindowProc answered
}

TEST(DispatchTable, CommandsRunForMenusAcceleratorsAndClicksButControlsOnlyForTheirCode)
{
    Probe probe;
    ASSERT_TRUE(probe.create(L""));
    SendMessageW(probe.hwnd(), WM_COMMAND, MAKEWPARAM(kSave, 0), 0);  // menu
    SendMessageW(probe.hwnd(), WM_COMMAND, MAKEWPARAM(kSave, 1), 0);  // accelerator
    SendMessageW(probe.hwnd(), WM_COMMAND, MAKEWPARAM(kSave, EN_SETFOCUS), 0);
    EXPECT_EQ(probe.saves, 2);
    SendMessageW(probe.hwnd(), WM_COMMAND, MAKEWPARAM(kRangeFirst + 3, 0), 0);
    EXPECT_EQ(probe.rangeId, kRangeFirst + 3);
    SendMessageW(probe.hwnd(), WM_COMMAND, MAKEWPARAM(kEdit, EN_KILLFOCUS), 0);
    SendMessageW(probe.hwnd(), WM_COMMAND, MAKEWPARAM(kEdit, EN_CHANGE), 0);
    EXPECT_EQ(probe.edits, 1);

    NMLISTVIEW item{};
    item.hdr.idFrom = kList;
    item.hdr.code = LVN_ITEMCHANGED;
    item.iItem = 3;
    EXPECT_EQ(SendMessageW(probe.hwnd(), WM_NOTIFY, kList, reinterpret_cast<LPARAM>(&item)), 5);
    EXPECT_EQ(probe.itemChanged, 3);
    item.hdr.idFrom = kList + 1;  // another control's notification is not ours
    item.iItem = 9;
    SendMessageW(probe.hwnd(), WM_NOTIFY, kList + 1, reinterpret_cast<LPARAM>(&item));
    EXPECT_EQ(probe.itemChanged, 3);
}

TEST(DispatchTable, RouteReachesTheTableThroughTheCommandTargetInterface)
{
    Probe probe;
    ASSERT_TRUE(probe.create(L""));
    winui::ICommandTarget& target = probe;
    EXPECT_TRUE(target.onCommand(kSave, 0));
    EXPECT_FALSE(target.onCommand(kSave + 1, 0));
    EXPECT_EQ(probe.saves, 1);
    winui::CCommandState state(kSave);
    EXPECT_TRUE(target.onUpdateCommand(state));
    EXPECT_FALSE(state.enabled());
    EXPECT_TRUE(state.checked());
    winui::CCommandState other(kRangeFirst);
    EXPECT_FALSE(target.onUpdateCommand(other));
    EXPECT_TRUE(other.enabled());
}

// A class whose table chains to its base's: what it lists wins, the rest reaches the base.
class ChainedProbe : public Probe {
public:
    int ownSizes = 0;
    int ownSaves = 0;

protected:
    const winui::MessageMapBase* messageMap() const override
    {
        static const auto map = winui::MessageMap<ChainedProbe>()
                                    .chain(Probe::messageMap())
                                    .on<WM_SIZE>(&ChainedProbe::onOwnSize)
                                    .command(kSave, &ChainedProbe::onOwnSave);
        return &map;
    }

private:
    void onOwnSize(UINT, SIZE) { ++ownSizes; }
    void onOwnSave() { ++ownSaves; }
};

TEST(DispatchTable, AChainedTableAnswersFirstAndLeavesTheRestToItsBase)
{
    ChainedProbe probe;
    ASSERT_TRUE(probe.create(L"chained"));
    EXPECT_EQ(probe.createdWith, L"chained");  // the base's WM_CREATE entry
    const int sizesBefore = probe.ownSizes;
    SendMessageW(probe.hwnd(), WM_SIZE, SIZE_RESTORED, MAKELPARAM(77, 11));
    EXPECT_EQ(probe.ownSizes, sizesBefore + 1);
    EXPECT_NE(probe.size.cx, 77);  // the base's handler is not run as well
    EXPECT_EQ(SendMessageW(probe.hwnd(), kPrivate, 4, 2), 42);
    SendMessageW(probe.hwnd(), WM_COMMAND, MAKEWPARAM(kSave, 0), 0);
    SendMessageW(probe.hwnd(), WM_COMMAND, MAKEWPARAM(kRangeFirst + 1, 0), 0);
    EXPECT_EQ(probe.ownSaves, 1);
    EXPECT_EQ(probe.saves, 0);
    EXPECT_EQ(probe.rangeId, kRangeFirst + 1);
    winui::CCommandState state(kSave);  // the update entry is the base's
    EXPECT_TRUE(static_cast<winui::ICommandTarget&>(probe).onUpdateCommand(state));
    EXPECT_FALSE(state.enabled());
    EXPECT_EQ(SendMessageW(probe.hwnd(), WM_GETTEXTLENGTH, 0, 0), 7);  // neither table: the default
}

// A dialog of the program's resources, run modelessly so the test can drive it.
class NameDialog : public winui::CDialog {
public:
    NameDialog() : CDialog(IDD_ALBUM) {}
    bool initialised = false;
    std::wstring typed;

protected:
    const winui::MessageMapBase* messageMap() const override
    {
        static const auto map =
            winui::MessageMap<NameDialog>().on<WM_INITDIALOG>(&NameDialog::onInit).command(IDOK, &NameDialog::onOk);
        return &map;
    }

private:
    bool onInit()
    {
        initialised = true;
        setItemText(IDC_ALBUM_TITLE, L"first");
        return true;
    }
    void onOk()
    {
        typed = itemText(IDC_ALBUM_TITLE);
        end(IDOK);
    }
};

TEST(Dialog, ModelessDialogIsBoundOnInitAndOkAndCancelEndIt)
{
    NameDialog dialog;
    ASSERT_TRUE(dialog.createModeless(nullptr));
    EXPECT_TRUE(dialog.initialised);
    HWND window = dialog.hwnd();
    SetDlgItemTextW(window, IDC_ALBUM_TITLE, L"second");
    SendMessageW(window, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    EXPECT_EQ(dialog.typed, L"second");
    EXPECT_FALSE(IsWindow(window));  // modeless: destroyed

    NameDialog cancelled;
    ASSERT_TRUE(cancelled.createModeless(nullptr));
    window = cancelled.hwnd();
    SendMessageW(window, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);  // not in the table
    EXPECT_FALSE(IsWindow(window));
    EXPECT_TRUE(cancelled.typed.empty());
}

void CALLBACK clickOkOfAlbumDialog(HWND, UINT, UINT_PTR id, DWORD)
{
    if (HWND box = findThreadDialog(L"Album")) {
        KillTimer(nullptr, id);
        PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    }
}

TEST(Dialog, ModalDialogReturnsTheEndValue)
{
    NameDialog dialog;
    // A thread timer runs inside the dialog's modal loop, once the dialog is up.
    SetTimer(nullptr, 0, 10, clickOkOfAlbumDialog);
    EXPECT_EQ(dialog.runModal(nullptr), IDOK);
    EXPECT_EQ(dialog.typed, L"first");
}

TEST(Handles, OwnersAreMoveOnlyAndFreeOnce)
{
    HBITMAP raw = CreateBitmap(4, 4, 1, 32, nullptr);
    winui::UniqueBitmap first(raw);
    winui::UniqueBitmap second(std::move(first));
    EXPECT_FALSE(first);
    EXPECT_EQ(second.get(), raw);
    winui::UniqueBitmap third;
    third = std::move(second);
    EXPECT_NE(GetObjectType(raw), 0u);
    third.reset();
    EXPECT_EQ(GetObjectType(raw), 0u);  // deleted exactly when the last owner let go
    static_assert(!std::is_copy_constructible_v<winui::UniqueBitmap>);
}

TEST(Text, Utf8AndUtf16RoundTripOutsideTheBasicPlane)
{
    const std::string utf8 = "Caf\xC3\xA9 \xF0\x9F\x93\xB7";  // "Café 📷"
    const std::wstring wide = winui::widen(utf8);
    EXPECT_EQ(wide, std::wstring(L"Caf\u00E9 \xD83D\xDCF7"));
    EXPECT_EQ(winui::narrow(wide), utf8);
    EXPECT_EQ(winui::widen("\xC3"), std::wstring(L"\uFFFD"));  // a cut sequence is replaced
    EXPECT_EQ(winui::toCrLf(L"a\nb\r\nc\n"), L"a\r\nb\r\nc\r\n");
    EXPECT_EQ(winui::loadString(IDS_READY), L"Ready");
    EXPECT_EQ(winui::loadString(1), L"");
}

}  // namespace
