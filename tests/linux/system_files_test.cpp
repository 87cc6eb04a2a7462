// The reader of the files the Linux layer reads, and where it reads them:
// in the program when nothing on the way can stall, else through the
// blocking queries.
#include "platform/linux/system_files.h"

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <functional>

#include "platform/linux/system_queries.h"
#include "tests/linux/test_support.h"

namespace kv::linux_os {
namespace {

using namespace std::chrono_literals;

// Anything but a regular file is refused at once; a regular file is read
// whole up to the limit.
TEST(ReadRegularFile, ReadsRegularFilesOnlyAndUpToTheLimit) {
  test::TempDir dir({{"small", "abc\n"}, {"limit", std::string(100, 'x')}, {"over", std::string(101, 'x')}});
  ASSERT_EQ(mkfifo((dir / "fifo").c_str(), 0600), 0);
  const int sock = socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un address{.sun_family = AF_UNIX};
  const std::string socketPath = (dir / "socket").string();
  ASSERT_LT(socketPath.size(), sizeof address.sun_path);
  socketPath.copy(address.sun_path, socketPath.size());
  ASSERT_EQ(bind(sock, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  ASSERT_EQ(listen(sock, 1), 0);

  const struct {
    std::string path;
    std::optional<std::string> text;
  } kCases[] = {
      {(dir / "small").string(), "abc\n"},
      {(dir / "limit").string(), std::string(100, 'x')},
      {(dir / "over").string(), std::nullopt},
      {(dir / "fifo").string(), std::nullopt},    // no writer: would wait for one
      {socketPath, std::nullopt},                  // listens, never answers
      {dir.path.string(), std::nullopt},           // a directory
      {"/dev/zero", std::nullopt},                 // never ends
      {"/dev/null", std::nullopt},
      {(dir / "missing").string(), std::nullopt},
      {std::string("/etc\0passwd", 11), std::nullopt},
  };
  for (const auto& c : kCases) {
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(ReadRegularFile(c.path, 100), c.text) << c.path;
    EXPECT_LT(std::chrono::steady_clock::now() - start, 1s) << c.path;
  }
  close(sock);
  // The kernel's files report a size of 0; the bytes read are what count.
  const auto status = ReadRegularFile("/proc/self/status");
  ASSERT_TRUE(status);
  EXPECT_NE(status->find("Name:"), std::string::npos);
  EXPECT_FALSE(ReadRegularFile("/proc/self/status", 16));
}

// Records the keys asked and answers as the helper would, or not at all.
struct RecordingQueries final : IBlockingQueries {
  bool answers = true;
  mutable std::vector<std::string> keys;
  std::vector<QueryAnswer> AskAll(const std::vector<BlockingQuery>& queries) const override {
    std::vector<QueryAnswer> out;
    for (const auto& q : queries) {
      keys.push_back(q.key);
      out.push_back(answers ? AnswerSystemQuery(q.request) : std::nullopt);
    }
    return out;
  }
};

TEST(SystemFiles, AsksTheQueriesOnlyWhereAMountIsOnTheWay) {
  const auto queries = std::make_shared<RecordingQueries>();
  // No name service configuration: the user database is asked.
  const SystemFiles files(queries, kSmallFileLimit, {"/nonexistent/nsswitch.conf", "/etc/passwd"});
  // On the kernel's own files: read here.
  EXPECT_TRUE(files.Read("/proc/self/status"));
  EXPECT_EQ(files.IsDirectory("/proc/self"), true);
  EXPECT_TRUE(files.List("/proc/self"));
  EXPECT_TRUE(queries->keys.empty());
  // Past a mount point (sysfs and devtmpfs are mounts of their own) or from
  // the current directory: asked, keyed by the directory that may stall.
  EXPECT_FALSE(files.Read("/dev/zero"));
  EXPECT_EQ(files.IsDirectory("/sys/kernel"), true);
  EXPECT_TRUE(files.List("/sys/kernel"));
  EXPECT_FALSE(files.Read("relative/file"));
  EXPECT_EQ(queries->keys, (std::vector<std::string>{"/dev", "/sys/kernel", "/sys/kernel", "relative"}));
  EXPECT_EQ(files.UserName(), LookUpUserName());
  EXPECT_EQ(queries->keys.back(), "user database");

  // What did not answer in time is a failure, told apart from "no".
  queries->answers = false;
  EXPECT_FALSE(files.Read("/sys/kernel/uevent_seqnum"));
  EXPECT_EQ(files.IsDirectory("/sys/kernel"), std::nullopt);
  EXPECT_FALSE(files.List("/sys/kernel"));
  EXPECT_FALSE(files.UserName());
}

TEST(SystemFiles, AQueryThatDoesNotAnswerFailsTheDirectoryAndTheUserName) {
  const auto queries = std::make_shared<RecordingQueries>();
  queries->answers = false;
  const SystemFiles files(queries, kSmallFileLimit, {"/nonexistent/nsswitch.conf", "/etc/passwd"});
  std::vector<char> buffer(256);
  auto tempWith = [&](std::string tmpdir) {
    const LinuxDirectories directories(
        [tmpdir](const char*) -> std::optional<std::string> { return tmpdir; }, files);
    const uint32_t n = directories.GetTempPathA(buffer);
    return n == 0 ? std::string() : std::string(buffer.data(), n);
  };
  EXPECT_EQ(tempWith("/sys/kernel"), "");  // no answer: the query fails
  EXPECT_EQ(tempWith("/proc/self"), "/proc/self/");
  EXPECT_EQ(tempWith("/proc/self/status"), "/tmp/");  // not a directory
  queries->answers = true;
  EXPECT_EQ(tempWith("/sys/kernel"), "/sys/kernel/");

  queries->answers = false;
  uint32_t size = static_cast<uint32_t>(buffer.size());
  EXPECT_EQ(LinuxNames(files).GetUserNameA(buffer, size), 0);
  EXPECT_EQ(size, 0u);
}

TEST(NameServices, TheServicesOfADatabaseInOrder) {
  using V = std::vector<std::string>;
  const struct {
    const char* text;
    V services;
  } kCases[] = {
      {"passwd:         files systemd\ngroup: files\n", V{"files", "systemd"}},
      {"group: files\npasswd: sss [NOTFOUND=return] files\n", V{"sss", "files"}},
      {"  passwd\t:files\r\n", V{"files"}},
      {"passwd: ldap\npasswd: files # the later line\n", V{"files"}},
      {"# passwd: files\n", V{}},
      {"passwd:\n", V{}},
      {"passwdx: files\nshadow: files\n", V{}},
      {"passwd: [!UNAVAIL=return] files", V{"files"}},
  };
  for (const auto& c : kCases) EXPECT_EQ(ParseNameServices(c.text, "passwd"), c.services) << c.text;
}

TEST(Passwd, TheFirstEntryWithTheUserId) {
  const std::string text =
      "# users\nroot:x:0:0:root:/root:/bin/sh\n:x:1000:1000::/:/bin/sh\nbad:x:1000x:1::/:\n"
      "  user:x:1000:1000::/home/user:/bin/sh\nagain:x:1000:1000::/:\nlast:x:4294967294:1::/:";
  EXPECT_EQ(ParsePasswdName(text, 0), "root");
  EXPECT_EQ(ParsePasswdName(text, 1000), "user");
  EXPECT_EQ(ParsePasswdName(text, 4294967294ul), "last");
  EXPECT_EQ(ParsePasswdName(text, 1), std::nullopt);
  EXPECT_EQ(ParsePasswdName("", 0), std::nullopt);
}

// Where the name service asks the files first and they name the user, the
// name is read here; anything else is asked.
TEST(SystemFiles, TheUserNameFromTheFilesOnlyWhereTheServiceReadsThemFirst) {
  const std::string me = std::to_string(geteuid());
  test::TempDir dir(std::vector<test::Row>{
      {"files", "passwd: files systemd\n"},
      {"sss", "passwd: sss files\n"},
      {"passwd", "someone:x:" + me + ":0::/:/bin/sh\n"},
      {"other", "someone:x:" + me + "1:0::/:/bin/sh\n"}});
  const auto queries = std::make_shared<RecordingQueries>();
  auto name = [&](const char* nsswitch, const char* passwd) {
    queries->keys.clear();
    return SystemFiles(queries, kSmallFileLimit,
                       {(dir / nsswitch).string(), (dir / passwd).string()})
        .UserName();
  };
  EXPECT_EQ(name("sss", "passwd"), LookUpUserName());
  EXPECT_EQ(queries->keys, std::vector<std::string>{"user database"});
  EXPECT_EQ(name("files", "other"), LookUpUserName());
  EXPECT_EQ(queries->keys, std::vector<std::string>{"user database"});
  EXPECT_EQ(name("missing", "passwd"), LookUpUserName());
  EXPECT_EQ(queries->keys, std::vector<std::string>{"user database"});

  const SystemFiles here(queries);
  queries->keys.clear();
  if (!here.Read((dir / "passwd").string()) || !queries->keys.empty())
    GTEST_SKIP() << "the temporary folder lies past a mount point: read through the queries";
  EXPECT_EQ(name("files", "passwd"), "someone");
  EXPECT_TRUE(queries->keys.empty());
}

}  // namespace
}  // namespace kv::linux_os
