#include "platform/linux/app_services.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <system_error>
#include <thread>

#include "platform/errors.h"
#include "platform/linux/query_server.h"

extern char** environ;

namespace kv::linux_os {
namespace {

constexpr int32_t kErrorInvalidHandle = 6;

bool EqualsNoCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
           return lower(x) == lower(y);
         });
}

// A path as the C library takes it; nullopt when it holds a NUL.
std::optional<std::string> CPath(std::string_view path) {
  if (path.find('\0') != std::string_view::npos) return std::nullopt;
  return std::string(path);
}

}  // namespace

const std::vector<std::string>& DefaultSystemInfoTools() {
  static const std::vector<std::string> tools = {
      "hardinfo2", "hardinfo", "kinfocenter", "cpu-x", "gnome-system-monitor",
      "mate-system-monitor"};
  return tools;
}

LinuxRegistry::LinuxRegistry(std::optional<std::string> searchPath, std::vector<std::string> tools,
                             std::shared_ptr<const IBlockingQueries> queries)
    : searchPath_(std::move(searchPath)),
      tools_(std::move(tools)),
      queries_(queries ? std::move(queries)
                       : std::make_shared<DirectQueries>([](std::string_view request) {
                           return AnswerFileSystemQuery(request, SystemStatVfs());
                         })) {}

int32_t LinuxRegistry::RegOpenKeyExA(int32_t root, std::string_view subKey, uint32_t, uint32_t,
                                     RegistryKey& key) {
  if (root != kHkeyLocalMachine || !EqualsNoCase(subKey, kMsInfoKey)) return kErrorFileNotFound;
  std::string path;
  if (searchPath_) {
    path = *searchPath_;
  } else if (const char* env = std::getenv("PATH")) {
    path = env;
  }
  auto tool = FindToolOnPath(path, tools_, *queries_);
  if (!tool) return kErrorFileNotFound;
  std::lock_guard lock(mutex_);
  key = nextKey_++;
  open_.emplace(key, std::move(*tool));
  return kErrorSuccess;
}

int32_t LinuxRegistry::RegQueryValueExA(RegistryKey key, std::string_view valueName,
                                        uint32_t& type, std::span<uint8_t> data, uint32_t& size) {
  std::lock_guard lock(mutex_);
  const auto it = open_.find(key);
  if (it == open_.end()) return kErrorInvalidHandle;
  if (!EqualsNoCase(valueName, kMsInfoValue)) return kErrorFileNotFound;
  const std::string& value = it->second;
  const std::size_t needed = value.size() + 1;  // the terminating NUL counts
  type = kRegSz;
  const std::size_t room = std::min<std::size_t>(size, data.size());
  size = static_cast<uint32_t>(needed);
  if (needed > room) return kErrorMoreData;
  std::memcpy(data.data(), value.data(), value.size());
  data[value.size()] = 0;
  return kErrorSuccess;
}

int32_t LinuxRegistry::RegCloseKey(RegistryKey key) {
  std::lock_guard lock(mutex_);
  return open_.erase(key) == 1 ? kErrorSuccess : kErrorInvalidHandle;
}

bool LinuxFiles::FileExists(std::string_view path) const {
  const auto cpath = CPath(path);
  if (!cpath) throw BadFileNameError();
  if (cpath->empty()) return false;
  const auto slash = cpath->find_last_of('/');
  const std::string_view name =
      slash == std::string::npos ? std::string_view(*cpath) : std::string_view(*cpath).substr(slash + 1);
  if (name.empty() || name.front() == '.') return false;  // a folder, or a hidden file
  struct stat st {};
  if (stat(cpath->c_str(), &st) != 0) {
    if (errno == ENOENT || errno == ENOTDIR) return false;
    if (errno == EACCES) throw PermissionDeniedError();
    throw BadFileNameError();
  }
  return S_ISREG(st.st_mode);
}

uint32_t LinuxPrograms::Shell(std::string_view path, int) {
  const auto cpath = CPath(path);
  if (!cpath || cpath->empty()) throw FileNotFoundError();

  posix_spawn_file_actions_t actions;
  posix_spawnattr_t attr;
  posix_spawn_file_actions_init(&actions);
  posix_spawnattr_init(&attr);
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  // A session of its own, so that signals meant for this program's terminal
  // do not reach the tool, with the signal mask and dispositions reset.
  sigset_t none, all;
  sigemptyset(&none);
  sigfillset(&all);
  posix_spawnattr_setsigmask(&attr, &none);
  posix_spawnattr_setsigdefault(&attr, &all);
  posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSID | POSIX_SPAWN_SETSIGMASK |
                                      POSIX_SPAWN_SETSIGDEF);

  std::string arg0 = *cpath;
  char* argv[] = {arg0.data(), nullptr};
  pid_t pid = 0;
  // posix_spawn, not posix_spawnp: the path is taken as it is, never searched
  // for and never handed to a shell; a failing exec comes back as its result.
  const int rc = posix_spawn(&pid, cpath->c_str(), &actions, &attr, argv, environ);
  posix_spawnattr_destroy(&attr);
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) {
    if (rc == ENOENT || rc == ENOTDIR) throw FileNotFoundError();
    throw ProgramNotStartedError(*cpath, std::strerror(rc));
  }

  // The tool runs on by itself; a thread waits for this one child so that it
  // does not stay a zombie, without touching the handling of other children.
  try {
    std::thread([pid] {
      int status = 0;
      while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
      }
    }).detach();
  } catch (const std::system_error&) {
    // No thread: the child is reaped when this program ends.
  }
  return static_cast<uint32_t>(pid);
}

}  // namespace kv::linux_os
