#include "platform/win32/ui/metrics.h"

#include <climits>
#include <cmath>
#include <type_traits>

#include "platform/errors.h"

namespace kv::win32 {
namespace {

// A user32 function looked up by name; nullptr when the system lacks it.
// Each binding's type is checked against the system's declaration, calling
// convention included (a missing WINAPI differs only in the 32-bit program).
template <typename Fn>
Fn BindUser32(const char* name) {
  HMODULE user32 = GetModuleHandleW(L"user32.dll");
  if (user32 == nullptr) return nullptr;
  return reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(GetProcAddress(user32, name)));
}

UINT ScreenDpi(int index) {
  HDC screen = GetDC(nullptr);
  const int dpi = screen != nullptr ? GetDeviceCaps(screen, index) : 0;
  if (screen != nullptr) ReleaseDC(nullptr, screen);
  return dpi > 0 ? static_cast<UINT>(dpi) : kDefaultDpi;
}

}  // namespace

int TwipsToPixels(double twips, UINT dpi) {
  const double pixels = std::round(twips * dpi / kTwipsPerInch);
  if (!std::isfinite(pixels) || pixels < INT_MIN || pixels > INT_MAX) throw OverflowError();
  return static_cast<int>(pixels);
}

float PixelsToTwips(int pixels, UINT dpi) {
  return static_cast<float>(static_cast<double>(pixels) * kTwipsPerInch / dpi);
}

int ScaleFromDefaultDpi(int pixels, UINT dpi) {
  if (pixels <= 0) return pixels;
  const int scaled = MulDiv(pixels, static_cast<int>(dpi), static_cast<int>(kDefaultDpi));
  return scaled > 0 ? scaled : 1;
}

UINT WindowDpi(HWND window) {
  using Fn = UINT(WINAPI*)(HWND);
  static_assert(std::is_same_v<Fn, decltype(&::GetDpiForWindow)>);
  static const Fn getDpiForWindow = BindUser32<Fn>("GetDpiForWindow");
  if (getDpiForWindow != nullptr && window != nullptr) {
    const UINT dpi = getDpiForWindow(window);
    if (dpi != 0) return dpi;
  }
  return ScreenDpiY();
}

UINT ScreenDpiX() { return ScreenDpi(LOGPIXELSX); }
UINT ScreenDpiY() { return ScreenDpi(LOGPIXELSY); }

BOOL AdjustWindowRectForDpi(RECT& rect, DWORD style, BOOL menu, DWORD exStyle, UINT dpi) {
  using Fn = BOOL(WINAPI*)(LPRECT, DWORD, BOOL, DWORD, UINT);
  static_assert(std::is_same_v<Fn, decltype(&::AdjustWindowRectExForDpi)>);
  static const Fn adjustForDpi = BindUser32<Fn>("AdjustWindowRectExForDpi");
  if (adjustForDpi != nullptr) return adjustForDpi(&rect, style, menu, exStyle, dpi);
  return AdjustWindowRectEx(&rect, style, menu, exStyle);
}

int SystemMetricForDpi(int index, UINT dpi) {
  using Fn = int(WINAPI*)(int, UINT);
  static_assert(std::is_same_v<Fn, decltype(&::GetSystemMetricsForDpi)>);
  static const Fn metricForDpi = BindUser32<Fn>("GetSystemMetricsForDpi");
  if (metricForDpi != nullptr) return metricForDpi(index, dpi);
  return MulDiv(GetSystemMetrics(index), static_cast<int>(dpi), static_cast<int>(ScreenDpiY()));
}

LOGFONTW MessageFontForDpi(UINT dpi) {
  using Fn = BOOL(WINAPI*)(UINT, UINT, PVOID, UINT, UINT);
  static_assert(std::is_same_v<Fn, decltype(&::SystemParametersInfoForDpi)>);
  static const Fn parametersForDpi = BindUser32<Fn>("SystemParametersInfoForDpi");
  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof metrics;
  if (parametersForDpi != nullptr &&
      parametersForDpi(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0, dpi)) {
    return metrics.lfMessageFont;
  }
  metrics = NONCLIENTMETRICSW{};
  metrics.cbSize = sizeof metrics;
  if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0)) {
    LOGFONTW font = metrics.lfMessageFont;
    // The figures are for the screen's DPI; a window on another monitor gets them scaled.
    const UINT screenDpi = ScreenDpiY();
    if (screenDpi != dpi) {
      font.lfHeight = MulDiv(font.lfHeight, static_cast<int>(dpi), static_cast<int>(screenDpi));
    }
    return font;
  }
  LOGFONTW fallback{};
  GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof fallback, &fallback);
  return fallback;
}

}  // namespace kv::win32
