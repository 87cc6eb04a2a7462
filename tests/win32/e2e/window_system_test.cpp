// The Win32 window system in process, with the program's layouts and code
// of the test's own: the menu, the fixed borders, the colours, the keys of a
// modal dialog and the hourglass.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "about/frmAbout_layout.h"
#include "app/frmSystem.h"
#include "app/frmSystem_layout.h"
#include "platform/errors.h"
#include "platform/run_program.h"
#include "platform/win32/ui/win32_window_system.h"
#include "tests/fakes/fake_os.h"
#include "tests/fakes/fake_ui.h"
#include "tests/fakes/form_contract_cases.h"

namespace kv {
namespace {

// A form's code that records the clicks the window system reports; its OK
// button unloads it.
class TestForm : public FormCode {
 public:
  TestForm(const layout::Form& layout, IWindowSystem& ws) : layout_(layout), ws_(ws) {}
  const layout::Form& Layout() const override { return layout_; }
  void Attach(IForm* form) override { form_ = form; }
  void Form_Load() override {}
  void Click(std::string_view control, int16_t index) override {
    clicks.push_back(std::string(control) + (index < 0 ? "" : "(" + std::to_string(index) + ")"));
    if (failsOnClick) throw OverflowError();
    if (control == "cmdOK") ws_.Unload(*this);
  }
  HWND Window() const { return form_ ? reinterpret_cast<HWND>(form_->Handle()) : nullptr; }
  IForm* Form() const { return form_; }

  std::vector<std::string> clicks;
  bool failsOnClick = false;

 private:
  const layout::Form& layout_;
  IWindowSystem& ws_;
  IForm* form_ = nullptr;
};

class WindowSystemTest : public testing::Test {
 protected:
  void TearDown() override { ws_.reset(); }  // while the forms' code is there
  std::unique_ptr<IWindowSystem> ws_ = CreateWin32WindowSystem();
  TestForm main_{frmSystemLayout(), *ws_};
  TestForm about_{frmAboutLayout(), *ws_};
};

TEST_F(WindowSystemTest, TheMenuHoldsTheItemsInOrderAndReportsTheirClicks) {
  ws_->Load(main_);
  const HMENU bar = GetMenu(main_.Window());
  wchar_t text[64] = {};
  ASSERT_EQ(GetMenuItemCount(bar), 1);
  GetMenuStringW(bar, 0, text, 64, MF_BYPOSITION);
  EXPECT_STREQ(text, L"ﾌｧｲﾙ(&F)");
  const wchar_t* const kItems[] = {L"終了(&X)", nullptr, L"ﾍﾙﾌﾟ(&H)...", L"ﾊﾞｰｼﾞｮﾝ情報(&A)..."};
  const HMENU file = GetSubMenu(bar, 0);
  ASSERT_EQ(GetMenuItemCount(file), 4);
  for (int i = 0; i < 4; ++i) {
    MENUITEMINFOW item{sizeof item, MIIM_FTYPE | MIIM_STRING | MIIM_ID};
    item.dwTypeData = text;
    item.cch = 64;
    ASSERT_TRUE(GetMenuItemInfoW(file, i, TRUE, &item));
    EXPECT_EQ((item.fType & MFT_SEPARATOR) != 0, kItems[i] == nullptr) << i;
    if (kItems[i] == nullptr) continue;
    EXPECT_STREQ(text, kItems[i]);
    main_.clicks.clear();
    SendMessageW(main_.Window(), WM_COMMAND, item.wID, 0);
    EXPECT_EQ(main_.clicks, std::vector<std::string>{"mnuFileItem(" + std::to_string(i) + ")"});
  }
}

TEST_F(WindowSystemTest, FormsKeepTheFormContract) {
  TestForm contract{test::ContractLayout(), *ws_};
  ws_->Load(contract);
  ASSERT_NE(contract.Form(), nullptr);
  EXPECT_EQ(test::ContractBreaches(*contract.Form()), std::vector<std::string>{});
  ws_->Unload(contract);
}

TEST_F(WindowSystemTest, BordersAreFixed) {
  ws_->Load(main_);
  ws_->Load(about_);
  const struct {
    const TestForm& form;
    bool dialogFrame;
  } kForms[] = {{main_, false}, {about_, true}};
  for (const auto& f : kForms) {
    const auto style = static_cast<DWORD>(GetWindowLongW(f.form.Window(), GWL_STYLE));
    EXPECT_EQ(style & (WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX),
              static_cast<DWORD>(WS_CAPTION | WS_SYSMENU));
    EXPECT_EQ((GetWindowLongW(f.form.Window(), GWL_EXSTYLE) & WS_EX_DLGMODALFRAME) != 0,
              f.dialogFrame);
  }
}

// Text from the system shows through the one rule for it (visible_text.h),
// as in the Qt window and the text presentation: the labels the load step
// fills from a system whose answers hold a bidi override, zero-width and
// control characters and a byte that is not UTF-8.
TEST_F(WindowSystemTest, LabelsShowSystemTextThroughTheVisibleTextRule) {
  test::FakeOs os;
  const test::Utf8CodePage utf8;
  os.AddRoot("C:\\");
  os.tempDir.path = "C:\\a\xe2\x80\xae" "b\x1b" "c\\";
  os.computerName = "PC\x7f" "01\r\n";
  os.userName = "us\xe2\x80\x8b" "er\xff";
  const OsServices services = os.Services(utf8);
  test::Log log;
  test::FakeHelp help(log);
  test::FakeRegistry registry;
  test::FakeApp files;
  AppServices app{*ws_, help, registry, files, files};
  frmSystem main(services, app);
  ws_->Load(main);
  const HWND window = FindWindowW(L"KavrenoForm", L"Kavreno");
  ASSERT_NE(window, nullptr);
  std::vector<std::wstring> shown;
  for (HWND w = GetWindow(window, GW_CHILD); w != nullptr; w = GetWindow(w, GW_HWNDNEXT)) {
    wchar_t text[256] = {};
    GetWindowTextW(w, text, 256);
    shown.emplace_back(text);
  }
  for (const wchar_t* text : {L"C:\\a\\u202eb\\x1bc\\", L"PC\\x7f01\r\n", L"us\\u200ber\\xff"})
    EXPECT_NE(std::find(shown.begin(), shown.end(), text), shown.end());
  ws_.reset();  // while the form's code is there; its unload step would end the program
}

// A message box shows its text and title through the same rule.
struct BoxSeen {
  std::wstring title, text;
};
BoxSeen* g_box = nullptr;

void CALLBACK ReadAndCloseTheBox(HWND, UINT, UINT_PTR, DWORD) {
  const HWND box = FindWindowW(L"#32770", nullptr);
  if (box == nullptr || !IsWindowVisible(box) || g_box == nullptr) return;
  wchar_t text[256] = {};
  GetWindowTextW(box, text, 256);
  g_box->title = text;
  GetDlgItemTextW(box, 0xFFFF, text, 256);  // the box's text
  g_box->text = text;
  g_box = nullptr;
  PostMessageW(box, WM_COMMAND, IDOK, 0);
}

TEST_F(WindowSystemTest, MessageBoxesShowSystemTextThroughTheVisibleTextRule) {
  BoxSeen seen;
  g_box = &seen;
  const UINT_PTR timer = SetTimer(nullptr, 0, 20, ReadAndCloseTheBox);
  ws_->MsgBox("Application Error \r\nC:\\a\xe2\x80\xae" "b\x1b\n", kMsgBoxExclamation,
              std::string("t\r\n\xe2\x81\xa6"));
  KillTimer(nullptr, timer);
  EXPECT_EQ(seen.title, L"t\\x0d\\x0a\\u2066");
  EXPECT_EQ(seen.text, L"Application Error \r\nC:\\a\\u202eb\\x1b\\x0a");
}

// An error that no handler of the program takes, raised by a menu command,
// leaves the window system's run; the program's run then says so in a message
// box and answers the exit status 1.
HWND g_clickOnce = nullptr;

void CALLBACK ChooseHelpOnce(HWND, UINT, UINT_PTR, DWORD) {
  if (g_clickOnce == nullptr || !IsWindowVisible(g_clickOnce)) return;
  const UINT help = GetMenuItemID(GetSubMenu(GetMenu(g_clickOnce), 0), 2);
  PostMessageW(g_clickOnce, WM_COMMAND, help, 0);
  g_clickOnce = nullptr;
}

TEST_F(WindowSystemTest, AnErrorNoHandlerTakesEndsTheRunWithStatus1) {
  main_.failsOnClick = true;
  BoxSeen seen;
  g_box = &seen;
  const UINT_PTR reader = SetTimer(nullptr, 0, 20, ReadAndCloseTheBox);
  ws_->Load(main_);
  g_clickOnce = main_.Window();
  const UINT_PTR chooser = SetTimer(nullptr, 0, 20, ChooseHelpOnce);
  EXPECT_EQ(RunStartupForm(*ws_, main_), 1);
  KillTimer(nullptr, chooser);
  KillTimer(nullptr, reader);
  EXPECT_EQ(main_.clicks, std::vector<std::string>{"mnuFileItem(2)"});
  EXPECT_EQ(seen.title, L"Kavreno");
  EXPECT_EQ(seen.text, L"実行時エラー '6':\r\n\r\nオーバーフローしました。");
}

// The value boxes in the title-bar text colour where that stands out from
// the text, the window colour otherwise; the drive box white.
TEST_F(WindowSystemTest, TheBoxesShowTheirColoursOnTheScreen) {
  ws_->Show(main_, kModeless);
  UpdateWindow(main_.Window());
  const COLORREF caption = GetSysColor(COLOR_CAPTIONTEXT);
  const std::pair<const wchar_t*, COLORREF> kBoxes[] = {
      {L"Static", caption != GetSysColor(COLOR_BTNTEXT) ? caption : GetSysColor(COLOR_WINDOW)},
      {L"Edit", RGB(255, 255, 255)}};
  for (const auto& [className, colour] : kBoxes) {
    const HWND box = FindWindowExW(main_.Window(), nullptr, className, L"");  // an empty one
    RECT r{};
    GetClientRect(box, &r);
    const HDC dc = GetDC(box);
    EXPECT_EQ(GetPixel(dc, r.right / 2, r.bottom / 2), colour);
    ReleaseDC(box, dc);
  }
}

// Keys posted to the focused window, one per tick of a timer that runs inside
// the modal loop; a dialog still open long after them is closed by force.
struct Typist {
  std::vector<WPARAM> keys;
  HWND owner = nullptr;
  std::wstring firstFocus;
  bool ownerEnabled = true;
  size_t ticks = 0;
};
Typist* g_typist = nullptr;

void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
  Typist& t = *g_typist;
  if (t.ticks == 0) {
    wchar_t text[32] = {};
    GetWindowTextW(GetFocus(), text, 32);
    t.firstFocus = text;
    t.ownerEnabled = IsWindowEnabled(t.owner);
  }
  if (t.ticks < t.keys.size())
    PostMessageW(GetFocus(), WM_KEYDOWN, t.keys[t.ticks], 1);
  else if (t.ticks == t.keys.size() + 100)
    PostMessageW(GetActiveWindow(), WM_SYSCOMMAND, SC_CLOSE, 0);
  ++t.ticks;
}

TEST_F(WindowSystemTest, KeysPressTheButtonsOfTheModalDialog) {
  ws_->Show(main_, kModeless);
  const std::pair<std::vector<WPARAM>, std::vector<std::string>> kCases[] = {
      {{VK_RETURN}, {"cmdOK"}},
      {{VK_ESCAPE}, {"cmdOK"}},
      {{VK_TAB, VK_RETURN, VK_ESCAPE}, {"cmdSysInfo", "cmdOK"}}};  // Enter: the focused button
  for (const auto& [keys, clicks] : kCases) {
    SCOPED_TRACE(testing::PrintToString(keys));
    about_.clicks.clear();
    Typist typist{keys, main_.Window()};
    g_typist = &typist;
    const UINT_PTR timer = SetTimer(nullptr, 0, 20, Tick);
    ws_->Show(about_, kModal);
    KillTimer(nullptr, timer);
    EXPECT_EQ(typist.firstFocus, L"OK") << "the focus starts on OK";
    EXPECT_FALSE(typist.ownerEnabled) << "modal: the main window takes no input";
    EXPECT_LE(typist.ticks, keys.size() + 100) << "the keys left the dialog open";
    EXPECT_EQ(about_.clicks, clicks);
    EXPECT_TRUE(IsWindowEnabled(main_.Window()));
  }
}

TEST_F(WindowSystemTest, TheHourglassHoldsUntilTheDefaultPointer) {
  ws_->Load(main_);
  for (const int pointer :
       {kPointerHourglass, kPointerDefault, kPointerHourglass, kPointerDefault}) {
    const HCURSOR shown = LoadCursorA(nullptr, pointer == kPointerHourglass ? IDC_WAIT : IDC_ARROW);
    ws_->SetMousePointer(pointer);
    EXPECT_EQ(GetCursor(), shown);
    // The form sets it again whenever the system asks for one.
    SetCursor(nullptr);
    SendMessageW(main_.Window(), WM_SETCURSOR, reinterpret_cast<WPARAM>(main_.Window()),
                 MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    EXPECT_EQ(GetCursor(), shown);
  }
  EXPECT_THROW(ws_->SetMousePointer(3), Error);
}

}  // namespace
}  // namespace kv
