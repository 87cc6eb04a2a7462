// Twips and pixels, and the screen's dots per inch. Functions that newer
// systems add (the per-monitor DPI queries) are bound by name when first
// called; on a system without them the screen's DPI is used.
#pragma once

#include <windows.h>

namespace kv::win32 {

inline constexpr int kTwipsPerInch = 1440;
inline constexpr UINT kDefaultDpi = 96;

// The pixels of a twips figure at dpi dots per inch, to the nearest pixel with
// halves going away from zero. Throws kv::OverflowError when the figure is
// not finite or the pixels do not fit an int.
int TwipsToPixels(double twips, UINT dpi);
float PixelsToTwips(int pixels, UINT dpi);

// A pixel figure meant for 96 DPI, scaled to dpi (at least 1 when it was).
int ScaleFromDefaultDpi(int pixels, UINT dpi);

// The DPI a window is drawn at: GetDpiForWindow, or the screen's vertical DPI.
UINT WindowDpi(HWND window);
// The DPI of the screen as a whole (the primary monitor).
UINT ScreenDpiX();
UINT ScreenDpiY();

// AdjustWindowRectExForDpi, or AdjustWindowRectEx where the system lacks it.
BOOL AdjustWindowRectForDpi(RECT& rect, DWORD style, BOOL menu, DWORD exStyle, UINT dpi);
// GetSystemMetricsForDpi, or GetSystemMetrics scaled from the screen's DPI.
int SystemMetricForDpi(int index, UINT dpi);
// The system's message font (the default user-interface font) for dpi.
LOGFONTW MessageFontForDpi(UINT dpi);

}  // namespace kv::win32
