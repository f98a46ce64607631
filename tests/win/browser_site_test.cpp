// The browser control's site: every interface it hands out is the one object with one more
// reference, and it lives exactly as long as someone holds it — after its owner let go too, and
// after its host window went.

#include <gtest/gtest.h>

#include "winui/browser_site.h"

namespace {

using winui::CBrowserSite;

TEST(BrowserSite, LivesWhileTheControlHoldsItAndGoesWithTheLastReference)
{
    HWND host = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 80, 60, nullptr, nullptr, nullptr, nullptr);
    ASSERT_TRUE(host);
    const int before = CBrowserSite::alive();
    CBrowserSite* site = CBrowserSite::make(host);
    EXPECT_EQ(CBrowserSite::alive(), before + 1);

    // What the control takes: the client site, then the in-place site and its frame.
    IOleClientSite* client = site;
    client->AddRef();
    IOleInPlaceSite* inPlace = nullptr;
    ASSERT_EQ(client->QueryInterface(IID_IOleInPlaceSite, reinterpret_cast<void**>(&inPlace)), S_OK);
    IOleInPlaceFrame* frame = nullptr;
    IOleInPlaceUIWindow* document = reinterpret_cast<IOleInPlaceUIWindow*>(1);
    RECT position{}, clip{};
    OLEINPLACEFRAMEINFO info{};
    info.cb = sizeof(info);
    ASSERT_EQ(inPlace->GetWindowContext(&frame, &document, &position, &clip, &info), S_OK);
    EXPECT_EQ(document, nullptr);
    EXPECT_EQ(info.hwndFrame, host);
    EXPECT_EQ(position.right, 80);
    IDispatch* none = reinterpret_cast<IDispatch*>(1);
    EXPECT_EQ(client->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&none)), E_NOINTERFACE);
    EXPECT_EQ(none, nullptr);

    // The owner lets go and its window goes: the control's references keep the site answering.
    site->hostGone();
    EXPECT_EQ(site->Release(), 3u);
    DestroyWindow(host);
    HWND window = host;
    EXPECT_EQ(inPlace->GetWindow(&window), E_FAIL);
    EXPECT_EQ(window, nullptr);
    EXPECT_EQ(inPlace->CanInPlaceActivate(), S_FALSE);
    EXPECT_EQ(CBrowserSite::alive(), before + 1);

    EXPECT_EQ(frame->Release(), 2u);
    EXPECT_EQ(inPlace->Release(), 1u);
    EXPECT_EQ(client->Release(), 0u);
    EXPECT_EQ(CBrowserSite::alive(), before);
}

}  // namespace
