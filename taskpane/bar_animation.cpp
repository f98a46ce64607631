#include "taskpane/bar_animation.h"

#include <vector>

#include "taskpane/bar_background.h"
#include "taskpane/bar_layout.h"
#include "taskpane/library.h"

namespace sidefold {

namespace {

HBITMAP bitmapFor(HDC dc, int w, int h) { return w > 0 && h > 0 ? CreateCompatibleBitmap(dc, w, h) : nullptr; }

// A control that is not ours, printed over the part of the snapshot it covers: through a bitmap
// of its own size, so that nothing it draws lands outside its place.
void printForeignControl(HDC snapshotDc, HWND control, const RECT& place)
{
    const int w = place.right - place.left, h = place.bottom - place.top;
    HBITMAP bitmap = bitmapFor(snapshotDc, w, h);
    HDC dc = bitmap ? CreateCompatibleDC(snapshotDc) : nullptr;
    if (!dc) {
        if (bitmap) DeleteObject(bitmap);
        return;
    }
    HGDIOBJ old = SelectObject(dc, bitmap);
    BitBlt(dc, 0, 0, w, h, snapshotDc, place.left, place.top, SRCCOPY);
    SendMessageA(control, WM_PRINT, reinterpret_cast<WPARAM>(dc),
                 PRF_NONCLIENT | PRF_CLIENT | PRF_CHILDREN | PRF_OWNED);
    BitBlt(snapshotDc, place.left, place.top, w, h, dc, 0, 0, SRCCOPY);
    SelectObject(dc, old);
    DeleteDC(dc);
    DeleteObject(bitmap);
}

// The dialog as it looks open: its task-list box, then every visible control at its place. Each
// control is asked on its own: a dialog's WM_PRINT need not take its children along.
void paintSnapshot(const GroupRecord& group, HDC dc)
{
    SendMessageA(group.dialog, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
    for (const ChildLayout& c : group.children) {
        if (!c.visible || !(GetWindowLongA(c.window, GWL_STYLE) & WS_VISIBLE)) continue;
        RECT place;
        GetWindowRect(c.window, &place);
        MapWindowPoints(nullptr, group.dialog, reinterpret_cast<POINT*>(&place), 2);
        if (c.library) {
            // Ours paint through a memory bitmap of their client area into the DC they are given.
            POINT client{0, 0};
            MapWindowPoints(c.window, group.dialog, &client, 1);
            POINT before;
            SetViewportOrgEx(dc, client.x, client.y, &before);
            SendMessageA(c.window, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
            SetViewportOrgEx(dc, before.x, before.y, nullptr);
        } else {
            printForeignControl(dc, c.window, place);
        }
    }
}

HBITMAP snapshot(HWND bar, const GroupRecord& group, HDC screen, int w, int h)
{
    HBITMAP bitmap = bitmapFor(screen, w, h);
    HDC dc = bitmap ? CreateCompatibleDC(screen) : nullptr;
    if (!dc) {
        if (bitmap) DeleteObject(bitmap);
        return nullptr;
    }
    HGDIOBJ old = SelectObject(dc, bitmap);
    // A hidden dialog is shown for the moment, out of sight below the bar, so that its controls
    // paint as they do on screen.
    const bool hidden = !IsWindowVisible(group.dialog);
    RECT was{};
    if (hidden) {
        GetWindowRect(group.dialog, &was);
        MapWindowPoints(nullptr, bar, reinterpret_cast<POINT*>(&was), 2);
        RECT client;
        GetClientRect(bar, &client);
        SetWindowPos(group.dialog, nullptr, was.left, client.bottom + 1024, 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_SHOWWINDOW);
    }
    paintSnapshot(group, dc);
    if (hidden)
        SetWindowPos(group.dialog, nullptr, was.left, was.top, 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_HIDEWINDOW);
    SelectObject(dc, old);
    DeleteDC(dc);
    return bitmap;
}

// Frame k of the stretch: the snapshot squeezed to h(k) rows, blended over the pane under it.
HBITMAP stretchedFrame(const BarRecord& bar, HDC screen, HDC shot, int w, int d, int k, const RECT& place)
{
    const int h = frameHeight(k, d);
    HBITMAP frame = bitmapFor(screen, w, h);
    HDC dc = frame ? CreateCompatibleDC(screen) : nullptr;
    if (!dc) {
        if (frame) DeleteObject(frame);
        return nullptr;
    }
    HGDIOBJ old = SelectObject(dc, frame);
    copyBackground(bar, dc, 0, 0, {place.left, place.top, place.left + w, place.top + h});
    HBITMAP squeezed = bitmapFor(screen, w, h);
    HDC sq = squeezed ? CreateCompatibleDC(screen) : nullptr;
    if (sq) {
        HGDIOBJ oldSq = SelectObject(sq, squeezed);
        SetStretchBltMode(sq, COLORONCOLOR);  // each row the nearest row of the snapshot
        StretchBlt(sq, 0, 0, w, h, shot, 0, 0, w, d, SRCCOPY);
        const BLENDFUNCTION blend{AC_SRC_OVER, 0, static_cast<BYTE>(frameAlpha(k)), 0};
        GdiAlphaBlend(dc, 0, 0, w, h, sq, 0, 0, w, h, blend);
        SelectObject(sq, oldSq);
        DeleteDC(sq);
    }
    if (squeezed) DeleteObject(squeezed);
    SelectObject(dc, old);
    DeleteDC(dc);
    return frame;
}

// Moves the headers and dialogs of the groups below by dy.
void moveBelow(const GroupRecord& group, int dy)
{
    if (!dy) return;
    for (GroupRecord* g = group.next; g; g = g->next) {
        g->position.y += dy;
        g->contentTop += dy;
        for (HWND w : {g->header, g->dialog}) {
            RECT r;
            GetWindowRect(w, &r);
            MapWindowPoints(nullptr, GetParent(w), reinterpret_cast<POINT*>(&r), 2);
            SetWindowPos(w, nullptr, r.left, r.top + dy, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        }
    }
}

// Frames are drawn over the group's own dialog (a closing one stays shown under them), but never
// over the other groups' headers and dialogs, which move with the frames: the DC clips those out
// as they stand now.
void clipToFrames(HWND bar, const GroupRecord& group, HDC dc)
{
    SelectClipRgn(dc, nullptr);
    for (HWND child = GetWindow(bar, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        if (child == group.dialog || !IsWindowVisible(child)) continue;
        RECT r;
        GetWindowRect(child, &r);
        MapWindowPoints(nullptr, bar, reinterpret_cast<POINT*>(&r), 2);
        ExcludeClipRect(dc, r.left, r.top, r.right, r.bottom);
    }
}

// Puts what was drawn on the screen now. Where windows draw into a surface that the system
// copies to the screen while a thread looks at its queue (Wine does), a frame drawn after the
// pump would otherwise appear only at the next frame's pump, half-painted. A look for a message
// the bar never has finds none and costs nothing elsewhere.
void presentFrame(HWND bar)
{
    GdiFlush();
    MSG none;
    PeekMessageA(&none, bar, WM_NULL, WM_NULL, PM_NOREMOVE | PM_NOYIELD);
}

}  // namespace

bool animateGroup(HWND window, BarRecord& bar, GroupRecord& group, DWORD mode, bool opening)
{
    const GroupGeometry& geometry = currentGeometry(bar, group);
    const int w = geometry.dialog.right, d = geometry.dialog.bottom - geometry.dialog.top;
    const RECT place{group.position.x, group.position.y + geometry.dialog.top, group.position.x + w,
                     group.position.y + geometry.dialog.bottom};
    HDC screen = GetDCEx(window, nullptr, DCX_CACHE | DCX_CLIPSIBLINGS);
    if (!screen) return false;
    HBITMAP shot = snapshot(window, group, screen, w, d);
    HDC shotDc = shot ? CreateCompatibleDC(screen) : nullptr;
    if (!shotDc) {
        if (shot) DeleteObject(shot);
        ReleaseDC(window, screen);
        return false;
    }
    HGDIOBJ oldShot = SelectObject(shotDc, shot);
    // Every frame is made before the first is shown.
    std::vector<HBITMAP> frames(kAnimationFrames + 1, nullptr);
    if (mode & SIDEFOLD_ANIMATE_STRETCH)
        for (int k = 1; k < kAnimationFrames; ++k) frames[k] = stretchedFrame(bar, screen, shotDc, w, d, k, place);
    HDC frameDc = CreateCompatibleDC(screen);
    auto show = [&](int k) {
        const int h = frameHeight(k, d);
        if ((mode & SIDEFOLD_ANIMATE_STRETCH) && frames[k] && frameDc) {
            HGDIOBJ old = SelectObject(frameDc, frames[k]);
            BitBlt(screen, place.left, place.top, w, h, frameDc, 0, 0, SRCCOPY);
            SelectObject(frameDc, old);
        } else {
            BitBlt(screen, place.left, place.top, w, h, shotDc, 0, d - h, SRCCOPY);  // the bottom rows roll out
        }
        // What the dialog no longer covers shows the pane again.
        if (h < d)
            copyBackground(bar, screen, place.left, place.top + h,
                           {place.left, place.top + h, place.right, place.bottom});
    };
    int shownHeight = opening ? 0 : d;
    const int first = opening ? 1 : kAnimationFrames - 1, last = opening ? kAnimationFrames : 1;
    // Each frame: the groups below move, what they uncovered is painted, and only then the frame
    // is drawn, so that no painting wipes a frame that is already on screen.
    // A closing dialog stays shown under its frames, cut to each frame's height: it must not
    // paint (it does not clip its siblings) over the headers that move up into its place.
    const bool closingShown = !opening && IsWindowVisible(group.dialog);
    for (int k = first;; k += opening ? 1 : -1) {
        const int h = frameHeight(k, d);
        if (closingShown) {
            HRGN cut = CreateRectRgn(0, 0, w, h);
            if (cut && !SetWindowRgn(group.dialog, cut, TRUE)) DeleteObject(cut);
        }
        moveBelow(group, h - shownHeight);
        shownHeight = h;
        pumpPaint(bar);
        clipToFrames(window, group, screen);
        show(k);
        presentFrame(window);
        clock().sleep(kFrameMilliseconds);
        if (k == last) break;
    }
    if (!opening) {
        // Hidden only now: hidden before the frames, the pane was painted over the first one.
        if (closingShown) {
            ShowWindow(group.dialog, SW_HIDE);
            SetWindowRgn(group.dialog, nullptr, FALSE);
        }
        moveBelow(group, -shownHeight);  // the rest, so they moved by d in all
        pumpPaint(bar);
        clipToFrames(window, group, screen);
        copyBackground(bar, screen, place.left, place.top, place);
        presentFrame(window);
    }
    if (frameDc) DeleteDC(frameDc);
    for (HBITMAP f : frames)
        if (f) DeleteObject(f);
    SelectObject(shotDc, oldShot);
    DeleteDC(shotDc);
    DeleteObject(shot);
    ReleaseDC(window, screen);
    return true;
}

}  // namespace sidefold
