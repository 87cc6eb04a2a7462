// The files, directories and user database the Linux layer reads, read so
// that nothing outside the program can hold it:
// - a file is opened without waiting (a FIFO or a device opens at once) and
//   without taking a terminal, anything but a regular file is refused, and at
//   most a limit of bytes is read (the kernel's files report a size of 0, so
//   the bytes read are counted, not the size);
// - a path whose lookup crosses no mount point (checked by the kernel while
//   it looks the path up: RESOLVE_NO_XDEV) lies on the file system the
//   program runs from, or on /proc, and is read in the program; any other
//   path may lie on a network or FUSE file system whose open never returns,
//   and is read through the blocking queries, under their time limit;
// - the user database (NSS: files, LDAP, SSSD...) is asked through the
//   blocking queries.
// Parsing is apart: the readers hand back text.
#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/blocking_queries.h"

namespace kv::linux_os {

// The most a configuration file or a small kernel file may hold.
inline constexpr std::size_t kSmallFileLimit = 512 * 1024;

// Reads the regular file at path whole, as described above (no check of the
// mounts on the way); nullopt when it cannot be opened or read, is not a
// regular file, or holds more than limit bytes.
std::optional<std::string> ReadRegularFile(const std::string& path,
                                           std::size_t limit = kSmallFileLimit);
// The same for a file opened already; fd is closed.
std::optional<std::string> ReadRegularFileFd(int fd, std::size_t limit = kSmallFileLimit);

// The names in a directory ("." and ".." left out), in no order; nullopt
// when it cannot be read.
std::optional<std::vector<std::string>> ListDirectory(const std::string& path);

// The name of the effective user in the user database; nullopt when it has none.
std::optional<std::string> LookUpUserName();

// The services /etc/nsswitch.conf names for a database, in order, without
// their [STATUS=action] items; empty when the database has no line.
std::vector<std::string> ParseNameServices(std::string_view nsswitch, std::string_view database);
// The name of the first entry of /etc/passwd text with user id uid, as the
// "files" service finds it; nullopt when none has it.
std::optional<std::string> ParsePasswdName(std::string_view passwd, unsigned long uid);

// The answerer of the system queries below ('F' a file, 'L' a directory's
// names, 'S' whether a path is a directory, 'U' the user's name); nullopt for
// a request that is not one of them.
bool IsSystemQuery(std::string_view request);
QueryAnswer AnswerSystemQuery(std::string_view request);

// The files the "files" service of the name service switch reads.
struct UserDatabaseFiles {
  std::string nsswitch = "/etc/nsswitch.conf";
  std::string passwd = "/etc/passwd";
};

class SystemFiles {
 public:
  // queries: where a read that may stall runs. When empty, every read runs
  // in the program with no limit, for made-up files in tests.
  explicit SystemFiles(std::shared_ptr<const IBlockingQueries> queries = nullptr,
                       std::size_t limit = kSmallFileLimit, UserDatabaseFiles users = {})
      : queries_(std::move(queries)), limit_(limit), users_(std::move(users)) {}

  std::optional<std::string> Read(const std::string& path) const;
  std::optional<std::vector<std::string>> List(const std::string& dir) const;
  // Whether path names a directory (after symbolic links); nullopt when the
  // lookup did not answer within the limit.
  std::optional<bool> IsDirectory(const std::string& path) const;
  // The effective user's name; nullopt when it has none or the database did
  // not answer within the limit. Where the name service asks the files
  // first, and /etc/passwd can be read in the program and names the user,
  // the name comes from there, as the service would give it, and nothing is
  // asked; otherwise the whole lookup is asked through the queries.
  std::optional<std::string> UserName() const;

 private:
  // Read only when that needs no query; nullopt otherwise.
  std::optional<std::string> ReadHere(const std::string& path) const;
  QueryAnswer Ask(const std::string& key, std::string request) const;
  std::shared_ptr<const IBlockingQueries> queries_;
  std::size_t limit_;
  UserDatabaseFiles users_;
};

}  // namespace kv::linux_os
