#include "winui/message_map.h"

namespace winui {

namespace {

// Menus send 0, accelerators 1, and a button's click is BN_CLICKED (0): all run the command.
bool isCommandCode(UINT code) { return code == 0 || code == 1; }

}  // namespace

const MessageMapBase::Entry* MessageMapBase::find(Kind kind, UINT message, UINT id, UINT code) const
{
    for (const Entry& e : entries_) {
        if (e.kind != kind) continue;
        switch (kind) {
        case Kind::Message:
            if (e.message == message) return &e;
            break;
        case Kind::Command:
        case Kind::Update:
            if (id >= e.first && id <= e.last) return &e;
            break;
        case Kind::Control:
        case Kind::Notify:
            if (id == e.first && code == e.code) return &e;
            break;
        }
    }
    return base_ ? base_->find(kind, message, id, code) : nullptr;
}

bool MessageMapBase::dispatch(CWindow& window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) const
{
    if (message == WM_COMMAND) {
        const UINT id = LOWORD(wParam), code = HIWORD(wParam);
        if (const Entry* e = find(Kind::Control, 0, id, code)) {
            result = e->call(window, wParam, lParam);
            return true;
        }
        if (isCommandCode(code) && runCommand(window, id, code)) {
            result = 0;
            return true;
        }
    } else if (message == WM_NOTIFY && lParam) {
        const auto* header = reinterpret_cast<const NMHDR*>(lParam);
        if (const Entry* e = find(Kind::Notify, 0, static_cast<UINT>(header->idFrom), header->code)) {
            result = e->call(window, wParam, lParam);
            return true;
        }
    }
    if (const Entry* e = find(Kind::Message, message, 0, 0)) {
        result = e->call(window, wParam, lParam);
        return true;
    }
    return false;
}

bool MessageMapBase::runCommand(CWindow& window, UINT id, UINT code) const
{
    if (!isCommandCode(code)) return false;
    const Entry* e = find(Kind::Command, 0, id, 0);
    if (!e) return false;
    e->call(window, id, 0);
    return true;
}

bool MessageMapBase::runUpdate(CWindow& window, CCommandState& state) const
{
    const Entry* e = find(Kind::Update, 0, state.id(), 0);
    if (!e) return false;
    e->call(window, 0, reinterpret_cast<LPARAM>(&state));
    return true;
}

}  // namespace winui
