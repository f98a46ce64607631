// The image comment dialog with the program's own template: the preview's size and place, and
// the comment handed back.

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "app/image_comment_dlg.h"
#include "paint_probe.h"
#include "picture/picture.h"
#include "resources/resource.h"
#include "winui/dpi.h"

namespace {

std::string writePicture(const char* name, uint32_t w, uint32_t h)
{
    CPicture picture;
    picture.setPixels(w, h, std::vector<uint8_t>(static_cast<size_t>(w) * h * 4, 200));
    const std::string path = (std::filesystem::temp_directory_path() / name).string();
    EXPECT_TRUE(picture.Save(path, kFormatBmp));
    return path;
}

struct Shown {
    HWND dialog;
    RECT picture;  // in client coordinates
    bool visible;
    int clientWidth;
};

Shown show(CImageCommentDlg& dlg)
{
    HWND dialog = dlg.create(nullptr);
    EXPECT_NE(dialog, nullptr);
    HWND control = GetDlgItem(dialog, IDC_COMMENT_PICTURE);
    RECT r{};
    GetWindowRect(control, &r);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
    RECT client;
    GetClientRect(dialog, &client);
    return {dialog, r, IsWindowVisible(control) != 0 || (GetWindowLongPtrW(control, GWL_STYLE) & WS_VISIBLE) != 0,
            client.right};
}

TEST(ImageCommentDlg, PreviewSizeFitsWidthThenHeightAndNeverEnlarges)
{
    EXPECT_EQ(commentPreviewSize(2000, 1000, 418).cx, 400);
    EXPECT_EQ(commentPreviewSize(2000, 1000, 418).cy, 200);
    EXPECT_EQ(commentPreviewSize(1000, 2000, 418).cx, 144);  // 400 x 800, then 288 high
    EXPECT_EQ(commentPreviewSize(1000, 2000, 418).cy, 288);
    EXPECT_EQ(commentPreviewSize(40, 30, 418).cx, 40);
    EXPECT_EQ(commentPreviewSize(40, 30, 418).cy, 30);
    EXPECT_EQ(commentPreviewSize(0, 30, 418).cx, 0);
}

TEST(ImageCommentDlg, LargePictureIsScaledAndCentredSmallOneKeepsItsSize)
{
    Image large{writePicture("comment-large.bmp", 2000, 1000), 1, 0, ""};
    CImageCommentDlg big(large);
    Shown s = show(big);
    const SIZE want = commentPreviewSize(2000, 1000, s.clientWidth);
    EXPECT_EQ(s.picture.right - s.picture.left, want.cx);
    EXPECT_EQ(s.picture.bottom - s.picture.top, want.cy);
    EXPECT_EQ(s.picture.left, s.clientWidth / 2 - want.cx / 2);
    EXPECT_EQ(s.picture.top, kCommentPreviewCentreY - want.cy / 2);
    DestroyWindow(s.dialog);

    Image small{writePicture("comment-small.bmp", 40, 30), 1, 90, ""};  // turned: 30 x 40
    CImageCommentDlg little(small);
    s = show(little);
    EXPECT_EQ(s.picture.right - s.picture.left, 30);
    EXPECT_EQ(s.picture.bottom - s.picture.top, 40);
    EXPECT_EQ(s.picture.left, s.clientWidth / 2 - 15);
    EXPECT_EQ(s.picture.top, kCommentPreviewCentreY - 20);
    DestroyWindow(s.dialog);
    std::filesystem::remove(large.path);
    std::filesystem::remove(small.path);
}

// At 144 DPI the frame is half as large again, and so is the room the picture gets and its place.
TEST(ImageCommentDlg, ThePreviewScalesWithTheDialog)
{
    EXPECT_EQ(commentPreviewSize(1000, 2000, 627, 144).cy, 432);  // 288 at 96 DPI
    EXPECT_EQ(commentPreviewSize(1000, 2000, 627, 144).cx, 216);
    EXPECT_EQ(commentPreviewSize(3000, 1000, 627, 144).cx, 600);       // 627 less 27, not less 18
    EXPECT_EQ(commentPreviewSize(1000, 2000, 627, 144, 400).cy, 400);  // no taller than the room

    winui::setDpiOverride(144);
    Image tall{writePicture("comment-tall.bmp", 1000, 2000), 1, 0, ""};
    CImageCommentDlg dlg(tall);
    const Shown s = show(dlg);
    winui::setDpiOverride(0);
    // This frame was laid out unscaled: the picture takes the room it has there, and stays in it.
    const int room = MulDiv(180, HIWORD(GetDialogBaseUnits()), 8);
    EXPECT_GT(s.picture.bottom - s.picture.top, 288 * 3 / 4);
    EXPECT_LE(s.picture.bottom - s.picture.top, std::max(room, 288) + 2);
    EXPECT_EQ(s.picture.right - s.picture.left, (s.picture.bottom - s.picture.top) / 2);
    DestroyWindow(s.dialog);
    std::filesystem::remove(tall.path);
}

TEST(ImageCommentDlg, CommentIsEditedAndAPictureThatDoesNotLoadLeavesThePreviewEmpty)
{
    Image image{"C:\\no\\such\\picture.jpg", 1, 0, "first\nsecond"};
    CImageCommentDlg untouched(image);
    Shown s = show(untouched);
    EXPECT_FALSE(s.visible);
    wchar_t text[64] = {};
    GetDlgItemTextW(s.dialog, IDC_COMMENT_TEXT, text, 64);
    EXPECT_STREQ(text, L"first\r\nsecond");
    GetDlgItemTextW(s.dialog, IDC_COMMENT_PATH, text, 64);
    EXPECT_STREQ(text, L"C:\\no\\such\\picture.jpg");
    SendMessageW(s.dialog, WM_COMMAND, IDOK, 0);
    EXPECT_EQ(untouched.comment(), "first\nsecond") << "an untouched comment comes back as it was";

    CImageCommentDlg edited(image);
    s = show(edited);
    HWND edit = GetDlgItem(s.dialog, IDC_COMMENT_TEXT);
    SetWindowTextW(edit, L"new\r\nlines \u00e9");
    SendMessageW(edit, EM_SETMODIFY, TRUE, 0);
    SendMessageW(s.dialog, WM_COMMAND, IDOK, 0);
    EXPECT_EQ(edited.comment(), "new\r\nlines \xc3\xa9");
}

TEST(ImageCommentDlg, ASecondLookAtAPictureNeedsNoDecode)
{
    Image photo{writePicture("comment-cached.bmp", 1600, 1200), 1, 90, ""};
    CImageCommentDlg first(photo);
    Shown s = show(first);
    ASSERT_TRUE(s.visible);
    const RECT shownFirst = s.picture;
    DestroyWindow(s.dialog);

    // The same size and time, but bytes no decoder takes: only the cache can show it now.
    const auto when = std::filesystem::last_write_time(photo.path);
    const auto size = static_cast<size_t>(std::filesystem::file_size(photo.path));
    std::FILE* f = _wfopen(std::filesystem::path(photo.path).c_str(), L"wb");
    ASSERT_NE(f, nullptr);
    std::fwrite(std::string(size, 'x').data(), 1, size, f);
    std::fclose(f);
    std::filesystem::last_write_time(photo.path, when);

    CImageCommentDlg second(photo);
    s = show(second);
    EXPECT_TRUE(s.visible);
    EXPECT_TRUE(EqualRect(&s.picture, &shownFirst));
    DestroyWindow(s.dialog);

    // Changed on the disk, it is decoded again (and this time fails).
    std::filesystem::last_write_time(photo.path, when + std::chrono::seconds(2));
    CImageCommentDlg third(photo);
    s = show(third);
    EXPECT_FALSE(s.visible);
    DestroyWindow(s.dialog);
    std::filesystem::remove(photo.path);
}

}  // namespace
