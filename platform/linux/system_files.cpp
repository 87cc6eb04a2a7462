#include "platform/linux/system_files.h"

#include <dirent.h>
#include <fcntl.h>
#include <linux/openat2.h>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdint>

namespace kv::linux_os {
namespace {

constexpr int kReadFlags = O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC;
constexpr int kListFlags = O_RDONLY | O_DIRECTORY | O_NONBLOCK | O_CLOEXEC;
constexpr int kLookFlags = O_PATH | O_DIRECTORY | O_CLOEXEC;
// The first read asks for this much, each later one for as much as was read
// before; the text grows on the heap, nothing large is on the stack.
constexpr std::size_t kChunk = 16384;

// How a path was opened in the program.
struct HereResult {
  int fd = -1;
  bool elsewhere = false;  // its lookup would cross a mount point: ask where it may stall
};

// Opens path in the program when its lookup crosses no mount point: then
// the file lies on the file system of the root directory (the one the
// program runs from) or, for /proc/..., on the kernel's own. The kernel
// checks it while it looks the path up, before it would step onto another
// file system, so nothing there is asked.
HereResult OpenHere(const std::string& path, int flags) {
  HereResult result;
  if (!path.starts_with('/') || path.find('\0') != std::string::npos) {
    result.elsewhere = path.find('\0') == std::string::npos;  // the current directory may lie anywhere
    return result;
  }
  int dir = AT_FDCWD;
  std::string rest = path;
  if (path.starts_with("/proc/")) {
    dir = open("/proc", O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (dir < 0) return result.elsewhere = true, result;
    rest = path.substr(6);
  }
  struct open_how how {};
  how.flags = static_cast<uint64_t>(flags);
  how.resolve = RESOLVE_NO_XDEV | RESOLVE_NO_MAGICLINKS;
  const long fd = syscall(SYS_openat2, dir, rest.c_str(), &how, sizeof how);
  const int error = errno;
  if (dir != AT_FDCWD) close(dir);
  if (fd >= 0) {
    result.fd = static_cast<int>(fd);
  } else {
    // EXDEV: a mount on the way. ENOSYS, EPERM: a kernel or a sandbox
    // without openat2, where the path cannot be checked.
    result.elsewhere = error == EXDEV || error == ENOSYS || error == EPERM || error == EAGAIN;
  }
  return result;
}

std::optional<std::vector<std::string>> ListFd(int fd) {
  DIR* d = fdopendir(fd);
  if (d == nullptr) {
    close(fd);
    return std::nullopt;
  }
  std::vector<std::string> names;
  while (const dirent* e = readdir(d)) {
    const std::string_view name(e->d_name);
    if (name != "." && name != "..") names.emplace_back(name);
  }
  closedir(d);
  return names;
}

std::string ListAnswer(const std::vector<std::string>& names) {
  WireWriter out;
  out.Number(names.size());
  for (const auto& name : names) out.Text(name);
  return out.Done();
}

std::optional<std::vector<std::string>> ListFromAnswer(const QueryAnswer& answer) {
  if (!answer) return std::nullopt;
  WireReader in(*answer);
  std::vector<std::string> names(in.Number());
  for (auto& name : names) name = in.Text();
  if (!in.Ok()) return std::nullopt;
  return names;
}

std::string Parent(const std::string& path) {
  const auto slash = path.rfind('/');
  return slash == std::string::npos || slash == 0 ? std::string("/") : path.substr(0, slash);
}

}  // namespace

std::optional<std::string> ReadRegularFileFd(int fd, std::size_t limit) {
  if (fd < 0) return std::nullopt;
  struct stat st {};
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || static_cast<uint64_t>(st.st_size) > limit) {
    close(fd);
    return std::nullopt;
  }
  std::string text;
  text.reserve(static_cast<std::size_t>(st.st_size) + 1);
  while (true) {
    // One byte more than the limit allows shows a file that is too large.
    const std::size_t want = std::min(std::max(kChunk, text.size()), limit + 1 - text.size());
    const std::size_t had = text.size();
    text.resize(had + want);
    const ssize_t n = read(fd, text.data() + had, want);
    if (n < 0 && errno == EINTR) {
      text.resize(had);
      continue;
    }
    text.resize(had + (n > 0 ? static_cast<std::size_t>(n) : 0));
    if (n <= 0 || text.size() > limit) {
      close(fd);
      if (n < 0 || text.size() > limit) return std::nullopt;
      return text;
    }
  }
}

std::optional<std::string> ReadRegularFile(const std::string& path, std::size_t limit) {
  if (path.find('\0') != std::string::npos) return std::nullopt;
  return ReadRegularFileFd(open(path.c_str(), kReadFlags), limit);
}

std::optional<std::vector<std::string>> ListDirectory(const std::string& path) {
  if (path.find('\0') != std::string::npos) return std::nullopt;
  const int fd = open(path.c_str(), kListFlags);
  if (fd < 0) return std::nullopt;
  return ListFd(fd);
}

std::optional<std::string> LookUpUserName() {
  const long hint = sysconf(_SC_GETPW_R_SIZE_MAX);
  std::vector<char> scratch(hint > 0 ? static_cast<std::size_t>(hint) : 1024);
  struct passwd pw {};
  struct passwd* found = nullptr;
  int rc = 0;
  while ((rc = getpwuid_r(geteuid(), &pw, scratch.data(), scratch.size(), &found)) == ERANGE &&
         scratch.size() < (1u << 20))
    scratch.resize(scratch.size() * 2);
  if (rc != 0 || found == nullptr || found->pw_name == nullptr) return std::nullopt;
  return std::string(found->pw_name);
}

std::vector<std::string> ParseNameServices(std::string_view nsswitch, std::string_view database) {
  std::vector<std::string> services;
  while (!nsswitch.empty()) {
    const auto eol = nsswitch.find('\n');
    std::string_view line = nsswitch.substr(0, eol);
    nsswitch.remove_prefix(eol == std::string_view::npos ? nsswitch.size() : eol + 1);
    if (const auto hash = line.find('#'); hash != std::string_view::npos) line = line.substr(0, hash);
    const auto start = line.find_first_not_of(" \t");
    if (start == std::string_view::npos) continue;
    line.remove_prefix(start);
    const auto colon = line.find(':');
    if (colon == std::string_view::npos) continue;
    std::string_view name = line.substr(0, colon);
    while (!name.empty() && (name.back() == ' ' || name.back() == '\t')) name.remove_suffix(1);
    if (name != database) continue;
    services.clear();  // a later line for the same database wins
    line.remove_prefix(colon + 1);
    std::size_t i = 0;
    while (i < line.size()) {
      const char c = line[i];
      if (c == ' ' || c == '\t' || c == '\r') {
        ++i;
      } else if (c == '[') {  // an action such as [NOTFOUND=return]
        const auto close = line.find(']', i);
        i = close == std::string_view::npos ? line.size() : close + 1;
      } else {
        const auto end = line.find_first_of(" \t\r[", i);
        services.emplace_back(line.substr(i, end == std::string_view::npos ? line.npos : end - i));
        i = end == std::string_view::npos ? line.size() : end;
      }
    }
  }
  return services;
}

std::optional<std::string> ParsePasswdName(std::string_view passwd, unsigned long uid) {
  while (!passwd.empty()) {
    const auto eol = passwd.find('\n');
    std::string_view line = passwd.substr(0, eol);
    passwd.remove_prefix(eol == std::string_view::npos ? passwd.size() : eol + 1);
    const auto start = line.find_first_not_of(" \t");
    if (start == std::string_view::npos || line[start] == '#') continue;
    line.remove_prefix(start);
    // name:password:uid:...
    const auto first = line.find(':');
    if (first == std::string_view::npos || first == 0) continue;
    const auto second = line.find(':', first + 1);
    if (second == std::string_view::npos) continue;
    const std::string_view id = line.substr(second + 1, line.find(':', second + 1) - second - 1);
    unsigned long value = 0;
    const auto [end, ec] = std::from_chars(id.data(), id.data() + id.size(), value);
    if (ec != std::errc() || end != id.data() + id.size() || id.empty() || value != uid) continue;
    return std::string(line.substr(0, first));
  }
  return std::nullopt;
}

bool IsSystemQuery(std::string_view request) {
  return !request.empty() && std::string_view("FLSU").find(request.front()) != std::string_view::npos;
}

QueryAnswer AnswerSystemQuery(std::string_view request) {
  if (!IsSystemQuery(request)) return std::nullopt;
  WireReader in(request.substr(1));
  switch (request.front()) {
    case 'F': {
      const std::string path = in.Text();
      const uint64_t limit = in.Number();
      if (!in.Ok()) return std::nullopt;
      return ReadRegularFile(path, static_cast<std::size_t>(std::min<uint64_t>(limit, SIZE_MAX - 1)));
    }
    case 'L': {
      const std::string path = in.Text();
      if (!in.Ok()) return std::nullopt;
      const auto names = ListDirectory(path);
      if (!names) return std::nullopt;
      return ListAnswer(*names);
    }
    case 'S': {
      const std::string path = in.Text();
      struct stat st {};
      if (!in.Ok() || path.find('\0') != std::string::npos) return std::nullopt;
      return std::string(stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode) ? "1" : "0");
    }
    case 'U': return LookUpUserName();
  }
  return std::nullopt;
}

QueryAnswer SystemFiles::Ask(const std::string& key, std::string request) const {
  if (!queries_) return AnswerSystemQuery(request);
  return queries_->Ask(key, std::move(request));
}

std::optional<std::string> SystemFiles::Read(const std::string& path) const {
  const HereResult here = OpenHere(path, kReadFlags);
  if (here.fd >= 0) return ReadRegularFileFd(here.fd, limit_);
  if (!here.elsewhere) return std::nullopt;
  // A file on another file system stalls with its directory: that is the key.
  return Ask(Parent(path), WireWriter('F').Text(path).Number(limit_).Done());
}

std::optional<std::vector<std::string>> SystemFiles::List(const std::string& dir) const {
  const HereResult here = OpenHere(dir, kListFlags);
  if (here.fd >= 0) return ListFd(here.fd);
  if (!here.elsewhere) return std::nullopt;
  return ListFromAnswer(Ask(dir, WireWriter('L').Text(dir).Done()));
}

std::optional<bool> SystemFiles::IsDirectory(const std::string& path) const {
  const HereResult here = OpenHere(path, kLookFlags);
  if (here.fd >= 0) {
    close(here.fd);
    return true;
  }
  if (!here.elsewhere) return false;
  const QueryAnswer answer = Ask(path, WireWriter('S').Text(path).Done());
  if (!answer) return std::nullopt;
  return *answer == "1";
}

std::optional<std::string> SystemFiles::ReadHere(const std::string& path) const {
  const HereResult here = OpenHere(path, kReadFlags);
  if (here.fd >= 0) return ReadRegularFileFd(here.fd, limit_);
  return std::nullopt;
}

std::optional<std::string> SystemFiles::UserName() const {
  if (const auto nsswitch = ReadHere(users_.nsswitch)) {
    const auto services = ParseNameServices(*nsswitch, "passwd");
    if (!services.empty() && services.front() == "files") {
      if (const auto passwd = ReadHere(users_.passwd)) {
        if (auto name = ParsePasswdName(*passwd, geteuid())) return name;
      }
    }
  }
  return Ask("user database", WireWriter('U').Done());
}

}  // namespace kv::linux_os
