// Copying the whole main window under the Win32 window system: Ctrl+C in the
// drive box without a selection and the window's context menu put exactly
// what the text presentation prints, with CR LF line ends, on the clipboard as
// CF_UNICODETEXT; with a selection, Ctrl+C copies the selection as before.
#include <gtest/gtest.h>
#include <windows.h>

#include <regex>
#include <sstream>
#include <string>

#include "app/frmSystem_layout.h"
#include "platform/console/console_windows.h"
#include "platform/win32/ui/win32_window_system.h"

namespace kv {
namespace {

// The main window's layout, filled as its load step fills it, with a value
// that the text presentation escapes; the test's act runs once it is shown.
class FilledForm : public FormCode {
 public:
  explicit FilledForm(IWindowSystem& ws) : ws_(ws) {}
  const layout::Form& Layout() const override { return frmSystemLayout(); }
  void Attach(IForm* form) override { form_ = form; }
  void Form_Load() override {
    form_->SetCaption("Kavreno");
    form_->SetControlCaption("lblComputerName", -1,
                             "PC\x1b"
                             "01");
    form_->SetControlCaption("lblUsedMemory", -1, "37 %");
    form_->TextBox("Text1").SetText("Disk C:\\\r\n  Volume Name: \r\n");
  }
  void Click(std::string_view, int16_t) override {}
  HWND Window() const { return reinterpret_cast<HWND>(form_->Handle()); }
  void Unload() { ws_.Unload(*this); }

 private:
  IWindowSystem& ws_;
  IForm* form_ = nullptr;
};

std::string TextPresentation() {
  std::ostringstream out, err;
  console::ConsoleWindowSystem ws(out, err, [](int) {});
  FilledForm form(ws);
  ws.Run(form);
  std::string text;
  for (char c : out.str()) text += c == '\n' ? std::string("\r\n") : std::string(1, c);
  return text;
}

// Today's facts and the names, as the platform would give them; the computer
// name as Windows compares it, without regard to case.
ReportSource Facts() {
  return {[] {
            return SystemDetails{"Windows 11 Pro 24H2", "10.0.26100.2605",
                                 "Intel(R) Core(TM) i5-8250U", "x64", "LENOVO 20L7002AJP"};
          },
          [] {
            return PersonalNames{"", "pc\\x1b01", true};
          }};
}

std::wstring Clipboard() {
  std::wstring text;
  if (!OpenClipboard(nullptr)) return L"(the clipboard cannot be opened)";
  if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
    text = static_cast<const wchar_t*>(GlobalLock(data));
    GlobalUnlock(data);
  }
  CloseClipboard();
  return text;
}

std::wstring Wide(const std::string& utf8) {
  std::wstring wide(utf8.size(), L'\0');
  wide.resize(MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()),
                                  wide.data(), static_cast<int>(wide.size())));
  return wide;
}

enum class How { Keys, Selection, Menu, Report, RedactedCopy };
How g_how;
FilledForm* g_form;

void CALLBACK Act(HWND, UINT, UINT_PTR timer, DWORD) {
  KillTimer(nullptr, timer);
  const HWND edit = FindWindowExW(g_form->Window(), nullptr, L"Edit", nullptr);
  // Opens the context menu and chooses an item by its access key, which the
  // menu's own loop takes.
  const auto choose = [](char key) {
    PostMessageW(g_form->Window(), WM_KEYDOWN, key, 1);
    PostMessageW(g_form->Window(), WM_CHAR, key - 'A' + 'a', 1);
    SendMessageW(g_form->Window(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(g_form->Window()),
                 static_cast<LPARAM>(-1));
    // Keys the menu left are not the next menu's.
    MSG left;
    while (PeekMessageW(&left, nullptr, WM_KEYFIRST, WM_KEYLAST, PM_REMOVE)) {
    }
  };
  if (g_how == How::Menu) {
    choose('C');
  } else if (g_how == How::Report) {
    choose('R');
  } else if (g_how == How::RedactedCopy) {
    choose('P');
    choose('C');
  } else {
    SendMessageW(edit, EM_SETSEL, 0, g_how == How::Selection ? 4 : 0);
    SendMessageW(edit, WM_CHAR, 0x03, 1);  // Ctrl+C as the keyboard types it
  }
  g_form->Unload();  // ends Run
}

TEST(CopyAll, CopiesTheWindowAsTheTextPresentationPrintsIt) {
  const std::string whole = TextPresentation();
  ASSERT_NE(whole.find("PC\\x1b01\r\n"), std::string::npos) << whole;
  const struct {
    How how;
    std::wstring expected;
  } kCases[] = {{How::Keys, Wide(whole)}, {How::Selection, L"Disk"}, {How::Menu, Wide(whole)}};
  for (const auto& c : kCases) {
    SCOPED_TRACE(static_cast<int>(c.how));
    if (OpenClipboard(nullptr)) {
      EmptyClipboard();
      CloseClipboard();
    }
    const auto ws = CreateWin32WindowSystem(Facts());
    FilledForm form(*ws);
    g_how = c.how;
    g_form = &form;
    SetTimer(nullptr, 0, 50, Act);
    ws->Run(form);
    EXPECT_EQ(Clipboard(), c.expected);
  }
}

// The report: the window's text, an empty line and today's facts, all with
// CR LF; with the privacy item checked, the names leave what is copied.
TEST(CopyAll, CopiesTheReportAndLeavesTheNamesOutWhenAsked) {
  const std::string whole = TextPresentation();
  const std::string section =
      "\r\n詳細：\r\nOS名：Windows 11 Pro 24H2\r\nOSのビルド：10.0.26100.2605\r\n"
      "プロセッサ名：Intel(R) Core(TM) i5-8250U\r\nアーキテクチャ：x64\r\n機種：LENOVO "
      "20L7002AJP\r\n"
      "Kavreno：1.0.0\r\n作成日時：";
  std::string redacted = whole;
  redacted.replace(redacted.find("PC\\x1b01"), 8, "<computer>");
  for (const How how : {How::Report, How::RedactedCopy}) {
    SCOPED_TRACE(static_cast<int>(how));
    if (OpenClipboard(nullptr)) {
      EmptyClipboard();
      CloseClipboard();
    }
    const auto ws = CreateWin32WindowSystem(Facts());
    FilledForm form(*ws);
    g_how = how;
    g_form = &form;
    SetTimer(nullptr, 0, 50, Act);
    ws->Run(form);
    const std::wstring copied = Clipboard();
    if (how == How::Report) {
      ASSERT_TRUE(copied.starts_with(Wide(whole + section)));
      EXPECT_TRUE(std::regex_match(copied.substr(Wide(whole + section).size()),
                                   std::wregex(LR"(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\dZ\r\n)")));
    } else {
      EXPECT_EQ(copied, Wide(redacted));
    }
  }
}

}  // namespace
}  // namespace kv
