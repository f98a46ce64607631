#include "winui/dpi.h"

#include <atomic>

namespace winui {

namespace {

std::atomic<int> dpiOverride{0};

using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
using GetSystemMetricsForDpiFn = int(WINAPI*)(int, UINT);
using SystemParametersInfoForDpiFn = BOOL(WINAPI*)(UINT, UINT, PVOID, UINT, UINT);

// The newer calls of user32, or null on a system without them.
struct PerWindowDpi {
    GetDpiForWindowFn dpiForWindow = nullptr;
    GetSystemMetricsForDpiFn metricsForDpi = nullptr;
    SystemParametersInfoForDpiFn parametersForDpi = nullptr;

    PerWindowDpi()
    {
        HMODULE user = GetModuleHandleW(L"user32.dll");
        if (!user) return;
        dpiForWindow =
            reinterpret_cast<GetDpiForWindowFn>(reinterpret_cast<void*>(GetProcAddress(user, "GetDpiForWindow")));
        metricsForDpi = reinterpret_cast<GetSystemMetricsForDpiFn>(
            reinterpret_cast<void*>(GetProcAddress(user, "GetSystemMetricsForDpi")));
        parametersForDpi = reinterpret_cast<SystemParametersInfoForDpiFn>(
            reinterpret_cast<void*>(GetProcAddress(user, "SystemParametersInfoForDpi")));
    }
};

const PerWindowDpi& perWindowDpi()
{
    static const PerWindowDpi calls;
    return calls;
}

int screenDpi()
{
    HDC screen = GetDC(nullptr);
    const int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSY) : kBaseDpi;
    if (screen) ReleaseDC(nullptr, screen);
    return dpi > 0 ? dpi : kBaseDpi;
}

}  // namespace

int systemDpi()
{
    static const int dpi = screenDpi();
    return dpi;
}

int dpiOf(HWND window)
{
    if (const int forced = dpiOverride.load(); forced > 0) return forced;
    if (window && perWindowDpi().dpiForWindow) {
        const UINT dpi = perWindowDpi().dpiForWindow(window);
        if (dpi > 0) return static_cast<int>(dpi);
    }
    return screenDpi();
}

int scaled(int pixels, int dpi) { return dpi == kBaseDpi ? pixels : MulDiv(pixels, dpi, kBaseDpi); }

int systemMetric(int index, int dpi)
{
    if (perWindowDpi().metricsForDpi) return perWindowDpi().metricsForDpi(index, static_cast<UINT>(dpi));
    // Without the call the system answers for its own DPI: scale from there.
    const int value = GetSystemMetrics(index);
    return dpi == systemDpi() ? value : MulDiv(value, dpi, systemDpi());
}

NONCLIENTMETRICSW nonClientMetrics(int dpi)
{
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof(metrics);
    if (perWindowDpi().parametersForDpi &&
        perWindowDpi().parametersForDpi(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0, static_cast<UINT>(dpi)))
        return metrics;
    SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0);
    if (dpi != systemDpi()) {
        const int from = systemDpi();
        for (LOGFONTW* font : {&metrics.lfCaptionFont, &metrics.lfSmCaptionFont, &metrics.lfMenuFont,
                               &metrics.lfStatusFont, &metrics.lfMessageFont})
            font->lfHeight = MulDiv(font->lfHeight, dpi, from);
        for (int* size : {&metrics.iBorderWidth, &metrics.iScrollWidth, &metrics.iScrollHeight, &metrics.iCaptionWidth,
                          &metrics.iCaptionHeight, &metrics.iSmCaptionWidth, &metrics.iSmCaptionHeight,
                          &metrics.iMenuWidth, &metrics.iMenuHeight})
            *size = MulDiv(*size, dpi, from);
    }
    return metrics;
}

void setDpiOverride(int dpi) { dpiOverride.store(dpi > 0 ? dpi : 0); }

}  // namespace winui
