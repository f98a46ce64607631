// Groups from the host's templates: what the owner receives (the forwarded records, in order,
// on its own thread), the stack order, the by-index and by-id messages, and bad descriptions.

#include "sidefold_host.h"
#include "taskpane/library_messages.h"

#include <cstring>
#include <memory>

namespace {

// A message of the host's own, sent to a group's dialog: forwarded like any other.
constexpr UINT kHostMessage = WM_APP + 50;

// The header styles the program gives its groups: open, with a tooltip, sounds and a focus
// rectangle a click does not bring; the main look stretching, the plain one rolling.
constexpr DWORD kOpenHeader = SIDEFOLD_HEADER_TOOLTIP | SIDEFOLD_HEADER_FOCUS_RECT | SIDEFOLD_HEADER_NO_FOCUS_ON_CLICK |
                              SIDEFOLD_HEADER_SOUNDS | SIDEFOLD_HEADER_EXPANDED;
constexpr DWORD kMainStretching = kOpenHeader | SIDEFOLD_HEADER_MAIN | SIDEFOLD_ANIMATE_STRETCH;
constexpr DWORD kPlainRolling = kOpenHeader | SIDEFOLD_ANIMATE_ROLL;

class BarGroups : public ::testing::Test {
protected:
    void SetUp() override
    {
        host = std::make_unique<HostWindow>();
        bar = sidefold().createBar(host->window(), 0, 0, 0, 0, 240, 500);
        ASSERT_TRUE(IsWindow(bar));
    }
    void TearDown() override
    {
        if (IsWindow(bar)) sidefold().destroyBar(bar);
    }

    LRESULT add(const SidefoldGroupDescription& d, WPARAM position = static_cast<WPARAM>(-1))
    {
        return SendMessageA(bar, SIDEFOLD_BAR_ADD_GROUP, position, reinterpret_cast<LPARAM>(&d));
    }
    HWND dialogOf(int id) { return reinterpret_cast<HWND>(SendMessageA(bar, SIDEFOLD_BAR_DIALOG_ID, id, 0)); }
    HWND headerOf(int id) { return reinterpret_cast<HWND>(SendMessageA(bar, SIDEFOLD_BAR_HEADER_ID, id, 0)); }
    // The notices the dialog was posted are forwarded once the bar's thread gets to them.
    bool waitForNotice(UINT code)
    {
        return pumpUntil([&] {
            for (const Forwarded& f : host->only(WM_NOTIFY))
                if (f.lParam == static_cast<LPARAM>(code) && f.wParam != 0) return true;
            return false;
        });
    }

    std::unique_ptr<HostWindow> host;
    HWND bar = nullptr;
};

std::vector<UINT> callbackSeen;

LRESULT CALLBACK recordingCallback(HWND, UINT message, WPARAM, LPARAM)
{
    callbackSeen.push_back(message);
    return 0;
}

}  // namespace

TEST_F(BarGroups, TheOwnerGetsInitDialogOnItsThreadAfterTheControlsWereCollected)
{
    HWND staticAtInit = reinterpret_cast<HWND>(1);
    HFONT linkFont = nullptr;
    host->onForwarded = [&](const SidefoldForwardedMessage& r) -> LRESULT {
        if (r.message == WM_INITDIALOG) {
            staticAtInit = GetDlgItem(r.dialog, IDC_SECTION_END);
            linkFont = reinterpret_cast<HFONT>(SendMessageA(GetDlgItem(r.dialog, IDC_LINK_A), WM_GETFONT, 0, 0));
        }
        return 0;
    };
    ASSERT_EQ(add(describeGroup(110, IDD_GROUP_LINKS, host->window(), 0, "Albums management")), 1);
    HWND dialog = dialogOf(110);
    ASSERT_TRUE(IsWindow(dialog));
    EXPECT_NE(GetWindowThreadProcessId(dialog, nullptr), GetCurrentThreadId());
    EXPECT_FALSE(shown(dialog)) << "a group is added collapsed";

    ASSERT_FALSE(host->log.empty());
    const Forwarded& first = host->log.front();
    EXPECT_EQ(first.message, static_cast<UINT>(WM_INITDIALOG)) << "nothing is forwarded before WM_INITDIALOG";
    EXPECT_EQ(first.dialog, dialog);
    EXPECT_EQ(first.groupId, 110);
    EXPECT_NE(first.lParam, 0) << "the library's group record (opaque)";
    EXPECT_EQ(first.thread, GetCurrentThreadId());
    EXPECT_TRUE(first.sent);
    EXPECT_EQ(host->only(WM_INITDIALOG).size(), 1u);
    // The section-ending static was gone and the links had the bar's font when the owner was told.
    EXPECT_EQ(staticAtInit, nullptr);
    EXPECT_NE(linkFont, nullptr);
    // One default push button per dialog.
    const bool firstDefault =
        (GetWindowLongA(GetDlgItem(dialog, IDC_BUTTON_DEFAULT), GWL_STYLE) & BS_TYPEMASK) == BS_DEFPUSHBUTTON;
    const bool secondDefault =
        (GetWindowLongA(GetDlgItem(dialog, IDC_BUTTON_SECOND), GWL_STYLE) & BS_TYPEMASK) == BS_DEFPUSHBUTTON;
    EXPECT_EQ(firstDefault + secondDefault, 1);
    // The header carries the title and the library's style bits.
    HWND header = headerOf(110);
    char title[64] = {};
    GetWindowTextA(header, title, sizeof(title));
    EXPECT_STREQ(title, "Albums management");
    EXPECT_NE(GetWindowLongA(header, GWL_STYLE) & SIDEFOLD_HEADER_GROUP, 0);
}

TEST_F(BarGroups, AGroupsLifeAsItsOwnerSeesIt)
{
    // Moving and showing a window brings the system's own messages; they may come or not.
    const Expected posChanging{WM_WINDOWPOSCHANGING, kAnyCode, true}, calcSize{WM_NCCALCSIZE, kAnyCode, true},
        posChanged{WM_WINDOWPOSCHANGED, kAnyCode, true}, move{WM_MOVE, kAnyCode, true}, size{WM_SIZE, kAnyCode, true},
        showWindow{WM_SHOWWINDOW, kAnyCode, true};

    ASSERT_EQ(add(describeGroup(1, IDD_GROUP_SINGLE, host->window())), 1);
    EXPECT_TRUE(sameSequence(host->log, {{WM_INITDIALOG}}));

    host->log.clear();
    ASSERT_EQ(SendMessageA(bar, SIDEFOLD_BAR_EXPAND_ID, 1, 0), 1);
    ASSERT_TRUE(waitForNotice(0));
    EXPECT_TRUE(sameSequence(host->log,
                             {showWindow, posChanging, calcSize, posChanged, move, size, showWindow, {WM_NOTIFY, 0}}));

    host->log.clear();
    ASSERT_EQ(SendMessageA(bar, SIDEFOLD_BAR_COLLAPSE_ID, 1, 0), 1);
    ASSERT_TRUE(waitForNotice(1));
    EXPECT_TRUE(sameSequence(host->log, {showWindow, posChanging, posChanged, {WM_NOTIFY, 1}}));

    host->log.clear();
    ASSERT_EQ(SendMessageA(bar, SIDEFOLD_BAR_REMOVE_ID, 1, 0), 1);
    EXPECT_TRUE(sameSequence(host->log, {showWindow, posChanging, posChanged, {WM_DESTROY}, {WM_NCDESTROY}}));
}

TEST_F(BarGroups, EveryDialogMessageReachesTheOwnerAndItsAnswerComesBack)
{
    ASSERT_EQ(add(describeGroup(111, IDD_GROUP_SINGLE, host->window())), 1);
    HWND dialog = dialogOf(111);
    HWND link = GetDlgItem(dialog, IDC_SINGLE_LINK);
    host->log.clear();
    host->onForwarded = [](const SidefoldForwardedMessage& r) -> LRESULT { return r.message == kHostMessage ? 77 : 0; };

    // A link click arrives as WM_COMMAND with the link's id and code 0.
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDC_SINGLE_LINK, 0), reinterpret_cast<LPARAM>(link));
    // Any other message, and the owner's result is the dialog procedure's result.
    const LRESULT answer = SendMessageA(dialog, kHostMessage, 1, 2);
    ASSERT_EQ(host->log.size(), 2u);
    EXPECT_EQ(host->log[0].message, static_cast<UINT>(WM_COMMAND));
    EXPECT_EQ(host->log[0].wParam, MAKEWPARAM(IDC_SINGLE_LINK, 0));
    EXPECT_EQ(host->log[0].lParam, reinterpret_cast<LPARAM>(link));
    EXPECT_EQ(host->log[1].message, static_cast<UINT>(kHostMessage));
    EXPECT_EQ(host->log[1].groupId, 111);
    EXPECT_EQ(answer, 77);
    // Painting is the library's own business.
    host->log.clear();
    HDC dc = GetDC(dialog);
    SendMessageA(dialog, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
    SendMessageA(dialog, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(link));
    ReleaseDC(dialog, dc);
    EXPECT_TRUE(host->log.empty());
    // SIDEFOLD_MSG_CHILD_BY_ID to a group dialog answers the child of that id.
    EXPECT_EQ(reinterpret_cast<HWND>(SendMessageA(dialog, SIDEFOLD_MSG_CHILD_BY_ID, IDC_SINGLE_LINK, 0)), link);
}

TEST_F(BarGroups, AnOwnerThatPaintsTheDialogBackgroundIsAskedFirst)
{
    ASSERT_EQ(add(describeGroup(4, IDD_GROUP_SINGLE, host->window(), SIDEFOLD_HEADER_OWNER_PAINTS)), 1);
    ASSERT_EQ(add(describeGroup(5, IDD_GROUP_SINGLE, host->window())), 1);
    SidefoldPaintRequest seen{};
    int asked = 0;
    host->onForwarded = [&](const SidefoldForwardedMessage& r) -> LRESULT {
        if (r.message != SIDEFOLD_MSG_PAINT_BACKGROUND) return 0;
        ++asked;
        seen = *reinterpret_cast<const SidefoldPaintRequest*>(r.wParam);
        return 1;
    };
    for (int id : {4, 5}) {
        HWND dialog = dialogOf(id);
        HDC dc = GetDC(dialog);
        SendMessageA(dialog, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
        ReleaseDC(dialog, dc);
    }
    EXPECT_EQ(asked, 1) << "only the group whose header style has SIDEFOLD_HEADER_OWNER_PAINTS";
    RECT client;
    GetClientRect(dialogOf(4), &client);
    EXPECT_EQ(seen.size, sizeof(SidefoldPaintRequest));
    EXPECT_EQ(seen.width, client.right);
    EXPECT_EQ(seen.height, client.bottom);
    EXPECT_EQ(seen.toPaint, nullptr);
}

TEST_F(BarGroups, ACallbackReceivesTheMessagesInsteadOfTheOwner)
{
    callbackSeen.clear();
    SidefoldGroupDescription d = describeGroup(5, IDD_GROUP_SINGLE, host->window());
    d.callback = &recordingCallback;
    ASSERT_EQ(add(d), 1);
    ASSERT_FALSE(callbackSeen.empty());
    EXPECT_EQ(callbackSeen.front(), static_cast<UINT>(WM_INITDIALOG));
    EXPECT_TRUE(host->log.empty());
    // No owner and no callback: nothing goes anywhere, and the group still works.
    ASSERT_EQ(add(describeGroup(6, IDD_GROUP_SINGLE, nullptr)), 1);
    EXPECT_EQ(SendMessageA(bar, SIDEFOLD_BAR_EXPAND_ID, 6, 0), 1);
}

TEST_F(BarGroups, ExpandAndCollapseTellTheHeaderAndNotifyTheOwner)
{
    ASSERT_EQ(add(describeGroup(1, IDD_GROUP_SINGLE, host->window())), 1);
    HWND dialog = dialogOf(1), header = headerOf(1);
    EXPECT_EQ(SendMessageA(header, SIDEFOLD_HEADER_IS_EXPANDED, 0, 0), 0);

    EXPECT_EQ(SendMessageA(bar, SIDEFOLD_BAR_EXPAND_AT, 0, 0), 1);
    EXPECT_EQ(SendMessageA(header, SIDEFOLD_HEADER_IS_EXPANDED, 0, 0), 1);
    EXPECT_TRUE(shown(dialog));
    ASSERT_TRUE(waitForNotice(0));
    const Forwarded notice = host->only(WM_NOTIFY).back();
    EXPECT_EQ(notice.idFrom, 1u);
    EXPECT_EQ(notice.dialog, dialog);

    // Expanding an expanded group changes nothing and says so with 1.
    const size_t notices = host->only(WM_NOTIFY).size();
    EXPECT_EQ(SendMessageA(bar, SIDEFOLD_BAR_EXPAND_ID, 1, 0), 1);
    EXPECT_EQ(SendMessageA(bar, SIDEFOLD_BAR_COLLAPSE_ID, 1, 0), 1);
    EXPECT_FALSE(shown(dialog));
    EXPECT_EQ(SendMessageA(header, SIDEFOLD_HEADER_IS_EXPANDED, 0, 0), 0);
    ASSERT_TRUE(waitForNotice(1));
    EXPECT_EQ(host->only(WM_NOTIFY).size(), notices + 1) << "no notice for the expand that changed nothing";
    EXPECT_EQ(SendMessageA(bar, SIDEFOLD_BAR_COLLAPSE_AT, 0, 0), 1);

    // By-index and by-id messages that match no group.
    EXPECT_EQ(SendMessageA(bar, SIDEFOLD_BAR_EXPAND_AT, 5, 0), 0);
    EXPECT_EQ(SendMessageA(bar, SIDEFOLD_BAR_COLLAPSE_ID, 99, 0), 0);
    EXPECT_EQ(SendMessageA(bar, SIDEFOLD_BAR_HEADER_AT, 1, 0), 0);
    EXPECT_EQ(SendMessageA(bar, SIDEFOLD_BAR_DIALOG_ID, 2, 0), 0);
    EXPECT_EQ(SendMessageA(bar, SIDEFOLD_BAR_SHOW_ID, 2, 0), 0);
    EXPECT_EQ(SendMessageA(bar, SIDEFOLD_BAR_SHOW_AT, 0, 0), 1);
    EXPECT_EQ(SendMessageA(bar, SIDEFOLD_BAR_RESERVED_14, 0, 0), 0);
    EXPECT_EQ(SendMessageA(bar, SIDEFOLD_BAR_RESERVED_15, 1, 1), 0);
    EXPECT_EQ(SendMessageA(bar, SIDEFOLD_BAR_INTERACTIVE, 0, 0), 1);
}

TEST_F(BarGroups, TheExpandedBitOpensTheGroupAsItIsAdded)
{
    ASSERT_EQ(add(describeGroup(110, IDD_GROUP_LINKS, host->window(), kMainStretching)), 1);
    EXPECT_EQ(SendMessageA(headerOf(110), SIDEFOLD_HEADER_IS_EXPANDED, 0, 0), 1);
    EXPECT_TRUE(shown(dialogOf(110)));
    EXPECT_EQ(GetWindowLongA(headerOf(110), GWL_STYLE) & (SIDEFOLD_HEADER_EXPANDED | WS_VISIBLE), WS_VISIBLE);
    // A template that asks to be visible is hidden until its group expands.
    ASSERT_EQ(add(describeGroup(113, IDD_VISIBLE, host->window())), 1);
    EXPECT_FALSE(shown(dialogOf(113)));
}

TEST_F(BarGroups, InsertPositionsAndRemoval)
{
    for (int id : {1, 2}) ASSERT_EQ(add(describeGroup(id, IDD_GROUP_SINGLE, host->window())), 1);
    ASSERT_EQ(add(describeGroup(3, IDD_GROUP_SINGLE, host->window()), 0), 1);
    ASSERT_EQ(add(describeGroup(4, IDD_GROUP_SINGLE, host->window()), 1), 1);
    ASSERT_EQ(add(describeGroup(5, IDD_GROUP_SINGLE, host->window()), 99), 1);
    EXPECT_EQ(groupIds(bar), (std::vector<int>{3, 4, 1, 2, 5}));

    HWND dialog = dialogOf(1);
    host->log.clear();
    EXPECT_EQ(SendMessageA(bar, SIDEFOLD_BAR_REMOVE_ID, 1, 0), 1);
    EXPECT_FALSE(IsWindow(dialog));
    EXPECT_EQ(host->only(WM_DESTROY).size(), 1u) << "the owner hears its dialog go";
    EXPECT_EQ(SendMessageA(bar, SIDEFOLD_BAR_REMOVE_AT, 0, 0), 1);
    EXPECT_EQ(groupIds(bar), (std::vector<int>{4, 2, 5}));
    EXPECT_EQ(SendMessageA(bar, SIDEFOLD_BAR_REMOVE_AT, 3, 0), 0);
    EXPECT_EQ(SendMessageA(bar, SIDEFOLD_BAR_REMOVE_ID, 1, 0), 0);
}

TEST_F(BarGroups, TheDescriptionComesBackAsGivenAndOnlyIntoARecordOfTheRightSize)
{
    SidefoldGroupDescription given = describeGroup(42, IDD_GROUP_SINGLE, host->window(), kPlainRolling, "Web Gallery");
    given.headerExStyle = WS_EX_RIGHT;
    ASSERT_EQ(add(given), 1);
    SidefoldGroupDescription out{};
    out.size = sizeof(out);
    ASSERT_EQ(SendMessageA(bar, SIDEFOLD_BAR_DESCRIPTION_ID, 42, reinterpret_cast<LPARAM>(&out)), 1);
    EXPECT_EQ(std::memcmp(&out, &given, sizeof(out)), 0);

    SidefoldGroupDescription wrong{};
    wrong.size = 64 + 1;
    EXPECT_EQ(SendMessageA(bar, SIDEFOLD_BAR_DESCRIPTION_AT, 0, reinterpret_cast<LPARAM>(&wrong)), 0);
    EXPECT_EQ(wrong.groupId, 0) << "nothing written";
    EXPECT_EQ(SendMessageA(bar, SIDEFOLD_BAR_DESCRIPTION_AT, 0, 0), 0);
}

TEST_F(BarGroups, BadDescriptionsFailAndLeaveNothingBehind)
{
    SidefoldGroupDescription d = describeGroup(9, IDD_GROUP_SINGLE, host->window());
    d.size = 64 + 4;
    EXPECT_EQ(add(d), 0);
    EXPECT_EQ(SendMessageA(bar, SIDEFOLD_BAR_ADD_GROUP, static_cast<WPARAM>(-1), 0), 0);
    EXPECT_EQ(SendMessageA(bar, SIDEFOLD_BAR_ADD_GROUP, static_cast<WPARAM>(-1), 0x10), 0) << "unreadable";
    d = describeGroup(9, 999, host->window());  // no such template
    EXPECT_EQ(add(d), 0);
    d = describeGroup(9, IDD_GROUP_SINGLE, host->window());
    d.title = reinterpret_cast<const char*>(0x10);  // an unreadable title gives an empty header text
    EXPECT_EQ(add(d), 1);
    EXPECT_EQ(groupIds(bar), std::vector<int>{9});
    // Only the windows of that one group are the bar's children.
    int children = 0;
    for (HWND c = GetWindow(bar, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) ++children;
    EXPECT_EQ(children, 2);
}

TEST_F(BarGroups, AHeaderTooltipAsksTheOwnerWithTheGroupId)
{
    ASSERT_EQ(add(describeGroup(111, IDD_GROUP_SINGLE, host->window())), 1);
    HWND header = headerOf(111);
    host->onForwarded = [](const SidefoldForwardedMessage& r) -> LRESULT {
        if (r.message != WM_NOTIFY) return 0;
        auto* request = reinterpret_cast<NMTTDISPINFOA*>(r.lParam);
        if (static_cast<int>(request->hdr.code) != SIDEFOLD_NOTIFY_HEADER_TOOLTIP) return 0;
        lstrcpynA(request->szText, "Images Management", sizeof(request->szText));
        return 1;
    };
    NMTTDISPINFOA request{};
    request.hdr.hwndFrom = header;
    request.hdr.idFrom = 1;
    request.hdr.code = static_cast<UINT>(SIDEFOLD_NOTIFY_HEADER_TOOLTIP);
    request.lpszText = request.szText;
    EXPECT_EQ(SendMessageA(bar, WM_NOTIFY, 1, reinterpret_cast<LPARAM>(&request)), 1);
    EXPECT_STREQ(request.szText, "Images Management");
    EXPECT_EQ(request.lpszText, request.szText);
    ASSERT_EQ(host->only(WM_NOTIFY).size(), 1u);
    EXPECT_EQ(host->only(WM_NOTIFY)[0].idFrom, 111u);
    EXPECT_EQ(host->only(WM_NOTIFY)[0].lParam, SIDEFOLD_NOTIFY_HEADER_TOOLTIP);
    EXPECT_EQ(request.hdr.idFrom, 1u) << "the tooltip keeps its own header";
}

TEST_F(BarGroups, SubSectionsEndAtAStaticOfAHighId)
{
    ASSERT_EQ(add(describeGroup(112, IDD_GROUP_SECTIONS, host->window())), 1);
    HWND dialog = dialogOf(112);
    EXPECT_EQ(GetDlgItem(dialog, 65535), nullptr);
    EXPECT_NE(GetDlgItem(dialog, IDC_AFTER_SECTION), nullptr);
    EXPECT_NE(GetDlgItem(dialog, IDC_SUB_HEADER), nullptr);
}

TEST_F(BarGroups, OrdinaryControlsAskingForTheirBackgroundGetARealBrush)
{
    ASSERT_EQ(add(describeGroup(1, IDD_GROUP_LINKS, host->window(), SIDEFOLD_HEADER_EXPANDED)), 1);
    HWND dialog = dialogOf(1);
    HDC dc = GetDC(dialog);
    const auto brush =
        reinterpret_cast<HGDIOBJ>(SendMessageA(dialog, WM_CTLCOLORBTN, reinterpret_cast<WPARAM>(dc),
                                               reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDC_BUTTON_DEFAULT))));
    EXPECT_EQ(GetObjectType(brush), static_cast<DWORD>(OBJ_BRUSH)) << "an ordinary button painted with a bad brush";
    EXPECT_EQ(GetBkMode(dc), TRANSPARENT);
    // A library control keeps its protocol: its background painted, and a non-zero answer.
    EXPECT_EQ(SendMessageA(dialog, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                           reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDC_LINK_A))),
              1);
    ReleaseDC(dialog, dc);
}
