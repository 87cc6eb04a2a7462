#include "platform/win32/app_services.h"

#include <windows.h>

#include <string>

#include "platform/errors.h"
#include "platform/win32/win32_text.h"

namespace kv::win32 {

// ---- registry ---------------------------------------------------------------------

namespace {

// A predefined root is a sign-extended 32-bit value.
HKEY RootKey(int32_t root) { return reinterpret_cast<HKEY>(static_cast<intptr_t>(root)); }

}  // namespace

int32_t Registry::RegOpenKeyExA(int32_t root, std::string_view subKey, uint32_t options,
                                uint32_t samDesired, RegistryKey& key) {
  const std::string name(subKey);
  HKEY opened = nullptr;
  const LONG result = ::RegOpenKeyExA(RootKey(root), name.c_str(), options, samDesired, &opened);
  if (result == ERROR_SUCCESS) key = reinterpret_cast<RegistryKey>(opened);
  return result;
}

int32_t Registry::RegQueryValueExA(RegistryKey key, std::string_view valueName, uint32_t& type,
                                   std::span<uint8_t> data, uint32_t& size) {
  const std::string name(valueName);
  DWORD valueType = 0;
  DWORD n = size < data.size() ? size : static_cast<DWORD>(data.size());
  const LONG result = ::RegQueryValueExA(reinterpret_cast<HKEY>(key), name.c_str(), nullptr,
                                         &valueType, data.empty() ? nullptr : data.data(), &n);
  if (result == ERROR_SUCCESS || result == ERROR_MORE_DATA) {
    type = valueType;
    size = n;
  }
  return result;
}

int32_t Registry::RegCloseKey(RegistryKey key) {
  return ::RegCloseKey(reinterpret_cast<HKEY>(key));
}

// ---- files ------------------------------------------------------------------------

bool ListOrdinaryFiles(std::string_view path) {
  constexpr DWORD kNotOrdinary =
      FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
  WIN32_FIND_DATAW entry{};
  const HANDLE find = FindFirstFileW(Widen(path).c_str(), &entry);
  if (find == INVALID_HANDLE_VALUE) {
    switch (GetLastError()) {
      case ERROR_FILE_NOT_FOUND:
      case ERROR_PATH_NOT_FOUND:
      case ERROR_NO_MORE_FILES:
        return false;
      case ERROR_NOT_READY:
        throw DiskNotReadyError();
      default:
        throw BadFileNameError();
    }
  }
  bool found = false;
  do {
    found = (entry.dwFileAttributes & kNotOrdinary) == 0;
  } while (!found && FindNextFileW(find, &entry));
  FindClose(find);
  return found;
}

std::string StallKey(std::string_view path) {
  std::string key;
  const bool unc = path.size() > 2 && (path[0] == '\\' || path[0] == '/') &&
                   (path[1] == '\\' || path[1] == '/');
  if (unc) {
    // \\server\share: up to the separator after the share's name.
    int separators = 0;
    std::size_t end = 0;
    for (; end < path.size(); ++end)
      if ((path[end] == '\\' || path[end] == '/') && ++separators == 4) break;
    key = path.substr(0, end);
  } else if (path.size() >= 2 && path[1] == ':') {
    key = path.substr(0, 2);
  } else {
    key = path;
  }
  for (char& c : key) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c == '/') c = '\\';
  }
  return key;
}

// A listing's answer: "1" or "0", or the error it raised as "e", its number,
// ":" and its description.
Files::Files(FileLister list, std::chrono::milliseconds limit)
    : queries_(
          [list = std::move(list)](std::string_view path) -> QueryAnswer {
            try {
              return list(path) ? "1" : "0";
            } catch (const Error& e) {
              return "e" + std::to_string(e.Number()) + ":" + e.what();
            }
          },
          limit) {}

bool Files::FileExists(std::string_view path) const {
  if (path.empty() || path.find('\0') != std::string_view::npos) return false;
  const QueryAnswer answer = queries_.Ask(StallKey(path), std::string(path));
  if (!answer || answer->empty()) throw DeviceUnavailableError();
  if ((*answer)[0] == 'e') {
    const std::size_t colon = answer->find(':');
    throw Error(std::stoi(answer->substr(1, colon - 1)), answer->substr(colon + 1));
  }
  return *answer == "1";
}

// ---- programs -----------------------------------------------------------------------

uint32_t Programs::Shell(std::string_view path, int showMode) {
  // A NUL inside the path would end it early and name another program.
  if (path.empty() || path.find('\0') != std::string_view::npos) throw FileNotFoundError();
  const std::wstring application = Widen(path);
  // The command line only repeats the program's name, quoted, as its first
  // argument; the program itself is named by the application name alone.
  std::wstring commandLine = L"\"" + application + L"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = static_cast<WORD>(showMode);
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(application.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                      nullptr, &startup, &process)) {
    switch (GetLastError()) {
      case ERROR_FILE_NOT_FOUND:
      case ERROR_PATH_NOT_FOUND:
      case ERROR_INVALID_NAME:
      case ERROR_BAD_PATHNAME:
        throw FileNotFoundError();
      default:
        throw InvalidCallError();
    }
  }
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return process.dwProcessId;
}

}  // namespace kv::win32
