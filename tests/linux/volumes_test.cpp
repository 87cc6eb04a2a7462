#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "platform/errors.h"
#include "platform/linux/iconv_code_page.h"
#include "platform/linux/volumes.h"
#include "tests/linux/test_support.h"

namespace kv::linux_os {
namespace {

namespace fs = std::filesystem;
using test::WriteFile;
using namespace std::string_literals;

constexpr const char* kMounts =
    "1 0 8:1 / / rw - ext4 /dev/sda1 rw\n"
    "2 1 8:17 / /media/usb\\040stick rw - vfat /dev/sdb1 rw\n"
    "3 1 11:0 / /media/cdrom ro - iso9660 /dev/sr0 ro\n"
    "4 1 11:2 / /media/disc ro - hfsplus /dev/sr2 ro\n"
    "5 1 252:1 / /var/tmp/zram rw - ext4 /dev/zram1 rw\n"
    "6 1 8:34 / /mnt/ntfs rw - ext4 /dev/sdc2 rw\n"  // hidden by the next
    "14 1 8:49 / /mnt/ntfs rw - ntfs3 /dev/sdd1 rw\n"
    "7 1 8:33 / /mnt/nodisk rw - ext4 /dev/sdc1 rw\n"
    "8 1 8:81 / /mnt/gone rw - ext4 /dev/sdf1 rw\n"
    "9 1 0:40 / /mnt/nas rw - nfs4 nas:/export rw\n"
    "10 1 0:42 / /mnt/huge rw - cifs //s/h rw\n"
    "11 1 0:41 / /tmp rw - tmpfs tmpfs rw\n"
    "12 1 0:22 / /proc rw - proc proc rw\n";

// sysfs, /dev with udev's links, and the mount table of a made-up machine;
// statvfs answers as StatVfs below.
class LinuxVolumesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // Disks and partitions: the partition's removable flag is its disk's.
    for (const auto& [name, number, removable] :
         std::vector<std::tuple<std::string, std::string, bool>>{
             {"sda/sda1", "8:1", false}, {"sdb/sdb1", "8:17", true}, {"sr0", "11:0", true},
             {"sr2", "11:2", true}, {"zram1", "252:1", false}, {"sdd/sdd1", "8:49", false}}) {
      const fs::path dir = dir_ / "sys/block" / name;
      const bool partition = name.find('/') != std::string::npos;
      WriteFile((partition ? dir.parent_path() : dir) / "removable", removable ? "1\n" : "0\n");
      if (partition) WriteFile(dir / "partition", "1\n");
      Link(dir_ / "sys/dev/block" / number, dir.string());
    }
    for (const auto& [link, device] : std::vector<std::pair<std::string, std::string>>{
             {"by-label/ROOT", "sda1"}, {"by-uuid/0a1b2c3d-4e5f-6071-8293-a4b5c6d7e8f9", "sda1"},
             {"by-label/USB\\x20STICK", "sdb1"}, {"by-uuid/1A2B-3C4D", "sdb1"},
             {"by-label/UBUNTU\\x2022_04", "sr0"}, {"by-uuid/2022-08-10-16-21-09-00", "sr0"},
             {"by-uuid/0123456789ABCDEF", "sdd1"}})
      Link(dir_ / "dev/disk" / link, "../../" + device);
    WriteFile(dir_ / "mountinfo", kMounts);
  }

  static void Link(const fs::path& link, const std::string& target) {
    fs::create_directories(link.parent_path());
    fs::create_symlink(target, link);
  }

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

  FileSystemConfig Config(StatVfsCall statVfs = StatVfs) const {
    return {(dir_ / "mountinfo").string(), (dir_ / "sys").string(), (dir_ / "dev").string(),
            std::move(statVfs)};
  }
  LinuxFileSystems Make(const IAnsiCodePage& a) const { return LinuxFileSystems(a, Config()); }

  test::TempDir temp_;
  fs::path dir_ = temp_.path;
  IconvCodePage utf8{"UTF-8"};
};

// The drive type of each mount, and its volume as udev and statvfs describe it.
struct VolumeCase {
  const char* root;
  uint32_t type;
  const char* fileSystem;  // nullptr: the volume query fails
  std::string label = "";
  uint32_t serial = 0, flags = 3, maxComponentLength = 255;
};
class Volumes : public LinuxVolumesTest, public ::testing::WithParamInterface<VolumeCase> {};
TEST_P(Volumes, TypeAndVolumeInformation) {
  const auto& c = GetParam();
  const auto fsys = Make(utf8);
  EXPECT_EQ(fsys.GetDriveTypeA(c.root), c.type);
  const std::string untouched(127, ' ');
  std::string name = untouched, fsName = untouched;
  uint32_t serial = 7, maxLength = 7, flags = 7;
  EXPECT_EQ(fsys.GetVolumeInformationA(c.root, name, serial, maxLength, flags, fsName),
            c.fileSystem ? 1 : 0);
  if (!c.fileSystem) {  // everything left alone
    EXPECT_EQ(name + fsName + std::to_string(serial + maxLength + flags),
              untouched + untouched + "21");
    EXPECT_THROW(fsys.VolumeLabelLookup(c.root), kv::Error);
    return;
  }
  EXPECT_EQ(name.substr(0, c.label.size() + 1), c.label + '\0');
  EXPECT_EQ(fsName.substr(0, fsName.find('\0')), c.fileSystem);
  EXPECT_EQ((std::array{serial, flags, maxLength}),
            (std::array{c.serial, c.flags, c.maxComponentLength}));
  EXPECT_EQ(fsys.VolumeLabelLookup(c.root), c.label);
}

INSTANTIATE_TEST_SUITE_P(Roots, Volumes, ::testing::Values(
    VolumeCase{"/", kDriveFixed, "ext4", "ROOT", 0x0A1B2C3D},
    VolumeCase{"/media/usb stick", kDriveRemovable, "vfat", "USB STICK", 0x1A2B3C4D},
    VolumeCase{"/media/cdrom", kDriveCdRom, "iso9660", "UBUNTU 22_04", 0x20220810, 0x80003},
    VolumeCase{"/media/disc", kDriveCdRom, "hfsplus"},  // an optical drive
    VolumeCase{"/var/tmp/zram", kDriveRamDisk, "ext4"}, VolumeCase{"/tmp", kDriveRamDisk, "tmpfs"},
    VolumeCase{"/mnt/ntfs", kDriveFixed, "ntfs3", "", 0x89ABCDEF},  // the low half of its id
    VolumeCase{"/mnt/nodisk", kDriveFixed, "ext4"},                  // sysfs does not know it
    VolumeCase{"/mnt/nas", kDriveRemote, "nfs4"},
    VolumeCase{"/mnt/huge", kDriveRemote, "cifs", "", 0, 3, 1024},
    VolumeCase{"/proc", kDriveUnknown, "proc"},
    VolumeCase{"/mnt/gone", kDriveFixed, nullptr},  // statvfs fails
    VolumeCase{"/media", kDriveNoRootDir, nullptr}, VolumeCase{"", kDriveNoRootDir, nullptr}));

TEST_F(LinuxVolumesTest, LabelsGoToTheCodePage) {
  Link(dir_ / "dev/disk/by-label/\\xe3\\x83\\x87\\xe3\\x83\\xbc\\xe3\\x82\\xbf", "../../sdd1");
  EXPECT_EQ(Make(IconvCodePage("CP932")).VolumeLabelLookup("/mnt/ntfs"),
            "\x83\x66\x81\x5B\x83\x5E");  // データ
}

struct SpaceCase {
  const char* root;
  bool ok;
  std::array<uint64_t, 3> bytes;     // available, total, free
  std::array<int32_t, 4> clusters;  // sectors per cluster, bytes per sector, free, total
};

class DiskSpace : public LinuxVolumesTest, public ::testing::WithParamInterface<SpaceCase> {};
TEST_P(DiskSpace, FromStatvfs) {
  const auto& c = GetParam();
  const auto fsys = Make(utf8);
  std::array<uint64_t, 3> b{1, 1, 1};
  std::array<int32_t, 4> n{1, 1, 1, 1};
  EXPECT_EQ(fsys.GetDiskFreeSpaceExA(c.root, b[0], b[1], b[2]), c.ok);
  EXPECT_EQ(fsys.GetDiskFreeSpaceA(c.root, n[0], n[1], n[2], n[3]), c.ok);
  EXPECT_EQ(b, c.bytes);
  EXPECT_EQ(n, c.clusters);
}

constexpr uint64_t kPiB = uint64_t{1} << 50;
INSTANTIATE_TEST_SUITE_P(Roots, DiskSpace, ::testing::Values(
    SpaceCase{"/", true, {400 * 4096, 1000 * 4096, 500 * 4096}, {8, 512, 400, 1000}},
    SpaceCase{"/media/cdrom", true, {0, 1887 * 2048, 0}, {4, 512, 0, 1887}},
    // The byte counts are exact, the cluster counts clamped.
    SpaceCase{"/mnt/huge", true, {2 * kPiB, 5 * kPiB, 5 * kPiB / 2},
              {8, 512, INT32_MAX, INT32_MAX}},
    SpaceCase{"/mnt/gone", false, {1, 1, 1}, {1, 1, 1, 1}}));

TEST_F(LinuxVolumesTest, RootListHonoursTheBufferContract) {
  const auto fsys = Make(utf8);
  const std::string expected = "/\0/media/usb stick\0/media/cdrom\0/media/disc\0/var/tmp/zram\0"
      "/mnt/ntfs\0/mnt/nodisk\0/mnt/gone\0/mnt/nas\0/mnt/huge\0/tmp\0\0"s;
  for (std::size_t size : {std::size_t{0}, expected.size() - 1, expected.size()}) {
    std::string buffer(size, ' ');
    const bool fits = size == expected.size();
    EXPECT_EQ(fsys.GetLogicalDriveStringsA(buffer), expected.size() - (fits ? 1 : 0)) << size;
    EXPECT_EQ(buffer, fits ? expected : std::string(size, ' '));
  }
}

// The report's roots are asked in one batch; the calls that follow take its
// answers, and a root whose queries failed in it (a mount that did not
// answer in time) reads as failed without being asked again.
TEST_F(LinuxVolumesTest, PreparedRootsAreAskedInOneBatch) {
  struct Recorder final : IBlockingQueries {
    std::vector<QueryAnswer> AskAll(const std::vector<BlockingQuery>& queries) const override {
      std::vector<QueryAnswer> answers;
      for (const auto& q : queries) {
        keys.push_back(q.key);
        answers.push_back(q.key == "/mnt/nas" ? std::nullopt
                                              : AnswerFileSystemQuery(q.request, StatVfs));
      }
      ++batches;
      return answers;
    }
    mutable std::vector<std::string> keys;
    mutable int batches = 0;
  };
  auto recorder = std::make_shared<Recorder>();
  auto config = Config();
  config.queries = recorder;
  const LinuxFileSystems fsys(utf8, config);
  fsys.PrepareRoots({"/", "/mnt/nas", "/media"});
  EXPECT_EQ(recorder->keys, (std::vector<std::string>{"/", "/mnt/nas"}));
  uint64_t a = 9, t = 9, f = 9;
  EXPECT_EQ(fsys.GetDiskFreeSpaceExA("/", a, t, f), 1);
  EXPECT_EQ(t, 1000u * 4096);
  EXPECT_EQ(fsys.GetDiskFreeSpaceExA("/mnt/nas", a, t, f), 0);
  EXPECT_EQ(fsys.GetDriveTypeA("/mnt/nas"), kDriveRemote);
  EXPECT_EQ(fsys.GetDriveTypeA("/media"), kDriveNoRootDir);
  EXPECT_EQ(recorder->batches, 1);
}

}  // namespace
}  // namespace kv::linux_os
