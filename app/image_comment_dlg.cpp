// The image comment dialog.

#include "app/image_comment_dlg.h"

#include <algorithm>
#include <optional>
#include <vector>

#include "app/thumbnail_source.h"
#include "gallery/thumbnail_cache.h"
#include "picture/picture.h"
#include "picture/picture_shown.h"
#include "resources/resource.h"
#include "winui/dpi.h"
#include "winui/text.h"

namespace {

constexpr int kSideMargin = 18;
constexpr int kMaxPreviewHeight = 288;

}  // namespace

SIZE commentPreviewSize(uint32_t width, uint32_t height, int clientWidth, int dpi, int tallest)
{
    int64_t w = width, h = height;
    const int64_t across = clientWidth - winui::scaled(kSideMargin, dpi);
    int64_t highest = winui::scaled(kMaxPreviewHeight, dpi);
    if (tallest > 0) highest = std::min<int64_t>(highest, tallest);
    if (w <= 0 || h <= 0 || across <= 0) return SIZE{0, 0};
    if (w > across) {
        h = across * h / w;
        w = across;
    }
    if (h > highest) {
        w = w * highest / h;
        h = highest;
    }
    return SIZE{static_cast<LONG>(std::max<int64_t>(w, 1)), static_cast<LONG>(std::max<int64_t>(h, 1))};
}

CImageCommentDlg::CImageCommentDlg(const Image& image) : CDialog(IDD_IMAGE_COMMENT), image_(image) {}

const winui::MessageMapBase* CImageCommentDlg::messageMap() const
{
    static const auto map = winui::MessageMap<CImageCommentDlg>()
                                .on<WM_INITDIALOG>(&CImageCommentDlg::onInitDialog)
                                .on<WM_DESTROY>(&CImageCommentDlg::onDestroy)
                                .command(IDOK, &CImageCommentDlg::onOk);
    return &map;
}

bool CImageCommentDlg::run(HWND owner) { return runModal(owner) == IDOK; }

HWND CImageCommentDlg::create(HWND owner) { return createModeless(owner) ? hwnd() : nullptr; }

bool CImageCommentDlg::onInitDialog()
{
    comment_ = image_.comment;
    setItemText(IDC_COMMENT_TEXT, winui::toCrLf(winui::widen(image_.comment)));
    SendMessageW(item(IDC_COMMENT_TEXT), EM_SETMODIFY, FALSE, 0);
    setItemText(IDC_COMMENT_PATH, winui::widen(image_.path));
    showPicture();
    return true;
}

// The picture, turned and fitted, centred on the preview box; none when it does not load.
void CImageCommentDlg::showPicture()
{
    HWND control = item(IDC_COMMENT_PICTURE);
    if (!control) return;
    const int clientWidth = winui::clientSize(hwnd()).cx;
    // The frame is laid out in dialog units and so scales with the screen; the preview's sizes,
    // given in pixels at 96 DPI, must scale with it.
    const int dpi = winui::dpiOf(hwnd());
    // The room the template gives the picture, as the dialog's font laid it out: the scaled sizes
    // may not quite match it, and the picture must not run over the frame around it.
    RECT room{};
    GetWindowRect(control, &room);
    MapWindowPoints(nullptr, hwnd(), reinterpret_cast<POINT*>(&room), 2);
    const int maxHeight = std::max(1, std::min<int>(winui::scaled(kMaxPreviewHeight, dpi), room.bottom - room.top));
    // The preview of a big photo takes a while to decode; a second look comes from the thumbnail
    // cache, kept for this dialog width.
    const std::optional<ThumbnailKey> key =
        ThumbnailCache::keyOf(image_.path, image_.rotation, static_cast<uint32_t>(std::max(clientWidth, 0)),
                              static_cast<uint32_t>(maxHeight));
    CPicture picture;
    SIZE size{};
    if (key && sharedThumbnailCache().find(*key, picture)) {
        size = SIZE{static_cast<LONG>(picture.GetWidth()), static_cast<LONG>(picture.GetHeight())};
    } else {
        // Decoded by rows straight to the preview's size, so a large photo is never held whole.
        PictureSizeHint hint =
            PictureSizeHint::fitInto(static_cast<uint32_t>(std::max(clientWidth - winui::scaled(kSideMargin, dpi), 1)),
                                     static_cast<uint32_t>(maxHeight));
        const int turns = ((image_.rotation % 360) + 360) % 360 / 90;
        if (turns % 2 != 0) hint = hint.swapped();
        std::vector<CPicture> made;
        const ShownResult result = loadShownPictures(
            image_.path, hint,
            [&](uint32_t w, uint32_t h) {
                const bool sideways = turns % 2 != 0;
                size = commentPreviewSize(sideways ? h : w, sideways ? w : h, clientWidth, dpi, maxHeight);
                std::vector<ShownSize> sizes;
                if (size.cx > 0 && size.cy > 0)
                    sizes.push_back({static_cast<uint32_t>(size.cx), static_cast<uint32_t>(size.cy), turns});
                return sizes;
            },
            made);
        if (result != ShownResult::Made || made.empty()) {
            ShowWindow(control, SW_HIDE);
            return;
        }
        picture = std::move(made[0]);
        if (key) sharedThumbnailCache().store(*key, picture);
    }
    shown_.reset(picture.MakeBitmap());
    if (!shown_) {
        ShowWindow(control, SW_HIDE);
        return;
    }
    const LONG_PTR style = GetWindowLongPtrW(control, GWL_STYLE);
    SetWindowLongPtrW(control, GWL_STYLE, (style & ~static_cast<LONG_PTR>(SS_TYPEMASK)) | SS_BITMAP);
    SendMessageW(control, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(shown_.get()));
    const int top = std::clamp<int>(winui::scaled(kCommentPreviewCentreY, dpi) - size.cy / 2, room.top,
                                    std::max<int>(room.top, room.bottom - size.cy));
    SetWindowPos(control, nullptr, clientWidth / 2 - size.cx / 2, top, size.cx, size.cy, SWP_NOZORDER | SWP_NOACTIVATE);
}

void CImageCommentDlg::onOk()
{
    HWND edit = item(IDC_COMMENT_TEXT);
    if (edit && SendMessageW(edit, EM_GETMODIFY, 0, 0)) {
        comment_ = winui::narrow(winui::windowText(edit));
    }
    end(IDOK);
}

void CImageCommentDlg::onDestroy()
{
    if (!shown_) return;
    // The control may have made its own copy; both are ours to free.
    winui::UniqueBitmap held(
        reinterpret_cast<HBITMAP>(SendMessageW(item(IDC_COMMENT_PICTURE), STM_SETIMAGE, IMAGE_BITMAP, 0)));
    if (held.get() == shown_.get()) held.release();
    shown_.reset();
}
