// Helpers of the Windows tests: temporary folders and files, other programs,
// and what the test run expects of the system it runs on.
#pragma once

#include <cstdint>
#include <string>

namespace kv::test {

// The ANSI code page the run expects (KV_EXPECT_ACP), 0 when it names none.
unsigned ExpectedAnsiCodePage();

// A folder of its own under the temporary directory, removed with everything
// in it at the end.
class TempFolder {
 public:
  explicit TempFolder(const std::wstring& name = L"kv");
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  const std::wstring& Path() const { return path_; }  // ends with '\'

 private:
  std::wstring path_;
};

// Removes a folder and everything in it.
void RemoveTree(const std::wstring& folder);

void WriteBytes(const std::wstring& path, const std::string& bytes);
// The whole file; empty when it cannot be read.
std::string ReadBytes(const std::wstring& path);
bool Exists(const std::wstring& path);
// Copies a file, creating the folders on the way.
void CopyInto(const std::wstring& from, const std::wstring& to);

// The program that proves it was started (kv_started_marker.exe, beside the
// test program), and what it wrote when it ran from path: its command line
// and show mode, one per line; empty when it has not run from there.
std::wstring MarkerProgram();
std::string MarkerReport(const std::wstring& path);

// The folder of the running test program, with a trailing '\'.
std::wstring ProgramFolder();
// The system directory as this program sees it, with a trailing '\'.
std::wstring SystemFolder();

// Runs a command line, waits for it and answers its exit code (-1 when it
// cannot be started or does not end within a minute).
long RunAndWait(const std::wstring& commandLine);

// Waits for the process with that id to end (at most 30 s); false when it
// could not be waited for (already gone).
bool WaitForProcess(uint32_t processId);

}  // namespace kv::test
