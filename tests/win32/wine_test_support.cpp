#include "win32/wine_test_support.h"

#include <windows.h>

#include <cstdlib>
#include <stdexcept>

namespace kv::test {

unsigned ExpectedAnsiCodePage() {
  const char* value = std::getenv("KV_EXPECT_ACP");
  return value ? static_cast<unsigned>(std::strtoul(value, nullptr, 10)) : 0;
}

TempFolder::TempFolder(const std::wstring& name) {
  wchar_t temp[MAX_PATH + 1];
  const DWORD n = GetTempPathW(MAX_PATH + 1, temp);
  if (n == 0 || n > MAX_PATH) throw std::runtime_error("no temporary directory");
  static unsigned serial = 0;
  for (;;) {
    path_ = std::wstring(temp, n) + name + L"-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
            std::to_wstring(++serial) + L"\\";
    if (CreateDirectoryW(path_.c_str(), nullptr)) break;
    if (GetLastError() != ERROR_ALREADY_EXISTS) throw std::runtime_error("cannot make a folder");
  }
}

TempFolder::~TempFolder() { RemoveTree(path_); }

void RemoveTree(const std::wstring& folder) {
  std::wstring base = folder;
  if (!base.empty() && base.back() != L'\\') base += L'\\';
  WIN32_FIND_DATAW entry;
  const HANDLE find = FindFirstFileW((base + L"*").c_str(), &entry);
  if (find != INVALID_HANDLE_VALUE) {
    do {
      const std::wstring name = entry.cFileName;
      if (name == L"." || name == L"..") continue;
      const std::wstring path = base + name;
      if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        RemoveTree(path);
      } else {
        SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileW(path.c_str());
      }
    } while (FindNextFileW(find, &entry));
    FindClose(find);
  }
  RemoveDirectoryW(base.c_str());
}

void WriteBytes(const std::wstring& path, const std::string& bytes) {
  const HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) throw std::runtime_error("cannot write a file");
  DWORD written = 0;
  WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  CloseHandle(file);
}

std::string ReadBytes(const std::wstring& path) {
  const HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return {};
  std::string bytes;
  char chunk[4096];
  DWORD n = 0;
  while (ReadFile(file, chunk, sizeof chunk, &n, nullptr) && n > 0) bytes.append(chunk, n);
  CloseHandle(file);
  return bytes;
}

std::wstring MarkerProgram() { return ProgramFolder() + L"kv_started_marker.exe"; }

std::string MarkerReport(const std::wstring& path) { return ReadBytes(path + L".started"); }

bool Exists(const std::wstring& path) {
  return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

void CopyInto(const std::wstring& from, const std::wstring& to) {
  for (size_t i = to.find(L'\\', 3); i != std::wstring::npos; i = to.find(L'\\', i + 1))
    CreateDirectoryW(to.substr(0, i).c_str(), nullptr);
  if (!CopyFileW(from.c_str(), to.c_str(), FALSE)) throw std::runtime_error("cannot copy a file");
}

std::wstring ProgramFolder() {
  wchar_t path[MAX_PATH + 1];
  const DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH + 1);
  std::wstring self(path, n);
  return self.substr(0, self.rfind(L'\\') + 1);
}

std::wstring SystemFolder() {
  wchar_t path[MAX_PATH + 1];
  const UINT n = GetSystemDirectoryW(path, MAX_PATH + 1);
  return std::wstring(path, n) + L"\\";
}

long RunAndWait(const std::wstring& commandLine) {
  std::wstring line = commandLine;
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr,
                      nullptr, &startup, &process))
    return -1;
  CloseHandle(process.hThread);
  DWORD code = static_cast<DWORD>(-1);
  if (WaitForSingleObject(process.hProcess, 60000) == WAIT_OBJECT_0)
    GetExitCodeProcess(process.hProcess, &code);
  CloseHandle(process.hProcess);
  return static_cast<long>(code);
}

bool WaitForProcess(uint32_t processId) {
  const HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, processId);
  if (!process) return false;
  const bool ended = WaitForSingleObject(process, 30000) == WAIT_OBJECT_0;
  CloseHandle(process);
  return ended;
}

}  // namespace kv::test
