// The real program under Wine, driven from this process: the main window as
// its layout places it and filled with what the system answers this process,
// the About dialog opened through the menu and closed with Enter, and the
// program ended through the close box.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <map>
#include <memory>
#include <regex>
#include <string>
#include <vector>

#include "about/frmAbout_layout.h"
#include "app/drives/drives.h"
#include "app/frmSystem_layout.h"
#include "platform/app_settings.h"
#include "remote.h"

namespace kv::e2e {
namespace {

std::wstring Wide(const std::string& text, UINT codePage = CP_UTF8) {
  std::wstring out(text.size(), L'\0');
  out.resize(MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()),
                                 out.data(), static_cast<int>(out.size())));
  return out;
}

std::string Narrowed(const std::wstring& text) {
  std::string out(text.size() * 3, '\0');
  out.resize(WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(),
                                 static_cast<int>(out.size()), nullptr, nullptr));
  return out;
}

int Px(int twips) {
  static const int dpi = GetDeviceCaps(GetDC(nullptr), LOGPIXELSY);
  return static_cast<int>(std::lround(twips * dpi / 1440.0));
}

std::string NameOf(const layout::Control& c) {
  return c.index < 0 ? c.name : c.name + "(" + std::to_string(c.index) + ")";
}

struct Child {
  HWND hwnd;
  std::wstring className, text;
  DWORD style;
  RECT rect;  // in the client coordinates of the top-level window
};

// Every child window (the controls of a frame are its siblings), its text
// read across the process boundary.
std::vector<Child> Children(HWND top) {
  std::vector<Child> children;
  for (HWND w = GetWindow(top, GW_CHILD); w != nullptr; w = GetWindow(w, GW_HWNDNEXT)) {
    wchar_t name[64] = {};
    GetClassNameW(w, name, 64);
    Child c{w, name, std::wstring(32768, L'\0'), static_cast<DWORD>(GetWindowLongW(w, GWL_STYLE))};
    DWORD_PTR length = 0;
    SendMessageTimeoutW(w, WM_GETTEXT, c.text.size(), reinterpret_cast<LPARAM>(c.text.data()),
                        SMTO_ABORTIFHUNG, 5000, &length);
    c.text.resize(length);
    GetWindowRect(w, &c.rect);
    MapWindowPoints(nullptr, top, reinterpret_cast<POINT*>(&c.rect), 2);
    children.push_back(c);
  }
  return children;
}

// The window's frame and size, and every control of the layout at its place,
// of its kind; answers the controls by name ("name" or "name(index)").
std::map<std::string, Child> CheckForm(HWND window, const layout::Form& form) {
  SCOPED_TRACE(form.name);
  const auto style = static_cast<DWORD>(GetWindowLongW(window, GWL_STYLE));
  EXPECT_EQ(style & (WS_CAPTION | WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX), WS_CAPTION);
  RECT client{}, outer{};
  GetClientRect(window, &client);
  EXPECT_EQ(client.right, Px(form.clientWidth));
  EXPECT_EQ(client.bottom, Px(form.clientHeight));
  GetWindowRect(window, &outer);  // centred on the screen
  EXPECT_NEAR(outer.left + outer.right, GetSystemMetrics(SM_CXSCREEN), 2);
  EXPECT_NEAR(outer.top + outer.bottom, GetSystemMetrics(SM_CYSCREEN), 2);

  const std::vector<Child> children = Children(window);
  std::map<std::string, Child> byName;
  for (const layout::Control& c : form.controls) {
    if (c.kind == layout::Kind::Line) continue;
    const std::string name = NameOf(c);
    const layout::Control* frame = c.container.empty() ? nullptr : form.Find(c.container);
    const int x = c.left + (frame ? frame->left : 0), y = c.top + (frame ? frame->top : 0);
    const RECT want{Px(x), Px(y), Px(x + c.width), Px(y + c.height)};
    // A label without a border shows nothing of its box: its height may grow
    // about its middle.
    const bool flexible = c.kind == layout::Kind::Label && c.border == layout::Border::None;
    std::vector<const Child*> found;
    for (const Child& w : children) {
      const RECT& r = w.rect;
      if (r.left != want.left || r.right != want.right) continue;
      if (flexible ? std::abs(r.top + r.bottom - want.top - want.bottom) <= 2 &&
                         r.bottom - r.top >= want.bottom - want.top
                   : r.top == want.top && r.bottom == want.bottom)
        found.push_back(&w);
    }
    if (found.size() != 1) {
      ADD_FAILURE() << name << ": " << found.size() << " windows at its place";
      continue;
    }
    const Child& w = byName[name] = *found.front();
    using layout::Kind;
    const wchar_t* kind = c.kind == Kind::TextBox                               ? L"Edit"
                          : c.kind == Kind::Label || c.kind == Kind::PictureBox ? L"Static"
                                                                                : L"Button";
    EXPECT_EQ(lstrcmpiW(w.className.c_str(), kind), 0) << name;
    if (c.kind == Kind::Label) {
      EXPECT_NE(w.style & SS_NOPREFIX, 0u) << name << ": '&' shows as itself";
    }
    if (c.kind == Kind::TextBox) {
      EXPECT_EQ(w.style & (ES_MULTILINE | ES_READONLY | WS_VSCROLL),
                (c.multiLine ? ES_MULTILINE : 0u) | (c.locked ? ES_READONLY : 0u) |
                    (c.verticalScrollBar ? WS_VSCROLL : 0u));
    }
  }
  return byName;
}

// The texts as expected: exact, or a pattern.
void CheckTexts(std::map<std::string, Child>& byName,
                const std::map<std::string, std::wstring>& texts,
                const std::map<std::string, std::wstring>& patterns = {}) {
  for (const auto& [name, text] : texts) EXPECT_EQ(byName[name].text, text) << name;
  for (const auto& [name, pattern] : patterns)
    EXPECT_TRUE(std::regex_match(byName[name].text, std::wregex(pattern))) << name;
}

std::wstring Ansi(void (*query)(char* buffer, DWORD size)) {
  char buffer[MAX_PATH + 1] = {};
  query(buffer, sizeof buffer);
  return Wide(buffer, CP_ACP);
}

// The user's separators as this process reads them; a run that names them
// (KV_EXPECT_SEPARATORS, thousands then decimal) checks that Wine gives them.
NumberSeparators UserSeparators() {
  char thousands[8] = {}, decimal[8] = {};
  GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_STHOUSAND, thousands, sizeof thousands);
  GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, decimal, sizeof decimal);
  NumberSeparators separators{Narrowed(Wide(thousands, CP_ACP)), Narrowed(Wide(decimal, CP_ACP))};
  if (const char* expected = std::getenv("KV_EXPECT_SEPARATORS")) {
    EXPECT_EQ(separators.thousands + separators.decimal, expected);
  }
  return separators;
}

TEST(KavrenoProgram, ShowsTheSystemOpensAboutAndEndsThroughTheCloseBox) {
  const Process program = StartKavreno();
  ASSERT_NE(program.get(), nullptr);
  HWND main = Await(kMainCaption);
  ASSERT_NE(main, nullptr) << "no window titled Kavreno";

  // The layout's captions, and the values as this process's own calls answer them.
  const layout::Form& form = frmSystemLayout();
  auto controls = CheckForm(main, form);
  if (const char* dpi = std::getenv("KV_EXPECT_DPI")) {
    // The run at a raised resolution: everything above scaled with it.
    EXPECT_EQ(GetDeviceCaps(GetDC(nullptr), LOGPIXELSY), std::atoi(dpi));
    RECT client{};
    GetClientRect(main, &client);
    EXPECT_EQ(client.right, std::lround(form.clientWidth * std::atoi(dpi) / 1440.0));
  }
  std::map<std::string, std::wstring> texts;
  for (const layout::Control& c : form.controls)
    if (c.name == "lblTitle" || c.kind == layout::Kind::Frame) texts[NameOf(c)] = Wide(c.caption);
  SYSTEM_INFO system{};
  GetSystemInfo(&system);
  OSVERSIONINFOA version{sizeof version};
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
  GetVersionExA(&version);
  MEMORYSTATUSEX memory{sizeof memory};
  GlobalMemoryStatusEx(&memory);
  texts["lblComputerName"] = Ansi([](char* b, DWORD n) { GetComputerNameA(b, &n); });
  texts["lblUserName"] = Ansi([](char* b, DWORD n) { GetUserNameA(b, &n); });
  texts["lblWindowsDirectory"] = Ansi([](char* b, DWORD n) { GetWindowsDirectoryA(b, n); }) + L"\\";
  texts["lblSystemDirectory"] = Ansi([](char* b, DWORD n) { GetSystemDirectoryA(b, n); }) + L"\\";
  texts["lblTemporaryDirectory"] = Ansi([](char* b, DWORD n) { GetTempPathA(n, b); });
  texts["lblProcessors"] = std::to_wstring(system.dwNumberOfProcessors);
  texts["lblFunctionKeys"] = std::to_wstring(GetKeyboardType(2));
  texts["lblWindowsVersion"] =
      std::to_wstring(version.dwMajorVersion) + L"." + std::to_wstring(version.dwMinorVersion);
  texts["lblTotalMemory"] = std::to_wstring(std::llrint(memory.ullTotalPhys / 1024.0)) + L" KB";
  // The drive report: a block of six lines per root, in the system's order,
  // sizes with the user's separators.
  const NumberSeparators separators = UserSeparators();
  std::wstring blocks;
  for (wchar_t drive = L'A'; drive <= L'Z'; ++drive)
    if (GetLogicalDrives() & (1u << (drive - L'A')))
      blocks += L"Disk " + std::wstring(1, drive) +
                L":\\\\\r\n  Volume Name: .*\r\n  File System: .*\r\n  Drive Type:  .*\r\n"
                L"  Total Space: .*\r\n  Free Space:  .*\r\n";
  ULARGE_INTEGER available{}, total{}, free{};
  ASSERT_TRUE(GetDiskFreeSpaceExW(L"C:\\", &available, &total, &free));
  const std::wstring cTotal = L"  Total Space: " + Wide(SizeText(total.QuadPart, separators));
  EXPECT_NE(controls["Text1"].text.find(cTotal), std::wstring::npos) << Narrowed(cTotal);
  CheckTexts(controls, texts,
             {{"lblFreeMemory", L"\\d+ KB"},
              {"lblUsedMemory", L"\\d+ %"},
              {"lblOperatingSystem", L".+"},
              {"lblKeyboard", L".+"},
              {"Text1", blocks}});

  // The About dialog, modal, its texts and focus; Enter closes it.
  HWND about = OpenAbout(main);
  ASSERT_NE(about, nullptr) << "Alt+F, A opens no About dialog";
  EXPECT_NE(GetWindowLongW(about, GWL_EXSTYLE) & WS_EX_DLGMODALFRAME, 0);
  EXPECT_EQ(GetWindow(about, GW_OWNER), main);
  EXPECT_FALSE(IsWindowEnabled(main)) << "the dialog is modal";
  auto aboutControls = CheckForm(about, frmAboutLayout());
  CheckTexts(
      aboutControls,
      {{"lblTitle", L"Kavreno"},
       {"lblVersion", L"Version " + std::to_wstring(kApp.major) + L"." +
                          std::to_wstring(kApp.minor) + L"." + std::to_wstring(kApp.revision)},
       {"lblCopyright", Wide(std::string(kApp.copyright))},
       {"lblDescription", L"この製品はフリーソフトウェアです。"},
       {"cmdOK", L"OK"},
       {"cmdSysInfo", L"ｼｽﾃﾑ情報(&S)..."}},
      {{"lblDisclaimer", L"Windowsが使用できる物理ﾒﾓﾘ: [1-9]\\d{0,2}([" +
                             Wide(separators.thousands) + L"]\\d{3})* KB"}});
  EXPECT_NE(SendMessageW(aboutControls["picIcon"].hwnd, STM_GETICON, 0, 0), 0) << "the icon";
  GUITHREADINFO gui{sizeof gui};
  GetGUIThreadInfo(GetWindowThreadProcessId(about, nullptr), &gui);
  EXPECT_EQ(gui.hwndFocus, aboutControls["cmdOK"].hwnd) << "the focus starts on OK";
  Key(VK_RETURN);
  Key(VK_RETURN, true);
  EXPECT_TRUE(WaitFor([&] { return !IsWindow(about) && IsWindowEnabled(main); }))
      << "Enter leaves the About dialog open";

  // The close box ends the program.
  PostMessageW(main, WM_SYSCOMMAND, SC_CLOSE, 0);
  EXPECT_EQ(WaitForSingleObject(program.get(), 30000), WAIT_OBJECT_0) << "it runs on";
  DWORD exitCode = 1;
  GetExitCodeProcess(program.get(), &exitCode);
  EXPECT_EQ(exitCode, 0u);
}

// A temporary folder whose name holds a bidi override and a control
// character shows escaped, as the Qt window and the text presentation show
// it: the label holds what the system's "A" function answers (the override is
// not in the code page: it arrives as the code page's default character),
// with the control character as a visible escape.
TEST(KavrenoText, ATemporaryFolderOfControlCharactersShowsEscaped) {
  const wchar_t* kTemp = L"C:\\a\x202e" L"b\x1b" L"c\\";
  wchar_t saved[2][MAX_PATH] = {};
  const wchar_t* kNames[] = {L"TMP", L"TEMP"};
  for (int i = 0; i < 2; ++i) {
    GetEnvironmentVariableW(kNames[i], saved[i], MAX_PATH);
    SetEnvironmentVariableW(kNames[i], kTemp);  // the program inherits them
  }
  const std::wstring answered = Ansi([](char* b, DWORD n) { GetTempPathA(n, b); });
  const Process program = StartKavreno();
  for (int i = 0; i < 2; ++i) SetEnvironmentVariableW(kNames[i], saved[i][0] ? saved[i] : nullptr);
  ASSERT_NE(program.get(), nullptr);
  ASSERT_NE(answered.find(L'\x1b'), std::wstring::npos) << "the name reaches no A function";
  std::wstring expected;
  for (const wchar_t c : answered)
    expected += c == L'\x1b' ? L"\\x1b" : c == L'\x202e' ? L"\\u202e" : std::wstring(1, c);

  const HWND main = Await(kMainCaption);
  ASSERT_NE(main, nullptr) << "no window titled Kavreno";
  auto controls = CheckForm(main, frmSystemLayout());
  const std::wstring shown = controls["lblTemporaryDirectory"].text;
  EXPECT_EQ(shown, expected) << Narrowed(shown);
  EXPECT_EQ(shown.find_first_of(L"\x1b\x202e"), std::wstring::npos);

  PostMessageW(main, WM_SYSCOMMAND, SC_CLOSE, 0);
  EXPECT_EQ(WaitForSingleObject(program.get(), 30000), WAIT_OBJECT_0) << "it runs on";
}

}  // namespace
}  // namespace kv::e2e
