// The Win32 window system in process, with the program's layouts and code
// of the test's own: the menu, the fixed borders, the colours, the keys of a
// modal dialog and the hourglass.
#include <gtest/gtest.h>
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "about/frmAbout_layout.h"
#include "app/frmSystem_layout.h"
#include "platform/errors.h"
#include "platform/win32/ui/win32_window_system.h"
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
    if (control == "cmdOK") ws_.Unload(*this);
  }
  HWND Window() const { return form_ ? reinterpret_cast<HWND>(form_->Handle()) : nullptr; }
  IForm* Form() const { return form_; }

  std::vector<std::string> clicks;

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
