#pragma once
// Message dispatch tables. A window class lists, once, which handler takes which window
// message, command id or control notification; the table unpacks wParam/lParam into typed
// arguments, so handlers never see raw parameters unless the message is one of our own.
//
//   const winui::MessageMapBase* CAlbumDlg::messageMap() const
//   {
//       static const auto map = winui::MessageMap<CAlbumDlg>()
//           .on<WM_INITDIALOG>(&CAlbumDlg::onInitDialog)
//           .command(IDOK, &CAlbumDlg::onOk);
//       return &map;
//   }
//
// Handler signatures are fixed per message by the Crack<> specialisations below.
//
// A derived class's table may chain to its base class's table: what the derived table does not
// list is looked up there, so a framework base keeps its own entries without a dispatch() override.
//
//   static const auto map = winui::MessageMap<CTaskPaneBar>().chain(CResizableBar::barMap())
//       .on<WM_SIZE>(&CTaskPaneBar::onSize);

#include <windows.h>

#include <functional>
#include <utility>
#include <vector>

#include "winui/command.h"

namespace winui {

class CWindow;

// How one message is unpacked for its handler and how the handler's answer is packed.
template <UINT Message> struct Crack;

template <> struct Crack<WM_CREATE> {  // bool (const CREATESTRUCTW&); false fails the creation
    template <class T, class H> static LRESULT call(T& t, H h, WPARAM, LPARAM l)
    {
        return (t.*h)(*reinterpret_cast<const CREATESTRUCTW*>(l)) ? 0 : -1;
    }
};
template <> struct Crack<WM_INITDIALOG> {  // bool (); true lets the system set the focus
    template <class T, class H> static LRESULT call(T& t, H h, WPARAM, LPARAM) { return (t.*h)() ? TRUE : FALSE; }
};
template <UINT M> struct CrackVoid {  // void ()
    template <class T, class H> static LRESULT call(T& t, H h, WPARAM, LPARAM)
    {
        (t.*h)();
        return 0;
    }
};
template <> struct Crack<WM_DESTROY> : CrackVoid<WM_DESTROY> {
};
template <> struct Crack<WM_CLOSE> : CrackVoid<WM_CLOSE> {
};
template <> struct Crack<WM_PAINT> : CrackVoid<WM_PAINT> {
};
template <> struct Crack<WM_CANCELMODE> : CrackVoid<WM_CANCELMODE> {
};
template <> struct Crack<WM_NCPAINT> : CrackVoid<WM_NCPAINT> {
};
template <> struct Crack<WM_NCCALCSIZE> {  // void (RECT& proposed): shrink it to the client area
    template <class T, class H> static LRESULT call(T& t, H h, WPARAM, LPARAM l)
    {
        (t.*h)(*reinterpret_cast<RECT*>(l));  // also the first rectangle of NCCALCSIZE_PARAMS
        return 0;
    }
};
template <> struct Crack<WM_NCLBUTTONDOWN> {  // void (UINT hitTest, POINT screen)
    template <class T, class H> static LRESULT call(T& t, H h, WPARAM w, LPARAM l)
    {
        (t.*h)(static_cast<UINT>(w), POINT{static_cast<short>(LOWORD(l)), static_cast<short>(HIWORD(l))});
        return 0;
    }
};
template <> struct Crack<WM_SETTEXT> {  // LRESULT (const wchar_t*): the default's answer
    template <class T, class H> static LRESULT call(T& t, H h, WPARAM, LPARAM l)
    {
        return (t.*h)(reinterpret_cast<const wchar_t*>(l));
    }
};
template <> struct Crack<WM_PRINTCLIENT> {  // void (HDC)
    template <class T, class H> static LRESULT call(T& t, H h, WPARAM w, LPARAM)
    {
        (t.*h)(reinterpret_cast<HDC>(w));
        return 0;
    }
};
template <> struct Crack<WM_KEYDOWN> {  // void (UINT virtualKey)
    template <class T, class H> static LRESULT call(T& t, H h, WPARAM w, LPARAM)
    {
        (t.*h)(static_cast<UINT>(w));
        return 0;
    }
};
template <> struct Crack<WM_MOUSEACTIVATE> {  // UINT (HWND topLevel, UINT hitTest, UINT mouseMessage): MA_*
    template <class T, class H> static LRESULT call(T& t, H h, WPARAM w, LPARAM l)
    {
        return static_cast<LRESULT>(
            (t.*h)(reinterpret_cast<HWND>(w), static_cast<UINT>(LOWORD(l)), static_cast<UINT>(HIWORD(l))));
    }
};
template <> struct Crack<WM_SIZE> {  // void (UINT type, SIZE client)
    template <class T, class H> static LRESULT call(T& t, H h, WPARAM w, LPARAM l)
    {
        (t.*h)(static_cast<UINT>(w), SIZE{LOWORD(l), HIWORD(l)});
        return 0;
    }
};
template <> struct Crack<WM_SETFOCUS> {  // void (HWND lostFocus)
    template <class T, class H> static LRESULT call(T& t, H h, WPARAM w, LPARAM)
    {
        (t.*h)(reinterpret_cast<HWND>(w));
        return 0;
    }
};
template <> struct Crack<WM_ERASEBKGND> {  // bool (HDC); true when the background is done
    template <class T, class H> static LRESULT call(T& t, H h, WPARAM w, LPARAM)
    {
        return (t.*h)(reinterpret_cast<HDC>(w)) ? 1 : 0;
    }
};
template <UINT M> struct CrackMouse {  // void (UINT keys, POINT client)
    template <class T, class H> static LRESULT call(T& t, H h, WPARAM w, LPARAM l)
    {
        (t.*h)(static_cast<UINT>(w), POINT{static_cast<short>(LOWORD(l)), static_cast<short>(HIWORD(l))});
        return 0;
    }
};
template <> struct Crack<WM_LBUTTONDOWN> : CrackMouse<WM_LBUTTONDOWN> {
};
template <> struct Crack<WM_LBUTTONUP> : CrackMouse<WM_LBUTTONUP> {
};
template <> struct Crack<WM_RBUTTONDOWN> : CrackMouse<WM_RBUTTONDOWN> {
};
template <> struct Crack<WM_MOUSEMOVE> : CrackMouse<WM_MOUSEMOVE> {
};
template <> struct Crack<WM_SETCURSOR> {  // bool (HWND over, UINT hitTest); true when the cursor is set
    template <class T, class H> static LRESULT call(T& t, H h, WPARAM w, LPARAM l)
    {
        return (t.*h)(reinterpret_cast<HWND>(w), static_cast<UINT>(LOWORD(l))) ? TRUE : FALSE;
    }
};
template <> struct Crack<WM_CONTEXTMENU> {  // void (HWND clicked, POINT screen); (-1, -1) from the keyboard
    template <class T, class H> static LRESULT call(T& t, H h, WPARAM w, LPARAM l)
    {
        (t.*h)(reinterpret_cast<HWND>(w), POINT{static_cast<short>(LOWORD(l)), static_cast<short>(HIWORD(l))});
        return 0;
    }
};
template <> struct Crack<WM_GETMINMAXINFO> {  // void (MINMAXINFO&), filled in
    template <class T, class H> static LRESULT call(T& t, H h, WPARAM, LPARAM l)
    {
        (t.*h)(*reinterpret_cast<MINMAXINFO*>(l));
        return 0;
    }
};
template <> struct Crack<WM_DPICHANGED> {  // void (int dpi, const RECT& suggested window rectangle)
    template <class T, class H> static LRESULT call(T& t, H h, WPARAM w, LPARAM l)
    {
        (t.*h)(static_cast<int>(HIWORD(w)), *reinterpret_cast<const RECT*>(l));
        return 0;
    }
};
template <> struct Crack<WM_CAPTURECHANGED> {  // void (HWND gaining)
    template <class T, class H> static LRESULT call(T& t, H h, WPARAM, LPARAM l)
    {
        (t.*h)(reinterpret_cast<HWND>(l));
        return 0;
    }
};

template <UINT M> struct CrackCtlColor {  // HBRUSH (HDC, HWND control); null leaves it to the default
    template <class T, class H> static LRESULT call(T& t, H h, WPARAM w, LPARAM l)
    {
        return reinterpret_cast<LRESULT>((t.*h)(reinterpret_cast<HDC>(w), reinterpret_cast<HWND>(l)));
    }
};
template <> struct Crack<WM_CTLCOLORSTATIC> : CrackCtlColor<WM_CTLCOLORSTATIC> {
};
template <> struct Crack<WM_CTLCOLORBTN> : CrackCtlColor<WM_CTLCOLORBTN> {
};
template <> struct Crack<WM_CTLCOLORDLG> : CrackCtlColor<WM_CTLCOLORDLG> {
};
template <> struct Crack<WM_NCHITTEST> {  // UINT (POINT screen): the HT* value
    template <class T, class H> static LRESULT call(T& t, H h, WPARAM, LPARAM l)
    {
        return static_cast<LRESULT>((t.*h)(POINT{static_cast<short>(LOWORD(l)), static_cast<short>(HIWORD(l))}));
    }
};

class MessageMapBase {
public:
    // Window messages, WM_COMMAND (commands and control notifications) and WM_NOTIFY.
    bool dispatch(CWindow& window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) const;
    // A command along the route: menu, toolbar, accelerator or button click of this id.
    bool runCommand(CWindow& window, UINT id, UINT code) const;
    bool runUpdate(CWindow& window, CCommandState& state) const;

protected:
    enum class Kind { Message, Command, Control, Notify, Update };
    using Call = std::function<LRESULT(CWindow&, WPARAM, LPARAM)>;
    struct Entry {
        Kind kind;
        UINT message;  // the window message (Message)
        UINT first;    // id or first id of a range (Command, Control, Notify, Update)
        UINT last;
        UINT code;  // notification code (Control, Notify)
        Call call;
    };
    void add(Kind kind, UINT message, UINT first, UINT last, UINT code, Call call)
    {
        entries_.push_back(Entry{kind, message, first, last, code, std::move(call)});
    }
    void setBase(const MessageMapBase* base) { base_ = base; }

private:
    // This table's entry, else its base's (and so on up).
    const Entry* find(Kind kind, UINT message, UINT id, UINT code) const;
    std::vector<Entry> entries_;
    const MessageMapBase* base_ = nullptr;
};

template <class T> class MessageMap : public MessageMapBase {
public:
    // What this table does not list is looked up in `base`, the table of a base class of T.
    MessageMap& chain(const MessageMapBase* base)
    {
        setBase(base);
        return *this;
    }
    // A window message with its typed handler (see Crack<>).
    template <UINT M, class H> MessageMap& on(H handler)
    {
        add(Kind::Message, M, 0, 0, 0, [handler](CWindow& w, WPARAM wp, LPARAM lp) {
            return Crack<M>::call(static_cast<T&>(w), handler, wp, lp);
        });
        return *this;
    }
    // A message of our own (WM_USER or WM_APP range): wParam and lParam as they come.
    MessageMap& raw(UINT message, LRESULT (T::*handler)(WPARAM, LPARAM))
    {
        add(Kind::Message, message, 0, 0, 0,
            [handler](CWindow& w, WPARAM wp, LPARAM lp) { return (static_cast<T&>(w).*handler)(wp, lp); });
        return *this;
    }
    // A command: menu item, toolbar button, accelerator, or a button's click.
    MessageMap& command(UINT id, void (T::*handler)())
    {
        add(Kind::Command, 0, id, id, 0, [handler](CWindow& w, WPARAM, LPARAM) {
            (static_cast<T&>(w).*handler)();
            return LRESULT{0};
        });
        return *this;
    }
    // Several commands to one handler that is told which.
    MessageMap& commandRange(UINT first, UINT last, void (T::*handler)(UINT id))
    {
        add(Kind::Command, 0, first, last, 0, [handler](CWindow& w, WPARAM id, LPARAM) {
            (static_cast<T&>(w).*handler)(static_cast<UINT>(id));
            return LRESULT{0};
        });
        return *this;
    }
    // A control's WM_COMMAND notification other than a click (EN_CHANGE, LBN_SELCHANGE...).
    MessageMap& control(UINT id, UINT code, void (T::*handler)())
    {
        add(Kind::Control, 0, id, id, code, [handler](CWindow& w, WPARAM, LPARAM) {
            (static_cast<T&>(w).*handler)();
            return LRESULT{0};
        });
        return *this;
    }
    // A WM_NOTIFY notification, with its record typed (NMLISTVIEW, NMTTDISPINFOW...).
    template <class N> MessageMap& notify(UINT id, UINT code, LRESULT (T::*handler)(const N&))
    {
        add(Kind::Notify, 0, id, id, code, [handler](CWindow& w, WPARAM, LPARAM lp) {
            return (static_cast<T&>(w).*handler)(*reinterpret_cast<const N*>(lp));
        });
        return *this;
    }
    // A WM_NOTIFY notification whose record the handler fills in (LVN_GETDISPINFOW, NM_CUSTOMDRAW...).
    template <class N> MessageMap& notifyAnswer(UINT id, UINT code, LRESULT (T::*handler)(N&))
    {
        add(Kind::Notify, 0, id, id, code, [handler](CWindow& w, WPARAM, LPARAM lp) {
            return (static_cast<T&>(w).*handler)(*reinterpret_cast<N*>(lp));
        });
        return *this;
    }
    // The update handler of a command (or of a range of them).
    MessageMap& update(UINT id, void (T::*handler)(CCommandState&)) { return updates(id, id, handler); }
    MessageMap& updates(UINT first, UINT last, void (T::*handler)(CCommandState&))
    {
        add(Kind::Update, 0, first, last, 0, [handler](CWindow& w, WPARAM, LPARAM lp) {
            (static_cast<T&>(w).*handler)(*reinterpret_cast<CCommandState*>(lp));
            return LRESULT{0};
        });
        return *this;
    }
};

}  // namespace winui
