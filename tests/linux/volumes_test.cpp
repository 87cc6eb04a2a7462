#include <gtest/gtest.h>

#include <iomanip>
#include <memory>
#include <string>
#include <vector>

#include "platform/errors.h"
#include "platform/linux/iconv_code_page.h"
#include "platform/linux/volumes.h"
#include "tests/linux/test_support.h"

namespace kv::linux_os {
namespace {

using namespace std::string_literals;
using test::Row;

// The made-up machine of volumes.mountinfo and volumes.tree; statvfs answers
// as StatVfs below.
class LinuxVolumesTest : public ::testing::Test {
 protected:
  // 1000 blocks of 4 KiB, 500 free, 400 for the user; the CD is full and
  // read-only, the share holds 5 PiB, /mnt/gone fails.
  static int StatVfs(const std::string& path, struct statvfs& out) {
    const bool cd = path == "/media/cdrom", huge = path == "/mnt/huge";
    out = {.f_bsize = 4096, .f_frsize = cd ? 2048u : 4096u,
           .f_blocks = cd ? 1887 : huge ? uint64_t{5} << 38 : 1000};
    out.f_bavail = (out.f_bfree = cd ? 0 : out.f_blocks / 2) * 4 / 5;
    out.f_namemax = huge ? 1024 : 255;
    out.f_flag = cd ? ST_RDONLY : 0;
    return path == "/mnt/gone" ? -1 : 0;
  }

  LinuxFileSystems Make(const IAnsiCodePage& a,
                        std::shared_ptr<const IBlockingQueries> queries = nullptr) const {
    return LinuxFileSystems(a, {test::Fixture("volumes.mountinfo"), (dir_ / "sys").string(),
                                (dir_ / "dev").string(), StatVfs, std::move(queries),
                                test::Fixture("volumes.utab")});
  }

  const test::TempDir dir_{test::Table("volumes.tree")};
  IconvCodePage utf8{"UTF-8"};
};

class Volumes : public LinuxVolumesTest, public ::testing::WithParamInterface<Row> {};
TEST_P(Volumes, TypeAndVolumeInformation) {
  const Row& r = GetParam();
  const auto fsys = Make(utf8);
  const std::string untouched(127, ' ');
  std::string name = untouched, fsName = untouched;
  uint32_t serial = 7, maxLength = 7, flags = 7;
  Row actual{std::to_string(fsys.GetDriveTypeA(r[0]))};
  if (fsys.GetVolumeInformationA(r[0], name, serial, maxLength, flags, fsName)) {
    std::ostringstream numbers;
    numbers << std::hex << std::uppercase << std::setfill('0') << std::setw(8) << serial << ' '
            << flags << ' ' << std::dec << maxLength;
    actual.insert(actual.end(), {fsName.c_str(), name.c_str(), numbers.str()});
    EXPECT_EQ(fsys.VolumeLabelLookup(r[0]), r[3]);
  } else {  // everything left alone
    EXPECT_EQ(name + fsName + std::to_string(serial + maxLength + flags),
              untouched + untouched + "21");
    EXPECT_THROW(fsys.VolumeLabelLookup(r[0]), kv::Error);
    actual.push_back("-");
  }
  EXPECT_EQ(actual, Row(r.begin() + 1, r.end()));
}
INSTANTIATE_TEST_SUITE_P(Roots, Volumes, ::testing::ValuesIn(test::Table("volumes.cases")));

TEST_F(LinuxVolumesTest, LabelsGoToTheCodePage) {
  EXPECT_EQ(Make(IconvCodePage("CP932")).VolumeLabelLookup("/mnt/ntfs"),
            "\x83\x66\x81\x5B\x83\x5E");  // データ
}

// Sizes from statvfs (disk_space.cases).
class DiskSpace : public LinuxVolumesTest, public ::testing::WithParamInterface<Row> {};
TEST_P(DiskSpace, FromStatvfs) {
  const Row& r = GetParam();
  const auto fsys = Make(utf8);
  uint64_t b[3] = {1, 1, 1};
  int32_t n[4] = {1, 1, 1, 1};
  const int32_t ok = fsys.GetDiskFreeSpaceExA(r[0], b[0], b[1], b[2]);
  EXPECT_EQ(fsys.GetDiskFreeSpaceA(r[0], n[0], n[1], n[2], n[3]), ok);
  EXPECT_EQ(Row({std::to_string(ok), test::Words(b[0], b[1], b[2]),
                 test::Words(n[0], n[1], n[2], n[3])}),
            Row(r.begin() + 1, r.end()));
}
INSTANTIATE_TEST_SUITE_P(Roots, DiskSpace, ::testing::ValuesIn(test::Table("disk_space.cases")));

// /tmp is left out: volumes.utab marks it x-gvfs-hide, as mount(8) keeps that option.
TEST_F(LinuxVolumesTest, RootListHonoursTheBufferContract) {
  const auto fsys = Make(utf8);
  const std::string expected =
      "/\0/media/usb stick\0/media/cdrom\0/media/disc\0/var/tmp/zram\0"
      "/mnt/ntfs\0/mnt/nodisk\0/mnt/gone\0/mnt/nas\0/mnt/huge\0/mnt/badlabel\0/mnt/pool\0/mnt/ssh\0"
      "/mnt/nas/cache\0/mnt/btrfs\0/mnt/odd\0/mnt/nbd\0/boot/efi\0\0"s;
  for (std::size_t size : {std::size_t{0}, expected.size() - 1, expected.size()}) {
    std::string buffer(size, ' ');
    const bool fits = size == expected.size();
    EXPECT_EQ(fsys.GetLogicalDriveStringsA(buffer), expected.size() - (fits ? 1 : 0)) << size;
    EXPECT_EQ(buffer, fits ? expected : std::string(size, ' '));
  }
}

// The report's roots are asked in one batch: what may wait for something
// outside (network and FUSE file systems, a mount under one, a source path
// that leaves /dev, a disk reached over a network) goes to the queries given,
// the rest (an automount point's disk among them) is answered here. The calls that follow take the batch's answers,
// and a root whose queries failed in it (a mount that did not answer in time)
// reads as failed without being asked again.
TEST_F(LinuxVolumesTest, PreparedRootsAreAskedInOneBatch) {
  struct Recorder final : IBlockingQueries {
    std::vector<QueryAnswer> AskAll(const std::vector<BlockingQuery>& queries) const override {
      std::vector<QueryAnswer> answers;
      for (const auto& q : queries) {
        asked += q.key + ' ';
        answers.push_back(q.key == "/mnt/nas" ? std::nullopt
                                              : AnswerFileSystemQuery(q.request, StatVfs));
      }
      asked += "| ";
      return answers;
    }
    mutable std::string asked;  // the keys of each batch, then "| "
  };
  auto recorder = std::make_shared<Recorder>();
  const auto fsys = Make(utf8, recorder);
  EXPECT_TRUE(fsys.NeedsHelper());
  fsys.PrepareRoots({"/", "/mnt/nas", "/media", "/tmp", "/mnt/pool", "/mnt/nas/cache", "/mnt/btrfs",
                     "/mnt/odd", "/mnt/nbd", "/media/cdrom", "/boot/efi"});
  uint64_t a = 9, t = 9, f = 9;
  EXPECT_EQ(fsys.GetDiskFreeSpaceExA("/", a, t, f), 1);
  EXPECT_EQ(t, 1000u * 4096);
  EXPECT_EQ(fsys.GetDiskFreeSpaceExA("/mnt/nas", a, t, f), 0);
  EXPECT_EQ(fsys.GetDriveTypeA("/mnt/nas"), kDriveRemote);
  EXPECT_EQ(fsys.GetDriveTypeA("/media"), kDriveNoRootDir);
  EXPECT_EQ(recorder->asked,
            "/mnt/nas /mnt/pool /mnt/nas/cache /mnt/odd /dev/../mnt/nas/img /mnt/nbd | ");
}

// A machine whose drives are all local never needs the helper.
TEST_F(LinuxVolumesTest, LocalDrivesNeedNoHelper) {
  const std::string mountinfo = (dir_ / "local.mountinfo").string();
  test::WriteFile(mountinfo,
                  "1 0 8:1 / / rw - ext4 /dev/sda1 rw\n"
                  "2 1 0:5 / /dev rw - devtmpfs udev rw\n"
                  "3 1 0:41 / /tmp rw - tmpfs tmpfs rw\n"
                  "4 1 0:42 / /home rw - btrfs /dev/sda2 rw\n");
  const LinuxFileSystems fsys(
      utf8, {mountinfo, (dir_ / "sys").string(), (dir_ / "dev").string(), StatVfs, nullptr, ""});
  EXPECT_FALSE(fsys.NeedsHelper());
}

}  // namespace
}  // namespace kv::linux_os
