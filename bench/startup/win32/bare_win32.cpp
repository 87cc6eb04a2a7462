// The yardstick for the Windows program's start-up: a bare Win32 program
// with the controls of Kavreno's main window (a File menu of four items,
// fourteen title and value label pairs, a frame with a read-only multi-line
// text box), in the system's message font, built directly in code with no
// system queries; the controls are the common controls of the manifest's
// visual styles, as in kavreno.exe. With KAVRENO_EXIT_AFTER_PAINT=1 it ends once every pending
// message, the first paints included, has been handled, as kavreno.exe does.
#include <windows.h>
// after windows.h
#include <commctrl.h>

namespace {

LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_DESTROY) {
    PostQuitMessage(0);
    return 0;
  }
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

HWND Child(HWND parent, const wchar_t* cls, const wchar_t* text, DWORD style, int x, int y, int w,
           int h, HFONT font, DWORD exStyle = 0) {
  HWND child = CreateWindowExW(exStyle, cls, text, WS_CHILD | WS_VISIBLE | style, x, y, w, h,
                               parent, nullptr, GetModuleHandleW(nullptr), nullptr);
  SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  return child;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show) {
  const UINT dpi = [] {
    HDC screen = GetDC(nullptr);
    const int d = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    return static_cast<UINT>(d);
  }();
  const auto px = [dpi](int twips) { return MulDiv(twips, static_cast<int>(dpi), 1440); };

  INITCOMMONCONTROLSEX controls{};
  controls.dwSize = sizeof controls;
  controls.dwICC = ICC_STANDARD_CLASSES;
  InitCommonControlsEx(&controls);

  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = WindowProc;
  wc.hInstance = instance;
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = L"KavrenoBareWin32";
  RegisterClassExW(&wc);

  HMENU file = CreatePopupMenu();
  AppendMenuW(file, MF_STRING, 1, L"終了(&X)");
  AppendMenuW(file, MF_SEPARATOR, 0, nullptr);
  AppendMenuW(file, MF_STRING, 2, L"ﾍﾙﾌﾟ(&H)...");
  AppendMenuW(file, MF_STRING, 3, L"ﾊﾞｰｼﾞｮﾝ情報(&A)...");
  HMENU bar = CreateMenu();
  AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(file), L"ﾌｧｲﾙ(&F)");

  const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU;
  RECT outer{0, 0, px(8160), px(7200)};
  AdjustWindowRectEx(&outer, style, TRUE, 0);
  HWND window = CreateWindowExW(0, wc.lpszClassName, L"Kavreno", style, CW_USEDEFAULT,
                                CW_USEDEFAULT, outer.right - outer.left, outer.bottom - outer.top,
                                nullptr, bar, instance, nullptr);

  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof metrics;
  SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
  HFONT font = CreateFontIndirectW(&metrics.lfMessageFont);

  static const wchar_t* const kTitles[14] = {
      L"コンピュータ名：",         L"ユーザ名：",           L"OS：",
      L"OSのバージョン：",         L"プロセッサの数：",     L"プロセッサのタイプ：",
      L"物理メモリの全容量：",     L"使用中のメモリ：",     L"空きメモリ：",
      L"Windowsディレクトリ：",    L"Systemディレクトリ：", L"Temporaryディレクトリ：",
      L"ファンクションキーの数：", L"キーボードのタイプ："};
  for (int i = 0; i < 14; ++i) {
    const int top = 120 + i * 240;
    Child(window, L"STATIC", kTitles[i], SS_RIGHT | SS_NOPREFIX, px(120), px(top), px(2400),
          px(195), font);
    Child(window, L"STATIC", L"-", SS_NOPREFIX, px(2640), px(top), px(5400), px(195), font);
  }
  Child(window, L"BUTTON", L"ドライブ", BS_GROUPBOX, px(120), px(3600), px(7920), px(3480), font);
  HWND text = Child(window, L"EDIT", L"", ES_MULTILINE | ES_READONLY | WS_VSCROLL, px(240),
                    px(3840), px(7680), px(3120), font, WS_EX_CLIENTEDGE);

  ShowWindow(window, show);
  SetFocus(text);  // the focus starts in the text box, as in Kavreno's window
  UpdateWindow(window);
  MSG message{};
  wchar_t flag[8] = {};
  if (GetEnvironmentVariableW(L"KAVRENO_EXIT_AFTER_PAINT", flag, 8) > 0 && flag[0] != L'0') {
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
    GdiFlush();
    return 0;
  }
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  DeleteObject(font);
  return static_cast<int>(message.wParam);
}
