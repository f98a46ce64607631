#include "sidefold_host.h"

HostWindow::HostWindow(DWORD style)
{
    static const ATOM atom = [] {
        WNDCLASSEXA wc{};
        wc.cbSize = sizeof(wc);
        wc.lpfnWndProc = &HostWindow::procedure;
        wc.hInstance = testModule();
        wc.lpszClassName = "SidefoldTestHost";
        return RegisterClassExA(&wc);
    }();
    (void)atom;
    window_ =
        CreateWindowExA(0, "SidefoldTestHost", "Host", style, 0, 0, 400, 600, nullptr, nullptr, testModule(), this);
}

HostWindow::~HostWindow()
{
    if (IsWindow(window_)) DestroyWindow(window_);
}

std::vector<Forwarded> HostWindow::only(UINT message) const
{
    std::vector<Forwarded> out;
    for (const Forwarded& f : log)
        if (f.message == message) out.push_back(f);
    return out;
}

LRESULT CALLBACK HostWindow::procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE) {
        SetWindowLongPtrA(window, GWLP_USERDATA,
                          reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams));
    }
    auto* self = reinterpret_cast<HostWindow*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (self && message == WM_PARENTNOTIFY) self->parentNotices.push_back(LOWORD(wParam));
    if (self && message == WM_COMMAND) self->commands.push_back(wParam);
    if (self && message == WM_DRAWITEM) {
        self->drawn.push_back(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
        return TRUE;
    }
    if (self && message == SIDEFOLD_MSG_FORWARDED && wParam == SIDEFOLD_FORWARDED_TAG && lParam) {
        // The record lives on the bar thread's stack: copy what matters now.
        const auto& r = *reinterpret_cast<const SidefoldForwardedMessage*>(lParam);
        Forwarded f{r.dialog,
                    r.groupId,
                    r.message,
                    r.wParam,
                    r.lParam,
                    0,
                    GetCurrentThreadId(),
                    (InSendMessageEx(nullptr) & ISMEX_SEND) != 0};
        if (r.message == WM_NOTIFY && r.lParam) {
            f.lParam = static_cast<LPARAM>(static_cast<int>(reinterpret_cast<const NMHDR*>(r.lParam)->code));
            f.idFrom = reinterpret_cast<const NMHDR*>(r.lParam)->idFrom;
        }
        self->log.push_back(f);
        return self->onForwarded ? self->onForwarded(r) : 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

::testing::AssertionResult sameSequence(const std::vector<Forwarded>& log, std::initializer_list<Expected> table)
{
    auto describe = [](UINT message, LPARAM code) {
        char text[48];
        wsprintfA(text, code == kAnyCode ? "%04x" : "%04x (code %ld)", message, static_cast<long>(code));
        return std::string(text);
    };
    std::string whole;
    for (const Forwarded& f : log) whole += describe(f.message, f.message == WM_NOTIFY ? f.lParam : kAnyCode) + " ";
    size_t at = 0;
    int line = 0;
    for (const Expected& e : table) {
        const bool same =
            at < log.size() && log[at].message == e.message && (e.code == kAnyCode || log[at].lParam == e.code);
        if (same) {
            if (log[at].thread != GetCurrentThreadId() || !log[at].sent)
                return ::testing::AssertionFailure() << "line " << line << " not sent to the owner's thread";
            ++at;
        } else if (!e.optional) {
            return ::testing::AssertionFailure()
                   << "line " << line << ": expected " << describe(e.message, e.code) << ", log: " << whole;
        }
        ++line;
    }
    if (at != log.size()) return ::testing::AssertionFailure() << "unexpected messages at the end, log: " << whole;
    return ::testing::AssertionSuccess();
}

std::vector<int> groupIds(HWND bar)
{
    std::vector<int> ids;
    for (WPARAM i = 0;; ++i) {
        SidefoldGroupDescription d{};
        d.size = sizeof(d);
        if (!SendMessageA(bar, SIDEFOLD_BAR_DESCRIPTION_AT, i, reinterpret_cast<LPARAM>(&d))) break;
        ids.push_back(d.groupId);
    }
    return ids;
}

namespace {

// The library is loaded before the first test, so that its own theme record comes from the
// registry as the Wine prefix has it, whatever a test writes there later.
class LoadTheLibrary : public ::testing::Environment {
public:
    void SetUp() override { sidefold(); }
};

const auto* const environment = ::testing::AddGlobalTestEnvironment(new LoadTheLibrary);

}  // namespace
