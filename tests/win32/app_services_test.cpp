// The file test and the program start against the real file system.
#include "platform/win32/app_services.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "platform/errors.h"
#include "platform/win32/win32_text.h"
#include "win32/wine_test_support.h"

namespace kv::win32 {
namespace {

// ---- FileExists -------------------------------------------------------------------

// A folder with one entry of each kind.
class FileTest : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    folder_ = new test::TempFolder(L"kv-files");
    const std::wstring& f = folder_->Path();
    test::WriteBytes(f + L"plain.txt", "x");
    test::WriteBytes(f + L"hidden.txt", "x");
    SetFileAttributesW((f + L"hidden.txt").c_str(), FILE_ATTRIBUTE_HIDDEN);
    test::WriteBytes(f + L"system.txt", "x");
    SetFileAttributesW((f + L"system.txt").c_str(), FILE_ATTRIBUTE_SYSTEM);
    test::WriteBytes(f + L"readonly.txt", "x");
    SetFileAttributesW((f + L"readonly.txt").c_str(), FILE_ATTRIBUTE_READONLY);
    CreateDirectoryW((f + L"folder.txt").c_str(), nullptr);
    test::WriteBytes(f + L"\u30BD\u30D5\u30C8 \u8868.txt", "x");  // ソフト 表.txt
  }
  static void TearDownTestSuite() {
    delete folder_;
    folder_ = nullptr;
  }
  static std::string Path(const std::string& name) { return Narrow(folder_->Path()) + name; }
  static test::TempFolder* folder_;
};

test::TempFolder* FileTest::folder_ = nullptr;

struct FileCase {
  const char* name;  // below the test folder
  bool exists;
};

std::ostream& operator<<(std::ostream& out, const FileCase& c) { return out << c.name; }

class FileExistsCase : public FileTest, public testing::WithParamInterface<FileCase> {};

TEST_P(FileExistsCase, CountsOrdinaryFilesOnly) {
  EXPECT_EQ(Files().FileExists(Path(GetParam().name)), GetParam().exists);
}

INSTANTIATE_TEST_SUITE_P(
    Win32, FileExistsCase,
    testing::Values(FileCase{"plain.txt", true}, FileCase{"PLAIN.TXT", true},
                    FileCase{"readonly.txt", true}, FileCase{"hidden.txt", false},
                    FileCase{"system.txt", false}, FileCase{"folder.txt", false},
                    FileCase{"missing.txt", false}, FileCase{"missing\\plain.txt", false},
                    // A folder that ends with a backslash, joined with "\name".
                    FileCase{"\\plain.txt", true}, FileCase{"ソフト 表.txt", true},
                    FileCase{"h*.txt", false},  // only the hidden one matches
                    FileCase{"*.txt", true},    // the plain one is among them
                    FileCase{"fold*", false}));

TEST_F(FileTest, AnEmptyPathIsNoFile) { EXPECT_FALSE(Files().FileExists("")); }

// ---- Shell --------------------------------------------------------------------------

class ShellTest : public testing::Test {
 protected:
  test::TempFolder folder_{L"kv-shell"};
};

TEST_F(ShellTest, StartsExactlyThePathWithTheShowModeAndWithoutWaiting) {
  const std::wstring tool = folder_.Path() + L"with space\\tool one.exe";
  test::CopyInto(test::MarkerProgram(), tool);
  // What a command line split at its first space would start instead.
  const std::wstring decoy = folder_.Path() + L"with.exe";
  test::CopyInto(test::MarkerProgram(), decoy);

  const uint32_t id = Programs().Shell(Narrow(tool), 1);
  EXPECT_NE(id, 0u);
  test::WaitForProcess(id);
  EXPECT_EQ(test::MarkerReport(tool), "\"" + Narrow(tool) + "\"\n1\n");
  EXPECT_EQ(test::MarkerReport(decoy), "");
}

struct ShellFailure {
  const char* name;  // below the test folder; empty: the empty path
  int32_t number;
};

std::ostream& operator<<(std::ostream& out, const ShellFailure& c) { return out << c.name; }

class ShellFails : public ShellTest, public testing::WithParamInterface<ShellFailure> {};

TEST_P(ShellFails, RaisesAnError) {
  test::WriteBytes(folder_.Path() + L"notes.txt", "not a program");
  const std::string name = GetParam().name;
  const std::string path = name.empty() ? "" : Narrow(folder_.Path()) + name;
  try {
    Programs().Shell(path, 1);
    FAIL() << "started " << path;
  } catch (const Error& e) {
    EXPECT_EQ(e.Number(), GetParam().number);
  }
}

INSTANTIATE_TEST_SUITE_P(Win32, ShellFails,
                         testing::Values(ShellFailure{"", kErrFileNotFound},
                                         ShellFailure{"missing.exe", kErrFileNotFound},
                                         ShellFailure{"missing\\tool.exe", kErrFileNotFound},
                                         ShellFailure{"notes.txt", kErrInvalidCall}));

}  // namespace
}  // namespace kv::win32
