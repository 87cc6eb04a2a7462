// The Win32 window system in process, with forms of its own: the life of a
// form, its menu, border, controls and colours, the keys of a modal dialog,
// the hourglass, message boxes and the end of the program.
#include <gtest/gtest.h>
#include <windows.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/errors.h"
#include "platform/ui.h"
#include "platform/win32/ui/win32_window_system.h"

namespace kv {
namespace {

using layout::Border;
using layout::Color;
using layout::Kind;

layout::Control At(Kind kind, const char* name, int index, int left, int top, int width,
                   int height) {
  layout::Control c = layout::MakeControl(kind, name, index);
  c.left = left, c.top = top, c.width = width, c.height = height;
  return c;
}

layout::Form MainLayout() {
  layout::Form f;
  f.name = "frmMain";
  f.clientWidth = 4500;
  f.clientHeight = 2250;
  f.border = Border::FixedSingle;
  f.hasIcon = true;
  layout::Control value = At(Kind::Label, "lblValue", -1, 120, 120, 1500, 240);
  value.border = Border::FixedSingle;
  value.back = Color::System(layout::kColorCaptionText);
  value.tabIndex = 0;
  value.buddyName = "lblTitle";
  value.buddyIndex = 0;
  f.controls.push_back(value);
  layout::Control title = At(Kind::Label, "lblTitle", 0, 120, 480, 1500, 180);
  title.caption = "タイトル";
  title.tabIndex = 1;
  f.controls.push_back(title);
  layout::Control frame = At(Kind::Frame, "Frame1", -1, 1800, 60, 2500, 2000);
  frame.caption = "ドライブ情報：";
  frame.tabIndex = 2;
  f.controls.push_back(frame);
  layout::Control text = At(Kind::TextBox, "Text1", -1, 120, 240, 2200, 1600);
  text.container = "Frame1";
  text.multiLine = text.verticalScrollBar = text.locked = true;
  text.back = Color::Rgb(255, 255, 255);
  text.fore = Color::Rgb(0, 0, 0);
  text.tabIndex = 3;
  f.controls.push_back(text);
  f.menus.push_back({"mnuFile",
                     "ﾌｧｲﾙ(&F)",
                     {{"mnuFileItem", 0, "終了(&X)"},
                      {"mnuFileItem", 1, "-"},
                      {"mnuFileItem", 2, "ﾍﾙﾌﾟ(&H)..."},
                      {"mnuFileItem", 3, "ﾊﾞｰｼﾞｮﾝ情報(&A)..."}}});
  return f;
}

layout::Form DialogLayout() {
  layout::Form f;
  f.name = "frmDialog";
  f.clientWidth = 4200;
  f.clientHeight = 1500;
  f.border = Border::FixedDialog;
  layout::Control icon = At(Kind::PictureBox, "picIcon", -1, 120, 120, 480, 480);
  icon.tabIndex = 2;
  f.controls.push_back(icon);
  layout::Control label = At(Kind::Label, "lblText", -1, 720, 120, 1500, 195);
  label.tabIndex = 3;
  f.controls.push_back(label);
  layout::Control ok = At(Kind::CommandButton, "cmdOK", -1, 2700, 120, 1380, 345);
  ok.caption = "OK";
  ok.isDefault = ok.isCancel = true;
  ok.tabIndex = 0;
  f.controls.push_back(ok);
  layout::Control info = At(Kind::CommandButton, "cmdSysInfo", -1, 2700, 600, 1380, 345);
  info.caption = "ｼｽﾃﾑ情報(&S)...";
  info.tabIndex = 1;
  f.controls.push_back(info);
  return f;
}

// A form's code that records what the window system does to it.
class TestForm : public FormCode {
 public:
  explicit TestForm(layout::Form layout) : layout_(std::move(layout)) {}
  const layout::Form& Layout() const override { return layout_; }
  void Attach(IForm* form) override {
    form_ = form;
    attached.push_back(form != nullptr);
  }
  void Form_Load() override {
    ++loads;
    if (onLoad) onLoad();
  }
  void Form_Unload(int16_t& cancel) override {
    ++unloads;
    cancel = cancelUnload;
  }
  void Click(std::string_view control, int16_t index) override {
    clicks.push_back(index < 0 ? std::string(control)
                               : std::string(control) + "(" + std::to_string(index) + ")");
    if (onClick) onClick(control);
  }

  IForm& Form() const { return *form_; }
  HWND Window() const {
    return form_ != nullptr ? reinterpret_cast<HWND>(form_->Handle()) : nullptr;
  }

  int loads = 0;
  int unloads = 0;
  int16_t cancelUnload = 0;
  std::vector<bool> attached;
  std::vector<std::string> clicks;
  std::function<void()> onLoad;
  std::function<void(std::string_view)> onClick;

 private:
  layout::Form layout_;
  IForm* form_ = nullptr;
};

HWND Child(HWND parent, const wchar_t* text) {
  return FindWindowExW(parent, nullptr, nullptr, text);
}

int Px(int twips) { return MulDiv(twips, 96, 1440); }

class WindowSystemTest : public testing::Test {
 protected:
  void SetUp() override {
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    if (dpi != 96) GTEST_SKIP() << "the figures below are for 96 DPI";
  }
  std::unique_ptr<IWindowSystem> ws_ = CreateWin32WindowSystem();
  TestForm main_{MainLayout()};
  TestForm dialog_{DialogLayout()};
};

// ---- life of a form ---------------------------------------------------------

TEST_F(WindowSystemTest, LoadCreatesTheHiddenWindowAndRunsFormLoadOnce) {
  bool hiddenDuringLoad = false;
  main_.onLoad = [&] {
    hiddenDuringLoad = IsWindow(main_.Window()) && !IsWindowVisible(main_.Window());
  };
  ws_->Load(main_);
  ws_->Load(main_);
  EXPECT_EQ(main_.loads, 1);
  EXPECT_TRUE(hiddenDuringLoad) << "Form_Load runs before the first show";
  EXPECT_EQ(main_.attached, std::vector<bool>{true});
  ws_->Show(main_, kModeless);
  EXPECT_TRUE(IsWindowVisible(main_.Window()));
  EXPECT_EQ(main_.loads, 1);
}

TEST_F(WindowSystemTest, UnloadDestroysAndDetachesAndShowCreatesAnew) {
  ws_->Show(main_, kModeless);
  HWND first = main_.Window();
  ws_->Unload(main_);
  EXPECT_FALSE(IsWindow(first));
  EXPECT_EQ(main_.unloads, 1);
  EXPECT_EQ(main_.attached, (std::vector<bool>{true, false}));
  ws_->Unload(main_);  // not loaded: nothing
  EXPECT_EQ(main_.unloads, 1);
  ws_->Show(main_, kModeless);
  EXPECT_EQ(main_.loads, 2);
  EXPECT_TRUE(IsWindowVisible(main_.Window()));
}

TEST_F(WindowSystemTest, CancelledUnloadKeepsTheForm) {
  ws_->Load(main_);
  main_.cancelUnload = 1;
  ws_->Unload(main_);
  SendMessageW(main_.Window(), WM_SYSCOMMAND, SC_CLOSE, 0);
  EXPECT_EQ(main_.unloads, 2);
  EXPECT_TRUE(IsWindow(main_.Window()));
}

TEST_F(WindowSystemTest, TheCloseBoxUnloads) {
  ws_->Load(main_);
  HWND window = main_.Window();
  SendMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0);
  EXPECT_EQ(main_.unloads, 1);
  EXPECT_FALSE(IsWindow(window));
}

TEST_F(WindowSystemTest, AnErrorOfFormLoadReachesTheCallerAndLeavesNothingLoaded) {
  main_.onLoad = [] { throw Error(kErrOverflow, "オーバーフローしました。"); };
  EXPECT_THROW(ws_->Load(main_), Error);
  EXPECT_EQ(main_.attached, (std::vector<bool>{true, false}));
  main_.onLoad = nullptr;
  ws_->Load(main_);
  EXPECT_EQ(main_.loads, 2);
}

TEST_F(WindowSystemTest, RunEndsWhenTheStartUpFormIsClosed) {
  main_.onLoad = [&] { PostMessageW(main_.Window(), WM_SYSCOMMAND, SC_CLOSE, 0); };
  EXPECT_EQ(ws_->Run(main_), 0);
  EXPECT_EQ(main_.unloads, 1);
}

TEST_F(WindowSystemTest, AnErrorInAnEventProcedureComesOutOfRun) {
  main_.onLoad = [&] {
    HMENU file = GetSubMenu(GetMenu(main_.Window()), 0);
    PostMessageW(main_.Window(), WM_COMMAND, GetMenuItemID(file, 2), 0);
  };
  main_.onClick = [](std::string_view) {
    throw Error(kErrFileNotFound, "ファイルが見つかりません。");
  };
  try {
    ws_->Run(main_);
    ADD_FAILURE() << "Run returned";
  } catch (const Error& e) {
    EXPECT_EQ(e.Number(), kErrFileNotFound);
  }
  EXPECT_EQ(main_.clicks, std::vector<std::string>{"mnuFileItem(2)"});
}

#if GTEST_HAS_DEATH_TEST
TEST_F(WindowSystemTest, EndExitsTheProcessAtOnce) {
  EXPECT_EXIT(
      {
        ws_->Show(main_, kModeless);
        ws_->End();
      },
      testing::ExitedWithCode(0), "");
}
#endif

// ---- the menu ---------------------------------------------------------------

struct MenuCase {
  int position;
  const wchar_t* caption;  // nullptr: a separator
  const char* click;       // what choosing it reports; nullptr: nothing
};

class MenuTest : public WindowSystemTest, public testing::WithParamInterface<MenuCase> {};

TEST_P(MenuTest, ItemsInOrderWithTheirCaptionsAndClicks) {
  ws_->Load(main_);
  HMENU bar = GetMenu(main_.Window());
  ASSERT_NE(bar, nullptr);
  ASSERT_EQ(GetMenuItemCount(bar), 1);
  wchar_t text[64] = {};
  GetMenuStringW(bar, 0, text, 64, MF_BYPOSITION);
  EXPECT_STREQ(text, L"ﾌｧｲﾙ(&F)");
  HMENU file = GetSubMenu(bar, 0);
  ASSERT_EQ(GetMenuItemCount(file), 4);

  MENUITEMINFOW item{};
  item.cbSize = sizeof item;
  item.fMask = MIIM_FTYPE | MIIM_STRING | MIIM_ID;
  item.dwTypeData = text;
  item.cch = 64;
  ASSERT_TRUE(GetMenuItemInfoW(file, GetParam().position, TRUE, &item));
  if (GetParam().caption == nullptr) {
    EXPECT_NE(item.fType & MFT_SEPARATOR, 0u);
  } else {
    EXPECT_EQ(item.fType & MFT_SEPARATOR, 0u);
    EXPECT_STREQ(text, GetParam().caption);
  }
  SendMessageW(main_.Window(), WM_COMMAND, MAKEWPARAM(item.wID, 0), 0);
  if (GetParam().click == nullptr)
    EXPECT_TRUE(main_.clicks.empty());
  else
    EXPECT_EQ(main_.clicks, std::vector<std::string>{GetParam().click});
}

INSTANTIATE_TEST_SUITE_P(FileMenu, MenuTest,
                         testing::Values(MenuCase{0, L"終了(&X)", "mnuFileItem(0)"},
                                         MenuCase{1, nullptr, nullptr},
                                         MenuCase{2, L"ﾍﾙﾌﾟ(&H)...", "mnuFileItem(2)"},
                                         MenuCase{3, L"ﾊﾞｰｼﾞｮﾝ情報(&A)...", "mnuFileItem(3)"}));

// ---- the window and its controls --------------------------------------------

TEST_F(WindowSystemTest, FixedBordersAndTheClientAreaOfTheLayout) {
  ws_->Load(main_);
  ws_->Load(dialog_);
  const struct {
    TestForm* form;
    DWORD exStyle;
    int width, height;
  } kCases[] = {{&main_, 0, 4500, 2250}, {&dialog_, WS_EX_DLGMODALFRAME, 4200, 1500}};
  for (const auto& c : kCases) {
    HWND window = c.form->Window();
    const auto style = static_cast<DWORD>(GetWindowLongW(window, GWL_STYLE));
    EXPECT_EQ(style & (WS_CAPTION | WS_SYSMENU), static_cast<DWORD>(WS_CAPTION | WS_SYSMENU));
    EXPECT_EQ(style & (WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX), 0u);
    EXPECT_EQ(static_cast<DWORD>(GetWindowLongW(window, GWL_EXSTYLE)) & c.exStyle, c.exStyle);
    RECT client{};
    GetClientRect(window, &client);
    EXPECT_EQ(client.right, Px(c.width));
    EXPECT_EQ(client.bottom, Px(c.height)) << "below the menu bar";
    RECT outer{};
    GetWindowRect(window, &outer);
    EXPECT_FLOAT_EQ(c.form->Form().Width(), (outer.right - outer.left) * 15.0f);
    EXPECT_FLOAT_EQ(c.form->Form().Height(), (outer.bottom - outer.top) * 15.0f);
  }
  EXPECT_NE(main_.Form().Icon(), 0u);
  EXPECT_EQ(static_cast<IconHandle>(SendMessageW(main_.Window(), WM_GETICON, ICON_BIG, 0)),
            main_.Form().Icon())
      << "the title bar shows it";
  EXPECT_EQ(dialog_.Form().Icon(), 0u) << "no icon of its own";
}

// Moved to a monitor of 144 DPI, the form lays itself out again in pixels of
// that monitor, at the place the system suggests.
TEST_F(WindowSystemTest, AMonitorOfAnotherDpiScalesTheForm) {
  ws_->Load(main_);
  RECT suggested{100, 120, 900, 700};
  SendMessageW(main_.Window(), 0x02E0 /* WM_DPICHANGED */, MAKEWPARAM(144, 144),
               reinterpret_cast<LPARAM>(&suggested));
  RECT client{};
  GetClientRect(main_.Window(), &client);
  EXPECT_EQ(client.right, 450);
  EXPECT_EQ(client.bottom, 225);
  RECT outer{};
  GetWindowRect(main_.Window(), &outer);
  EXPECT_EQ(outer.left, 100);
  EXPECT_EQ(outer.top, 120);
  EXPECT_FLOAT_EQ(main_.Form().Width(), (outer.right - outer.left) * 10.0f);
  HWND text = FindWindowExW(main_.Window(), nullptr, L"Edit", nullptr);
  RECT r{};
  GetWindowRect(text, &r);
  MapWindowPoints(nullptr, main_.Window(), reinterpret_cast<POINT*>(&r), 2);
  EXPECT_EQ(r.left, (1800 + 120) / 10);
  EXPECT_EQ(r.right - r.left, 2200 / 10);
}

struct PlaceCase {
  float twips;
  int pixels;
};

class PlaceTest : public WindowSystemTest, public testing::WithParamInterface<PlaceCase> {};

TEST_P(PlaceTest, TopAndLeftInTwipsRoundToPixels) {
  ws_->Load(main_);
  main_.Form().SetLeft(GetParam().twips);
  main_.Form().SetTop(GetParam().twips + 150.0f);
  RECT outer{};
  GetWindowRect(main_.Window(), &outer);
  EXPECT_EQ(outer.left, GetParam().pixels);
  EXPECT_EQ(outer.top, GetParam().pixels + 10);
}

INSTANTIATE_TEST_SUITE_P(Table, PlaceTest,
                         testing::Values(PlaceCase{0.0f, 0}, PlaceCase{1500.0f, 100},
                                         PlaceCase{1507.5f, 101}, PlaceCase{1507.4f, 100},
                                         PlaceCase{-3000.0f, -200}));

TEST_F(WindowSystemTest, TheScreenInTwips) {
  EXPECT_FLOAT_EQ(ws_->ScreenWidth(), GetSystemMetrics(SM_CXSCREEN) * 15.0f);
  EXPECT_FLOAT_EQ(ws_->ScreenHeight(), GetSystemMetrics(SM_CYSCREEN) * 15.0f);
}

TEST_F(WindowSystemTest, ControlsAtTheirPlacesAndInTabOrder) {
  ws_->Load(main_);
  HWND window = main_.Window();
  // The frame's text box lies inside the frame, as a sibling above it.
  HWND frame = Child(window, L"ドライブ情報：");
  ASSERT_NE(frame, nullptr);
  HWND text = GetWindow(frame, GW_HWNDPREV);
  ASSERT_NE(text, nullptr);
  wchar_t name[32] = {};
  GetClassNameW(text, name, 32);
  EXPECT_EQ(lstrcmpiW(name, L"Edit"), 0);
  RECT r{};
  GetWindowRect(text, &r);
  MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&r), 2);
  EXPECT_EQ(r.left, Px(1800 + 120));
  EXPECT_EQ(r.top, Px(60 + 240));
  EXPECT_EQ(r.right - r.left, Px(2200));
  EXPECT_EQ(r.bottom - r.top, Px(1600));
  // Siblings in tab order, but the boxed value's title label right before it.
  HWND first = GetWindow(window, GW_CHILD);
  EXPECT_EQ(first, Child(window, L"タイトル"));
  HWND second = GetWindow(first, GW_HWNDNEXT);
  EXPECT_NE(GetWindowLongW(second, GWL_EXSTYLE) & WS_EX_STATICEDGE, 0);
  EXPECT_EQ(GetWindow(second, GW_HWNDNEXT), text);
}

TEST_F(WindowSystemTest, CaptionsAndTextsReadBackAsWritten) {
  ws_->Load(main_);
  const struct {
    const char* name;
    int index;
    const char* caption;
    const wchar_t* shown;
  } kCases[] = {{"lblValue", -1, "C:\\users\\a&b\\Temp\\", L"C:\\users\\a&b\\Temp\\"},
                {"lblTitle", 0, "Ｗｉｎｄｏｗｓディレクトリ：", L"Ｗｉｎｄｏｗｓディレクトリ："},
                {"Frame1", -1, "ﾄﾞﾗｲﾌﾞ", L"ﾄﾞﾗｲﾌﾞ"}};
  for (const auto& c : kCases) {
    main_.Form().SetControlCaption(c.name, c.index, c.caption);
    EXPECT_NE(Child(main_.Window(), c.shown), nullptr) << c.name << ": '&' kept as it is";
  }

  std::string report;
  for (int i = 0; i < 3000; ++i) report += "Disk C:\\\r\n  Volume Name: ﾃｽﾄ\r\n";
  main_.Form().TextBox("Text1").SetText(report);
  EXPECT_EQ(main_.Form().TextBox("Text1").Text(), report) << "a long report is kept whole";
  main_.Form().TextBox("Text1").SetText("");
  EXPECT_EQ(main_.Form().TextBox("Text1").Text(), "");

  for (auto bad : {std::pair<const char*, int>{"lblNone", -1}, {"lblTitle", 5}, {"lblValue", 0}}) {
    EXPECT_THROW(main_.Form().SetControlCaption(bad.first, bad.second, "x"), Error) << bad.first;
  }
  EXPECT_THROW(main_.Form().TextBox("lblValue"), Error);
}

TEST_F(WindowSystemTest, ThePictureBoxShowsTheIcon) {
  ws_->Load(main_);
  ws_->Load(dialog_);
  const IconHandle icon = main_.Form().Icon();
  dialog_.Form().SetPicture("picIcon", icon);
  HWND picture = GetWindow(dialog_.Window(), GW_CHILD);
  for (; picture != nullptr; picture = GetWindow(picture, GW_HWNDNEXT))
    if ((GetWindowLongW(picture, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) break;
  ASSERT_NE(picture, nullptr);
  EXPECT_EQ(static_cast<IconHandle>(SendMessageW(picture, STM_GETICON, 0, 0)), icon);
  RECT r{};
  GetClientRect(picture, &r);
  EXPECT_EQ(r.right, 32) << "the box keeps its size";
  EXPECT_THROW(dialog_.Form().SetPicture("lblText", icon), Error);
}

// The colours on the screen: the value box in the title-bar text colour where
// that stands out from the text, the drive box white.
TEST_F(WindowSystemTest, ColoursOnTheScreen) {
  ws_->Show(main_, kModeless);
  main_.Form().SetControlCaption("lblValue", -1, "x");
  UpdateWindow(main_.Window());
  auto pixel = [&](int x, int y) {
    HDC dc = GetDC(main_.Window());
    const COLORREF c = GetPixel(dc, x, y);
    ReleaseDC(main_.Window(), dc);
    return c;
  };
  const COLORREF caption = GetSysColor(COLOR_CAPTIONTEXT);
  const COLORREF text = GetSysColor(COLOR_BTNTEXT);
  const COLORREF wantValue = caption != text ? caption : GetSysColor(COLOR_WINDOW);
  // Inside the value box, right of its text.
  EXPECT_EQ(pixel(Px(120 + 1400), Px(120 + 120)), wantValue);
  // Inside the drive box.
  EXPECT_EQ(pixel(Px(1800 + 1200), Px(60 + 1000)), RGB(255, 255, 255));
  // The form itself.
  EXPECT_EQ(pixel(Px(900), Px(1500)), GetSysColor(COLOR_BTNFACE));
}

// ---- modal dialogs and their keys ---------------------------------------------

// Steps run one by one from a timer inside the modal loop; when they are done
// and the dialog still stands after a while, it is closed by force.
struct Script {
  std::vector<std::function<void()>> steps;
  size_t next = 0;
  int idle = 0;
  bool forced = false;
  std::function<void()> force;
};
Script* g_script = nullptr;

void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
  Script* s = g_script;
  if (s == nullptr) return;
  if (s->next < s->steps.size()) {
    s->steps[s->next++]();
  } else if (++s->idle == 250 && !s->forced) {
    s->forced = true;
    s->force();
  }
}

class Scripted {
 public:
  explicit Scripted(Script& script) : timer_(SetTimer(nullptr, 0, 20, Tick)) { g_script = &script; }
  ~Scripted() {
    KillTimer(nullptr, timer_);
    g_script = nullptr;
  }

 private:
  UINT_PTR timer_;
};

enum class Key { Tab, Enter, Esc, S, AltS };

void Press(Key key) {
  HWND focus = GetFocus();
  switch (key) {
    case Key::Tab:
      PostMessageW(focus, WM_KEYDOWN, VK_TAB, 1);
      break;
    case Key::Enter:
      PostMessageW(focus, WM_KEYDOWN, VK_RETURN, 1);
      break;
    case Key::Esc:
      PostMessageW(focus, WM_KEYDOWN, VK_ESCAPE, 1);
      break;
    case Key::S:
      PostMessageW(focus, WM_CHAR, 's', 1);
      break;
    case Key::AltS:
      PostMessageW(focus, WM_SYSCHAR, 's', 1 | (1 << 29));
      break;
  }
}

struct KeysCase {
  const char* what;
  std::vector<Key> keys;
  std::vector<std::string> clicks;
};

class ModalKeysTest : public WindowSystemTest, public testing::WithParamInterface<KeysCase> {};

TEST_P(ModalKeysTest, ButtonsPressedByTheKeys) {
  ws_->Show(main_, kModeless);
  dialog_.onClick = [&](std::string_view control) {
    if (control == "cmdOK") ws_->Unload(dialog_);
  };
  Script script;
  HWND ok = nullptr;
  script.steps.push_back([&] {
    // Modal: the main window takes no input; the focus starts on OK.
    EXPECT_FALSE(IsWindowEnabled(main_.Window()));
    ok = Child(dialog_.Window(), L"OK");
    EXPECT_EQ(GetFocus(), ok);
  });
  for (Key key : GetParam().keys) script.steps.push_back([key] { Press(key); });
  script.force = [&] { ws_->Unload(dialog_); };
  {
    Scripted running(script);
    ws_->Show(dialog_, kModal);
  }
  EXPECT_FALSE(script.forced) << "the keys did not close the dialog";
  EXPECT_EQ(dialog_.clicks, GetParam().clicks);
  EXPECT_TRUE(IsWindowEnabled(main_.Window())) << "enabled again after the dialog";
  EXPECT_EQ(dialog_.Window(), nullptr) << "unloaded";
}

INSTANTIATE_TEST_SUITE_P(
    Table, ModalKeysTest,
    testing::Values(KeysCase{"EnterPressesTheDefaultButton", {Key::Enter}, {"cmdOK"}},
                    KeysCase{"EscPressesTheCancelButton", {Key::Esc}, {"cmdOK"}},
                    KeysCase{"EnterPressesTheFocusedButton",
                             {Key::Tab, Key::Enter, Key::Esc},
                             {"cmdSysInfo", "cmdOK"}},
                    KeysCase{"EscWhereverTheFocusIs", {Key::Tab, Key::Esc}, {"cmdOK"}},
                    KeysCase{"TabComesRoundToOK", {Key::Tab, Key::Tab, Key::Enter}, {"cmdOK"}},
                    KeysCase{"AccessKey", {Key::S, Key::Esc}, {"cmdSysInfo", "cmdOK"}},
                    KeysCase{"AltAccessKey", {Key::AltS, Key::Esc}, {"cmdSysInfo", "cmdOK"}}),
    [](const auto& info) { return std::string(info.param.what); });

TEST_F(WindowSystemTest, TheDefaultButtonFollowsTheFocus) {
  ws_->Show(dialog_, kModeless);
  HWND ok = Child(dialog_.Window(), L"OK");
  HWND info = Child(dialog_.Window(), L"ｼｽﾃﾑ情報(&S)...");
  auto type = [](HWND button) { return GetWindowLongW(button, GWL_STYLE) & BS_TYPEMASK; };
  EXPECT_EQ(type(ok), BS_DEFPUSHBUTTON);
  EXPECT_EQ(type(info), BS_PUSHBUTTON);
  SetFocus(info);
  EXPECT_EQ(type(ok), BS_PUSHBUTTON);
  EXPECT_EQ(type(info), BS_DEFPUSHBUTTON);
  SetFocus(ok);
  EXPECT_EQ(type(ok), BS_DEFPUSHBUTTON);
  EXPECT_EQ(type(info), BS_PUSHBUTTON);
}

TEST_F(WindowSystemTest, AShownFormCannotTurnModal) {
  ws_->Show(dialog_, kModeless);
  EXPECT_THROW(ws_->Show(dialog_, kModal), Error);
  EXPECT_THROW(ws_->Show(main_, 2), Error);
}

// ---- the pointer and message boxes --------------------------------------------

TEST_F(WindowSystemTest, TheHourglassHoldsUntilTheDefaultPointer) {
  ws_->Load(main_);
  HCURSOR wait = LoadCursorW(nullptr, MAKEINTRESOURCEW(32514));   // IDC_WAIT
  HCURSOR arrow = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
  const LPARAM overClient = MAKELPARAM(HTCLIENT, WM_MOUSEMOVE);
  const struct {
    int pointer;
    HCURSOR shown;
  } kSteps[] = {{kPointerHourglass, wait},
                {kPointerHourglass, wait},
                {kPointerDefault, arrow},
                {kPointerHourglass, wait},
                {kPointerDefault, arrow}};
  for (const auto& step : kSteps) {
    ws_->SetMousePointer(step.pointer);
    EXPECT_EQ(GetCursor(), step.shown);
    // The form sets the pointer again whenever the system asks for one.
    SetCursor(nullptr);
    SendMessageW(main_.Window(), WM_SETCURSOR, reinterpret_cast<WPARAM>(main_.Window()),
                 overClient);
    EXPECT_EQ(GetCursor(), step.shown);
  }
  EXPECT_THROW(ws_->SetMousePointer(3), Error);
}

struct MsgBoxCase {
  const char* what;
  std::optional<std::string> title;
  int style;
  const wchar_t* caption;
  bool icon;
};

class MsgBoxTest : public WindowSystemTest, public testing::WithParamInterface<MsgBoxCase> {};

BOOL CALLBACK FindBox(HWND window, LPARAM param) {
  wchar_t name[16] = {};
  GetClassNameW(window, name, 16);
  if (lstrcmpW(name, L"#32770") == 0 && IsWindowVisible(window)) {
    *reinterpret_cast<HWND*>(param) = window;
    return FALSE;
  }
  return TRUE;
}

BOOL CALLBACK CollectIcon(HWND window, LPARAM param) {
  if ((GetWindowLongW(window, GWL_STYLE) & SS_TYPEMASK) == SS_ICON && IsWindowVisible(window) &&
      SendMessageW(window, STM_GETICON, 0, 0) != 0)
    *reinterpret_cast<bool*>(param) = true;
  return TRUE;
}

TEST_P(MsgBoxTest, CaptionTextAndIcon) {
  std::wstring caption;
  bool sawText = false;
  bool icon = false;
  Script script;
  script.steps.push_back([] {});
  script.steps.push_back([&] {
    HWND box = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), FindBox, reinterpret_cast<LPARAM>(&box));
    ASSERT_NE(box, nullptr);
    wchar_t text[128] = {};
    GetWindowTextW(box, text, 128);
    caption = text;
    sawText = FindWindowExW(box, nullptr, nullptr, L"Application Error \r\n説明") != nullptr;
    EnumChildWindows(box, CollectIcon, reinterpret_cast<LPARAM>(&icon));
    PostMessageW(box, WM_COMMAND, IDOK, 0);
  });
  script.force = [] {
    HWND box = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), FindBox, reinterpret_cast<LPARAM>(&box));
    if (box != nullptr) PostMessageW(box, WM_COMMAND, IDOK, 0);
  };
  {
    Scripted running(script);
    ws_->MsgBox("Application Error \r\n説明", GetParam().style, GetParam().title);
  }
  EXPECT_EQ(caption, GetParam().caption);
  EXPECT_TRUE(sawText);
  EXPECT_EQ(icon, GetParam().icon);
}

INSTANTIATE_TEST_SUITE_P(Table, MsgBoxTest,
                         testing::Values(MsgBoxCase{"ExclamationWithTheApplicationTitle",
                                                    std::nullopt, 48, L"Kavreno", true},
                                         MsgBoxCase{"PlainWithItsOwnTitle", std::string("ﾀｲﾄﾙ"), 0,
                                                    L"ﾀｲﾄﾙ", false}),
                         [](const auto& info) { return std::string(info.param.what); });

}  // namespace
}  // namespace kv
