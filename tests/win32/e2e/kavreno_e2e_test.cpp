// The real program under Wine, driven from this process: the main window as
// its layout places it and filled with what the system answers, the About
// dialog opened through the menu's access keys and closed with Esc and
// Enter, and the program ended through the close box.
#include <gtest/gtest.h>
#include <windows.h>

#include <cmath>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "about/frmAbout_layout.h"
#include "app/frmSystem_layout.h"
#include "platform/app_settings.h"
#include "remote.h"

namespace kv::e2e {
namespace {

std::string g_program;  // the program under test, from the command line

constexpr wchar_t kAboutCaption[] = L"Kavrenoのﾊﾞｰｼﾞｮﾝ情報";

int Dpi() {
  HDC screen = GetDC(nullptr);
  const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
  return dpi;
}

int Px(int twips) { return static_cast<int>(std::lround(twips * Dpi() / 1440.0)); }

// Where the layout puts a control, in the client coordinates of its window.
RECT Expected(const layout::Form& form, const layout::Control& c) {
  int left = c.left;
  int top = c.top;
  if (!c.container.empty()) {
    const layout::Control* frame = form.Find(c.container);
    if (frame != nullptr) {
      left += frame->left;
      top += frame->top;
    }
  }
  return RECT{Px(left), Px(top), Px(left + c.width), Px(top + c.height)};
}

// The child window at a control's place. A label without a border shows
// nothing of its box, so its height may grow about its middle.
std::vector<const Child*> AtPlace(const std::vector<Child>& children, const RECT& want,
                                  bool flexibleHeight) {
  std::vector<const Child*> found;
  for (const auto& c : children) {
    if (c.rect.left != want.left || c.rect.right != want.right) continue;
    bool fits;
    if (flexibleHeight) {
      const int middle = c.rect.top + c.rect.bottom;  // twice the middle
      const int wantMiddle = want.top + want.bottom;
      fits = std::abs(middle - wantMiddle) <= 2 &&
             c.rect.bottom - c.rect.top >= want.bottom - want.top;
    } else {
      fits = c.rect.top == want.top && c.rect.bottom == want.bottom;
    }
    if (fits) found.push_back(&c);
  }
  return found;
}

std::string Describe(const RECT& r) {
  return "(" + std::to_string(r.left) + "," + std::to_string(r.top) + ")-(" +
         std::to_string(r.right) + "," + std::to_string(r.bottom) + ")";
}

bool IsClass(const Child& c, const wchar_t* name) {
  return lstrcmpiW(c.className.c_str(), name) == 0;
}

// Every control of the layout is a child window at its place, of the right
// kind; answers them by name ("name" or "name(index)").
std::map<std::string, const Child*> CheckControls(const layout::Form& form,
                                                  const std::vector<Child>& children) {
  std::map<std::string, const Child*> byName;
  for (const auto& c : form.controls) {
    if (c.kind == layout::Kind::Line) continue;
    const std::string name = c.index < 0 ? c.name : c.name + "(" + std::to_string(c.index) + ")";
    SCOPED_TRACE(form.name + "." + name);
    const bool flexible = c.kind == layout::Kind::Label && c.border == layout::Border::None;
    const RECT want = Expected(form, c);
    const auto found = AtPlace(children, want, flexible);
    if (found.size() != 1) {
      ADD_FAILURE() << found.size() << " windows at " << Describe(want);
      continue;
    }
    const Child& w = *found.front();
    byName[name] = &w;
    switch (c.kind) {
      case layout::Kind::Label:
        EXPECT_TRUE(IsClass(w, L"Static"));
        EXPECT_NE(w.style & SS_NOPREFIX, 0u) << "'&' must show as itself";
        if (c.border == layout::Border::FixedSingle) {
          EXPECT_TRUE((w.exStyle & WS_EX_STATICEDGE) != 0 || (w.style & SS_SUNKEN) != 0)
              << "a boxed value is sunken";
        }
        break;
      case layout::Kind::Frame:
        EXPECT_TRUE(IsClass(w, L"Button"));
        EXPECT_EQ(w.style & BS_TYPEMASK, static_cast<DWORD>(BS_GROUPBOX));
        EXPECT_EQ(w.text, FromUtf8(c.caption));
        break;
      case layout::Kind::TextBox:
        EXPECT_TRUE(IsClass(w, L"Edit"));
        EXPECT_EQ((w.style & ES_MULTILINE) != 0, c.multiLine);
        EXPECT_EQ((w.style & ES_READONLY) != 0, c.locked);
        EXPECT_EQ((w.style & WS_VSCROLL) != 0, c.verticalScrollBar);
        break;
      case layout::Kind::PictureBox:
        EXPECT_TRUE(IsClass(w, L"Static"));
        EXPECT_EQ(w.style & SS_TYPEMASK, static_cast<DWORD>(SS_ICON));
        break;
      case layout::Kind::CommandButton:
        EXPECT_TRUE(IsClass(w, L"Button"));
        EXPECT_EQ(w.text, FromUtf8(c.caption));
        EXPECT_NE(w.style & WS_TABSTOP, 0u);
        break;
      case layout::Kind::Line:
        break;
    }
  }
  return byName;
}

// A fixed border: a title bar, no resizing, no minimize or maximize box; the
// client area exactly the layout's.
void CheckFrame(HWND window, const layout::Form& form) {
  SCOPED_TRACE(form.name);
  const auto style = static_cast<DWORD>(GetWindowLongW(window, GWL_STYLE));
  EXPECT_EQ(style & WS_CAPTION, static_cast<DWORD>(WS_CAPTION));
  EXPECT_EQ((style & WS_SYSMENU) != 0, form.controlBox);
  EXPECT_EQ(style & (WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX), 0u);
  const RECT client = ClientRect(window);
  EXPECT_EQ(client.right, Px(form.clientWidth));
  EXPECT_EQ(client.bottom, Px(form.clientHeight));
  // Centred on the screen by the load step (to the pixel, either way).
  RECT outer{};
  GetWindowRect(window, &outer);
  EXPECT_NEAR(outer.left + outer.right, GetSystemMetrics(SM_CXSCREEN), 2);
  EXPECT_NEAR(outer.top + outer.bottom, GetSystemMetrics(SM_CYSCREEN), 2);
}

std::wstring Decimal(unsigned long long n) { return std::to_wstring(n); }

template <typename Fn>
std::wstring AnsiQuery(Fn query) {
  char buffer[MAX_PATH + 1] = {};
  query(buffer, static_cast<DWORD>(sizeof buffer));
  return FromAnsi(buffer);
}

// Digits grouped in threes with commas, as the memory line shows them.
bool IsGroupedNumber(const std::wstring& s) {
  if (s.empty()) return true;  // a zero shows no digits
  const size_t first = s.size() % 4 == 0 ? 4 : s.size() % 4;
  if (first == 4 || s.size() < first) return false;
  for (size_t i = 0; i < s.size(); ++i) {
    const bool comma = i >= first && (i - first) % 4 == 0;
    if (comma ? s[i] != L',' : !iswdigit(s[i])) return false;
  }
  return s[0] != L'0';
}

bool EndsWith(const std::wstring& s, const std::wstring& tail) {
  return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

bool IsNumberThen(const std::wstring& s, const std::wstring& unit) {
  if (!EndsWith(s, unit) || s.size() == unit.size()) return false;
  for (size_t i = 0; i + unit.size() < s.size(); ++i)
    if (!iswdigit(s[i])) return false;
  return true;
}

class Program {
 public:
  Program() : process_(StartProgram(WindowsPath(g_program))) {}
  ~Program() {
    if (WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT)
      TerminateProcess(process_.hProcess, 99);
    CloseHandle(process_.hThread);
    CloseHandle(process_.hProcess);
  }
  DWORD Id() const { return process_.dwProcessId; }
  HANDLE Handle() const { return process_.hProcess; }

 private:
  PROCESS_INFORMATION process_;
};

HWND AwaitWindow(DWORD processId, const std::wstring& caption) {
  HWND found = nullptr;
  WaitFor([&] { return (found = FindTopWindow(processId, caption)) != nullptr; });
  return found;
}

HWND OpenAbout(HWND main, DWORD processId) {
  if (!BringToFront(main)) ADD_FAILURE() << "the main window does not come to the front";
  TypeKeys({'F'}, true);  // the File menu
  TypeKeys({'A'});        // its About item
  return AwaitWindow(processId, kAboutCaption);
}

void CheckAbout(HWND about, HWND main, DWORD processId) {
  const layout::Form& form = frmAboutLayout();
  CheckFrame(about, form);
  EXPECT_NE(GetWindowLongW(about, GWL_EXSTYLE) & WS_EX_DLGMODALFRAME, 0);
  EXPECT_EQ(GetWindow(about, GW_OWNER), main);
  EXPECT_FALSE(IsWindowEnabled(main)) << "the dialog is modal";
  const auto children = Children(about);
  auto byName = CheckControls(form, children);

  auto text = [&](const char* name) {
    auto it = byName.find(name);
    return it == byName.end() ? std::wstring(L"<missing>") : it->second->text;
  };
  const struct {
    const char* name;
    std::wstring text;
  } kTexts[] = {
      {"lblTitle", L"Kavreno"},
      {"lblVersion", L"Version 1.0.0"},
      {"lblCopyright", FromUtf8(std::string(kApp.copyright))},
      {"lblDescription", L"この製品はフリーソフトウェアです。"},
      {"cmdOK", L"OK"},
      {"cmdSysInfo", L"ｼｽﾃﾑ情報(&S)..."},
  };
  for (const auto& row : kTexts) EXPECT_EQ(text(row.name), row.text) << row.name;

  const std::wstring memory = text("lblDisclaimer");
  const std::wstring prefix = L"Windowsが使用できる物理ﾒﾓﾘ: ";
  ASSERT_EQ(memory.rfind(prefix, 0), 0u) << "lblDisclaimer";
  ASSERT_TRUE(EndsWith(memory, L" KB")) << "lblDisclaimer";
  EXPECT_TRUE(IsGroupedNumber(memory.substr(prefix.size(), memory.size() - prefix.size() - 3)))
      << "lblDisclaimer";

  if (byName.count("picIcon") != 0) {
    const LRESULT icon = SendMessageW(byName["picIcon"]->hwnd, STM_GETICON, 0, 0);
    EXPECT_NE(icon, 0) << "picIcon shows the program's icon";
  }
  // The focus starts on OK, which Enter presses.
  GUITHREADINFO gui{};
  gui.cbSize = sizeof gui;
  GetGUIThreadInfo(GetWindowThreadProcessId(about, nullptr), &gui);
  if (byName.count("cmdOK") != 0) {
    EXPECT_EQ(gui.hwndFocus, byName["cmdOK"]->hwnd);
    EXPECT_EQ(byName["cmdOK"]->style & BS_TYPEMASK, static_cast<DWORD>(BS_DEFPUSHBUTTON));
  }
  (void)processId;
}

TEST(KavrenoProgram, ShowsTheSystemOpensAboutAndEndsThroughTheCloseBox) {
  ASSERT_FALSE(g_program.empty()) << "usage: kv_win32_e2e_tests [gtest flags] kavreno.exe";
  Program program;
  HWND main = AwaitWindow(program.Id(), L"Kavreno");
  ASSERT_NE(main, nullptr) << "no window titled Kavreno";
  EXPECT_NE(GetMenu(main), nullptr) << "the menu bar";

  // The window and every control where the layout puts them.
  const layout::Form& form = frmSystemLayout();
  CheckFrame(main, form);
  const auto children = Children(main);
  auto byName = CheckControls(form, children);
  for (const auto& c : form.controls) {
    if (c.name != "lblTitle") continue;
    const std::string name = "lblTitle(" + std::to_string(c.index) + ")";
    if (byName.count(name) != 0) {
      EXPECT_EQ(byName[name]->text, FromUtf8(c.caption)) << name;
    }
  }

  // The values, as this process's own calls answer them.
  SYSTEM_INFO system{};
  GetSystemInfo(&system);
  OSVERSIONINFOA version{};
  version.dwOSVersionInfoSize = sizeof version;
  GetVersionExA(&version);
  MEMORYSTATUSEX memory{};
  memory.dwLength = sizeof memory;
  GlobalMemoryStatusEx(&memory);
  const double totalKb = std::nearbyint(static_cast<double>(memory.ullTotalPhys) / 1024.0);
  const struct {
    const char* name;
    std::wstring text;
  } kValues[] = {
      {"lblComputerName", AnsiQuery([](char* b, DWORD n) { GetComputerNameA(b, &n); })},
      {"lblUserName", AnsiQuery([](char* b, DWORD n) { GetUserNameA(b, &n); })},
      {"lblWindowsDirectory",
       AnsiQuery([](char* b, DWORD n) { GetWindowsDirectoryA(b, n); }) + L"\\"},
      {"lblSystemDirectory",
       AnsiQuery([](char* b, DWORD n) { GetSystemDirectoryA(b, n); }) + L"\\"},
      {"lblTemporaryDirectory", AnsiQuery([](char* b, DWORD n) { GetTempPathA(n, b); })},
      {"lblProcessors", Decimal(system.dwNumberOfProcessors)},
      {"lblFunctionKeys", Decimal(static_cast<unsigned>(GetKeyboardType(2)))},
      {"lblWindowsVersion",
       Decimal(version.dwMajorVersion) + L"." + Decimal(version.dwMinorVersion)},
      {"lblTotalMemory", Decimal(static_cast<unsigned long long>(totalKb)) + L" KB"},
  };
  for (const auto& row : kValues) {
    ASSERT_EQ(byName.count(row.name), 1u) << row.name;
    EXPECT_EQ(byName[row.name]->text, row.text) << row.name;
  }
  EXPECT_TRUE(IsNumberThen(byName["lblFreeMemory"]->text, L" KB"));
  EXPECT_TRUE(IsNumberThen(byName["lblUsedMemory"]->text, L" %"));
  EXPECT_FALSE(byName["lblOperatingSystem"]->text.empty());
  EXPECT_FALSE(byName["lblKeyboard"]->text.empty());

  // The drive report: a block of six lines per root, in the system's order,
  // read across the process boundary.
  ASSERT_EQ(byName.count("Text1"), 1u);
  const std::wstring report = byName["Text1"]->text;
  char roots[512] = {};
  GetLogicalDriveStringsA(sizeof roots, roots);
  std::wstring expectedStart;
  size_t blocks = 0;
  for (const char* root = roots; *root != '\0'; root += lstrlenA(root) + 1) ++blocks;
  std::vector<std::wstring> lines;
  for (size_t start = 0; start < report.size();) {
    const size_t end = report.find(L"\r\n", start);
    ASSERT_NE(end, std::wstring::npos) << "every line ends with CR LF";
    lines.push_back(report.substr(start, end - start));
    start = end + 2;
  }
  ASSERT_EQ(lines.size(), 6 * blocks);
  size_t block = 0;
  for (const char* root = roots; *root != '\0'; root += lstrlenA(root) + 1, ++block) {
    EXPECT_EQ(lines[6 * block], L"Disk " + FromAnsi(root));
    EXPECT_EQ(lines[6 * block + 1].rfind(L"  Volume Name: ", 0), 0u);
    EXPECT_EQ(lines[6 * block + 3].rfind(L"  Drive Type:  ", 0), 0u);
    EXPECT_EQ(lines[6 * block + 5].rfind(L"  Free Space:  ", 0), 0u);
  }

  // The About dialog, closed with Esc and then, opened anew, with Enter.
  for (const WORD closingKey : {VK_ESCAPE, VK_RETURN}) {
    SCOPED_TRACE(closingKey == VK_ESCAPE ? "closed with Esc" : "closed with Enter");
    HWND about = OpenAbout(main, program.Id());
    ASSERT_NE(about, nullptr) << "Alt+F, A opens no About dialog";
    CheckAbout(about, main, program.Id());
    TypeKeys({closingKey});
    EXPECT_TRUE(WaitFor([&] { return !IsWindow(about); }, std::chrono::seconds(10)))
        << "the About dialog stays open";
    EXPECT_TRUE(WaitFor([&] { return IsWindowEnabled(main) != FALSE; }, std::chrono::seconds(5)));
  }

  // The close box ends the program.
  PostMessageW(main, WM_SYSCOMMAND, SC_CLOSE, 0);
  ASSERT_EQ(WaitForSingleObject(program.Handle(), 30000), WAIT_OBJECT_0)
      << "the program does not end after the close box";
  DWORD exitCode = 1;
  GetExitCodeProcess(program.Handle(), &exitCode);
  EXPECT_EQ(exitCode, 0u);
}

}  // namespace
}  // namespace kv::e2e

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  if (argc > 1) kv::e2e::g_program = argv[1];
  return RUN_ALL_TESTS();
}
