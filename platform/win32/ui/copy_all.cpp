#include "platform/win32/ui/copy_all.h"

// After windows.h:
#include <commctrl.h>

#include <chrono>
#include <cstring>
#include <memory>

#include "platform/win32/ui/wide.h"

namespace kv::win32 {
namespace {

constexpr UINT_PTR kFormSubclass = 0x4B56;  // "KV"
constexpr UINT_PTR kTextBoxSubclass = 0x4B57;
constexpr UINT kCopyAllId = 1;
constexpr UINT kCopyReportId = 2;
constexpr UINT kRedactId = 3;

struct CopyAll {
  HWND form;
  std::function<std::string()> text;
  ReportSource report;
  bool redact = false;

  void Copy() const { CopyText(form, Leaving(text())); }
  void CopyReport() const {
    const SystemDetails system = report.details ? report.details() : SystemDetails{};
    const ReportDetails details = MakeReportDetails(system, std::chrono::system_clock::now());
    CopyText(form, Leaving(SupportReport(text(), details, "\r\n")));
  }
  // The text as it may leave the window: without the names when asked.
  std::string Leaving(std::string shown) const {
    if (!redact || !report.names) return shown;
    return Redact(shown, report.names());
  }
};

bool IsTextBox(HWND window) {
  wchar_t name[16] = {};
  GetClassNameW(window, name, 16);
  return lstrcmpiW(name, L"Edit") == 0;
}

LRESULT CALLBACK TextBoxProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                             UINT_PTR id, DWORD_PTR data) {
  if (message == WM_COPY) {
    DWORD start = 0, end = 0;
    SendMessageW(window, EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                 reinterpret_cast<LPARAM>(&end));
    if (start == end) {
      reinterpret_cast<const CopyAll*>(data)->Copy();
      return 0;
    }
  } else if (message == WM_NCDESTROY) {
    RemoveWindowSubclass(window, TextBoxProc, id);
  }
  return DefSubclassProc(window, message, wParam, lParam);
}

LRESULT CALLBACK FormProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                          DWORD_PTR data) {
  auto* copyAll = reinterpret_cast<CopyAll*>(data);
  switch (message) {
    case WM_CONTEXTMENU: {
      POINT at{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
      if (lParam == -1) {  // the menu key: at the window's client area
        at = {0, 0};
        ClientToScreen(window, &at);
      }
      HMENU menu = CreatePopupMenu();
      AppendMenuW(menu, MF_STRING, kCopyAllId, kCopyAllCaption);
      AppendMenuW(menu, MF_STRING, kCopyReportId, kCopyReportCaption);
      AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
      AppendMenuW(menu, MF_STRING | (copyAll->redact ? MF_CHECKED : MF_UNCHECKED), kRedactId,
                  kRedactCaption);
      const UINT chosen = static_cast<UINT>(TrackPopupMenu(
          menu, TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_NONOTIFY, at.x, at.y, 0, window, nullptr));
      DestroyMenu(menu);
      if (chosen == kCopyAllId) copyAll->Copy();
      if (chosen == kCopyReportId) copyAll->CopyReport();
      if (chosen == kRedactId) copyAll->redact = !copyAll->redact;
      return 0;
    }
    case WM_CHAR:
      if (wParam == 0x03) {  // Ctrl+C with the window itself focused
        copyAll->Copy();
        return 0;
      }
      break;
    case WM_NCDESTROY:
      RemoveWindowSubclass(window, FormProc, id);
      delete copyAll;
      break;
    default:
      break;
  }
  return DefSubclassProc(window, message, wParam, lParam);
}

BOOL CALLBACK SubclassTextBox(HWND child, LPARAM data) {
  if (IsTextBox(child))
    SetWindowSubclass(child, TextBoxProc, kTextBoxSubclass, static_cast<DWORD_PTR>(data));
  return TRUE;
}

}  // namespace

void InstallCopyAll(HWND form, std::function<std::string()> text, ReportSource report) {
  auto copyAll = std::make_unique<CopyAll>(CopyAll{form, std::move(text), std::move(report)});
  const auto data = reinterpret_cast<DWORD_PTR>(copyAll.get());
  if (!SetWindowSubclass(form, FormProc, kFormSubclass, data)) return;
  copyAll.release();  // the form's window owns it now
  // The text boxes go before the form: its subclass outlives theirs.
  EnumChildWindows(form, SubclassTextBox, static_cast<LPARAM>(data));
}

bool CopyText(HWND owner, const std::string& text) {
  const std::wstring wide = Widen(text);
  const size_t bytes = (wide.size() + 1) * sizeof(wchar_t);
  HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes);
  if (memory == nullptr) return false;
  void* target = GlobalLock(memory);
  if (target == nullptr) {
    GlobalFree(memory);
    return false;
  }
  std::memcpy(target, wide.c_str(), bytes);
  GlobalUnlock(memory);
  // Another program may hold the clipboard for a moment.
  bool opened = false;
  for (int attempt = 0; attempt < 10 && !(opened = OpenClipboard(owner) != FALSE); ++attempt)
    Sleep(10);
  if (!opened) {
    GlobalFree(memory);
    return false;
  }
  EmptyClipboard();
  const bool placed = SetClipboardData(CF_UNICODETEXT, memory) != nullptr;
  CloseClipboard();
  if (!placed) GlobalFree(memory);
  return placed;
}

}  // namespace kv::win32
