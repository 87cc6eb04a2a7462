#include <sys/statvfs.h>
#include <sys/wait.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <future>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/errors.h"
#include "platform/linux/iconv_code_page.h"
#include "platform/linux/volumes.h"
#include "tests/linux/test_support.h"

namespace kv::linux_os {
namespace {

namespace fs = std::filesystem;
using test::TempDir;
using test::WriteFile;

// ---- pure helpers -----------------------------------------------------------

struct SerialCase {
  const char* uuid;
  uint32_t serial;
};

class Serials : public ::testing::TestWithParam<SerialCase> {};

TEST_P(Serials, FromUuid) {
  EXPECT_EQ(SerialFromUuid(GetParam().uuid), GetParam().serial) << GetParam().uuid;
}

INSTANTIATE_TEST_SUITE_P(
    Uuids, Serials,
    ::testing::Values(SerialCase{"1A2B-3C4D", 0x1A2B3C4Du},        // vfat
                      SerialCase{"1a2b-3c4d", 0x1A2B3C4Du},        // any case
                      SerialCase{"0000-0ABC", 0x00000ABCu},        // exfat
                      SerialCase{"0123456789ABCDEF", 0x89ABCDEFu}, // ntfs: the low half
                      SerialCase{"0a1b2c3d-4e5f-6071-8293-a4b5c6d7e8f9", 0x0A1B2C3Du},
                      SerialCase{"FFFFFFFF-0000-0000-0000-000000000000", 0xFFFFFFFFu},
                      SerialCase{"2022-08-10-16-21-09-00", 0x20220810u},  // iso9660
                      SerialCase{"ABC", 0xABCu}, SerialCase{"", 0u}, SerialCase{"zz-zz", 0u}));

struct UdevNameCase {
  const char* encoded;
  std::string decoded;
};

class UdevNames : public ::testing::TestWithParam<UdevNameCase> {};

TEST_P(UdevNames, Decode) { EXPECT_EQ(DecodeUdevName(GetParam().encoded), GetParam().decoded); }

INSTANTIATE_TEST_SUITE_P(Names, UdevNames,
                         ::testing::Values(UdevNameCase{"DATA", "DATA"},
                                           UdevNameCase{"USB\\x20STICK", "USB STICK"},
                                           UdevNameCase{"a\\x2fb", "a/b"},
                                           UdevNameCase{"BAD\\xffNAME", "BAD\xFFNAME"},
                                           UdevNameCase{"\\x5c", "\\"},
                                           UdevNameCase{"end\\x2", "end\\x2"},
                                           UdevNameCase{"\\xzz", "\\xzz"},
                                           UdevNameCase{"日本", "日本"}));

// ---- a machine made of files ---------------------------------------------------

// sysfs, /dev and udev's links for a few block devices, and the mount table.
class FakeMachine {
 public:
  std::string Sys() const { return (dir_ / "sys").string(); }
  std::string Dev() const { return (dir_ / "dev").string(); }
  std::string MountInfo() const { return (dir_ / "mountinfo").string(); }

  // A disk, or a partition of disk when disk is given.
  void Block(const std::string& name, int major, int minor, bool removable,
             const std::string& disk = "") {
    const fs::path diskDir = dir_ / "sys/devices/virtual/block" / (disk.empty() ? name : disk);
    const fs::path devDir = disk.empty() ? diskDir : diskDir / name;
    if (disk.empty()) WriteFile(diskDir / "removable", removable ? "1\n" : "0\n");
    else WriteFile(devDir / "partition", "1\n");
    WriteFile(devDir / "uevent", "MAJOR=" + std::to_string(major) + "\nMINOR=" +
                                     std::to_string(minor) + "\nDEVNAME=" + name + "\n");
    test::Symlink(dir_ / "sys/dev/block" / (std::to_string(major) + ":" + std::to_string(minor)),
                  devDir.string());
  }
  void Label(const std::string& encoded, const std::string& name) {
    test::Symlink(dir_ / "dev/disk/by-label" / encoded, "../../" + name);
  }
  void Uuid(const std::string& uuid, const std::string& name) {
    test::Symlink(dir_ / "dev/disk/by-uuid" / uuid, "../../" + name);
  }
  void Mounts(const std::string& text) { WriteFile(MountInfo(), text); }
  fs::path Path(const std::string& name) const { return dir_ / name; }

 private:
  TempDir temp_;
  fs::path dir_ = temp_.Path();
};

struct FakeVfs {
  uint64_t frsize = 4096, blocks = 1000, bfree = 500, bavail = 400, namemax = 255;
  bool readOnly = false;
};

// statvfs answered from a table; roots not in it fail.
StatVfsCall ScriptedStatVfs(std::map<std::string, FakeVfs> table) {
  return [table = std::move(table)](const std::string& path, struct statvfs& out) {
    const auto it = table.find(path);
    if (it == table.end()) return -1;
    out = {};
    out.f_frsize = it->second.frsize;
    out.f_bsize = 4096;
    out.f_blocks = it->second.blocks;
    out.f_bfree = it->second.bfree;
    out.f_bavail = it->second.bavail;
    out.f_namemax = it->second.namemax;
    out.f_flag = it->second.readOnly ? ST_RDONLY : 0;
    return 0;
  };
}

constexpr const char* kMounts =
    "1 0 8:1 / / rw - ext4 /dev/sda1 rw\n"
    "2 1 8:17 / /media/usb\\040stick rw - vfat /dev/sdb1 rw\n"
    "3 1 11:0 / /media/cdrom ro - iso9660 /dev/sr0 ro\n"
    "4 1 252:1 / /var/tmp/zram rw - ext4 /dev/zram1 rw\n"
    "5 1 0:40 / /mnt/nas rw - nfs4 nas:/export rw\n"
    "6 1 0:41 / /tmp rw - tmpfs tmpfs rw\n"
    "7 1 8:33 / /mnt/nodisk rw - ext4 /dev/sdc1 rw\n"
    "8 1 0:22 / /proc rw - proc proc rw\n"
    "9 1 11:1 / /media/dvd ro - udf /dev/sr1 ro\n"
    "10 1 11:2 / /media/disc ro - hfsplus /dev/sr2 ro\n"
    "11 1 7:9 / /mnt/image rw - ext4 /dev/loop9 rw\n"
    "12 1 8:49 / /mnt/ntfs rw - ntfs3 /dev/sdd1 rw\n"
    "13 1 8:65 / /mnt/odd rw - vfat /dev/sde1 rw\n"
    "14 1 8:81 / /mnt/gone rw - ext4 /dev/sdf1 rw\n"
    "15 1 0:42 / /mnt/huge rw - cifs //s/h rw\n"
    "16 1 0:43 / /run/shm rw - tmpfs tmpfs rw\n";

class LinuxVolumesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    m.Block("sda", 8, 0, false);
    m.Block("sda1", 8, 1, false, "sda");
    m.Block("sdb", 8, 16, true);
    m.Block("sdb1", 8, 17, true, "sdb");
    m.Block("sr0", 11, 0, true);
    m.Block("zram1", 252, 1, false);
    m.Block("sr1", 11, 1, true);
    m.Block("sr2", 11, 2, true);
    m.Block("loop9", 7, 9, false);
    m.Block("sdd", 8, 48, false);
    m.Block("sdd1", 8, 49, false, "sdd");
    m.Block("sde", 8, 64, true);
    m.Block("sde1", 8, 65, true, "sde");
    m.Label("ROOT", "sda1");
    m.Uuid("0a1b2c3d-4e5f-6071-8293-a4b5c6d7e8f9", "sda1");
    m.Label("USB\\x20STICK", "sdb1");
    m.Uuid("1A2B-3C4D", "sdb1");
    m.Label("UBUNTU\\x2022_04", "sr0");
    m.Uuid("2022-08-10-16-21-09-00", "sr0");
    m.Uuid("0123456789ABCDEF", "sdd1");
    m.Label("BAD\\xffTAB\\x09NAME", "sde1");
    m.Mounts(kMounts);
    std::map<std::string, FakeVfs> vfs;
    for (const char* root : {"/", "/media/usb stick", "/var/tmp/zram", "/mnt/nas", "/tmp",
                             "/mnt/nodisk", "/proc", "/media/dvd", "/media/disc", "/mnt/image",
                             "/mnt/ntfs", "/mnt/odd"})
      vfs[root] = {};
    vfs["/media/cdrom"] = {2048, 1887, 0, 0, 255, true};
    vfs["/mnt/huge"] = {4096, uint64_t{1} << 40, uint64_t{1} << 39, uint64_t{1} << 38, 1024, false};
    statVfs = ScriptedStatVfs(std::move(vfs));
  }

  LinuxFileSystems Make(const IAnsiCodePage& page) const {
    return LinuxFileSystems(page, {m.MountInfo(), m.Sys(), m.Dev(), statVfs});
  }

  FakeMachine m;
  StatVfsCall statVfs;
  IconvCodePage utf8{"UTF-8"};
};

struct DriveTypeCase {
  const char* root;
  uint32_t type;
};

class DriveTypes : public LinuxVolumesTest, public ::testing::WithParamInterface<DriveTypeCase> {};

TEST_P(DriveTypes, OfEachMount) {
  const auto fsys = Make(utf8);
  EXPECT_EQ(fsys.GetDriveTypeA(GetParam().root), GetParam().type) << GetParam().root;
}

INSTANTIATE_TEST_SUITE_P(
    Roots, DriveTypes,
    ::testing::Values(DriveTypeCase{"/", kDriveFixed},
                      DriveTypeCase{"/media/usb stick", kDriveRemovable},
                      DriveTypeCase{"/media/cdrom", kDriveCdRom},
                      DriveTypeCase{"/media/dvd", kDriveCdRom},    // udf
                      DriveTypeCase{"/media/disc", kDriveCdRom},   // an sr device
                      DriveTypeCase{"/var/tmp/zram", kDriveRamDisk},
                      DriveTypeCase{"/tmp", kDriveRamDisk},
                      DriveTypeCase{"/run/shm", kDriveRamDisk},  // not a root, still RAM
                      DriveTypeCase{"/mnt/nas", kDriveRemote},
                      DriveTypeCase{"/mnt/huge", kDriveRemote},
                      DriveTypeCase{"/mnt/nodisk", kDriveFixed},  // sysfs does not know it
                      DriveTypeCase{"/proc", kDriveUnknown},
                      DriveTypeCase{"/media", kDriveNoRootDir},
                      DriveTypeCase{"/nowhere", kDriveNoRootDir},
                      DriveTypeCase{"", kDriveNoRootDir}));

struct VolumeCase {
  const char* root;
  std::string label;
  const char* fileSystem;
  uint32_t serial;
  uint32_t maxComponentLength;
  uint32_t flags;
};

class VolumeInformation : public LinuxVolumesTest,
                          public ::testing::WithParamInterface<VolumeCase> {};

TEST_P(VolumeInformation, FromUdevAndStatvfs) {
  const auto& c = GetParam();
  const auto fsys = Make(utf8);
  std::string name(127, ' '), fsName(127, ' ');
  uint32_t serial = 7, maxLength = 7, flags = 7;
  ASSERT_EQ(fsys.GetVolumeInformationA(c.root, name, serial, maxLength, flags, fsName), 1)
      << c.root;
  EXPECT_EQ(name.substr(0, c.label.size() + 1), c.label + '\0');
  EXPECT_EQ(fsName.substr(0, std::strlen(c.fileSystem) + 1), std::string(c.fileSystem) + '\0');
  EXPECT_EQ(serial, c.serial);
  EXPECT_EQ(maxLength, c.maxComponentLength);
  EXPECT_EQ(flags, c.flags);
  EXPECT_EQ(fsys.VolumeLabelLookup(c.root), c.label);
}

INSTANTIATE_TEST_SUITE_P(
    Roots, VolumeInformation,
    ::testing::Values(
        VolumeCase{"/", "ROOT", "ext4", 0x0A1B2C3D, 255, 3},
        VolumeCase{"/media/usb stick", "USB STICK", "vfat", 0x1A2B3C4D, 255, 3},
        VolumeCase{"/media/cdrom", "UBUNTU 22_04", "iso9660", 0x20220810, 255, 0x80003},
        VolumeCase{"/mnt/ntfs", "", "ntfs3", 0x89ABCDEF, 255, 3},
        // Invalid UTF-8 becomes '?'; a control character comes through.
        VolumeCase{"/mnt/odd", "BAD?TAB\tNAME", "vfat", 0, 255, 3},
        VolumeCase{"/mnt/nas", "", "nfs4", 0, 255, 3},
        VolumeCase{"/tmp", "", "tmpfs", 0, 255, 3},
        VolumeCase{"/mnt/huge", "", "cifs", 0, 1024, 3},
        VolumeCase{"/mnt/nodisk", "", "ext4", 0, 255, 3}));

TEST_F(LinuxVolumesTest, FailedQueryLeavesEverythingAlone) {
  const auto fsys = Make(utf8);
  for (const char* root : {"/mnt/gone", "/nowhere", "/media"}) {
    std::string name(127, ' '), fsName(127, ' ');
    uint32_t serial = 7, maxLength = 8, flags = 9;
    EXPECT_EQ(fsys.GetVolumeInformationA(root, name, serial, maxLength, flags, fsName), 0) << root;
    EXPECT_EQ(name, std::string(127, ' '));
    EXPECT_EQ(fsName, std::string(127, ' '));
    EXPECT_EQ(serial, 7u);
    EXPECT_EQ(maxLength, 8u);
    EXPECT_EQ(flags, 9u);
    EXPECT_THROW(fsys.VolumeLabelLookup(root), kv::Error) << root;
    uint64_t a = 1, t = 2, f = 3;
    EXPECT_EQ(fsys.GetDiskFreeSpaceExA(root, a, t, f), 0);
    EXPECT_EQ(a + t + f, 6u);
    int32_t spc = 1, bps = 2, fc = 3, tc = 4;
    EXPECT_EQ(fsys.GetDiskFreeSpaceA(root, spc, bps, fc, tc), 0);
    EXPECT_EQ(spc + bps + fc + tc, 10);
  }
}

TEST_F(LinuxVolumesTest, NamesAreCutToTheBuffer) {
  const auto fsys = Make(utf8);
  std::string name(5, ' '), fsName(3, ' ');
  uint32_t serial = 0, maxLength = 0, flags = 0;
  ASSERT_EQ(fsys.GetVolumeInformationA("/media/usb stick", name, serial, maxLength, flags, fsName),
            1);
  EXPECT_EQ(name, std::string("USB ") + '\0');
  EXPECT_EQ(fsName, std::string("vf") + '\0');
  // No buffers at all: only the numbers are asked for.
  ASSERT_EQ(fsys.GetVolumeInformationA("/", {}, serial, maxLength, flags, {}), 1);
  EXPECT_EQ(serial, 0x0A1B2C3Du);
}

TEST_F(LinuxVolumesTest, LabelsGoToTheCodePage) {
  const IconvCodePage cp932("CP932");
  const auto fsys = Make(cp932);
  m.Label("\\xe3\\x83\\x87\\xe3\\x83\\xbc\\xe3\\x82\\xbf", "sdd1");  // データ
  EXPECT_EQ(fsys.VolumeLabelLookup("/mnt/ntfs"), "\x83\x66\x81\x5B\x83\x5E");
}

// Without udev's links, the label and UUID are read from the device itself.
TEST_F(LinuxVolumesTest, BlkidReadsADeviceWithoutUdevLinks) {
  if (std::system("command -v mkfs.ext4 >/dev/null 2>&1") != 0) GTEST_SKIP() << "no mkfs.ext4";
  const std::string image = m.Dev() + "/loop9";
  const std::string command = "mkfs.ext4 -q -F -L 'ラベル' -U 0a1b2c3d-4e5f-6071-8293-a4b5c6d7e8f9 '" +
                              image + "' 1024 >/dev/null 2>&1";
  ASSERT_EQ(std::system(command.c_str()), 0);
  const IconvCodePage cp932("CP932");
  const auto fsys = Make(cp932);
  std::string name(127, ' '), fsName(127, ' ');
  uint32_t serial = 0, maxLength = 0, flags = 0;
  ASSERT_EQ(fsys.GetVolumeInformationA("/mnt/image", name, serial, maxLength, flags, fsName), 1);
  EXPECT_EQ(name.substr(0, 7), std::string("\x83\x89\x83\x78\x83\x8B") + '\0');
  EXPECT_EQ(serial, 0x0A1B2C3Du);
}

struct SpaceCase {
  const char* root;
  uint64_t available, total, free;
  int32_t sectorsPerCluster, bytesPerSector, freeClusters, totalClusters;
};

class DiskSpace : public LinuxVolumesTest, public ::testing::WithParamInterface<SpaceCase> {};

TEST_P(DiskSpace, FromStatvfs) {
  const auto& c = GetParam();
  const auto fsys = Make(utf8);
  uint64_t available = 0, total = 0, free = 0;
  ASSERT_EQ(fsys.GetDiskFreeSpaceExA(c.root, available, total, free), 1);
  EXPECT_EQ(available, c.available);
  EXPECT_EQ(total, c.total);
  EXPECT_EQ(free, c.free);
  int32_t spc = 0, bps = 0, fc = 0, tc = 0;
  ASSERT_EQ(fsys.GetDiskFreeSpaceA(c.root, spc, bps, fc, tc), 1);
  EXPECT_EQ(spc, c.sectorsPerCluster);
  EXPECT_EQ(bps, c.bytesPerSector);
  EXPECT_EQ(fc, c.freeClusters);
  EXPECT_EQ(tc, c.totalClusters);
}

INSTANTIATE_TEST_SUITE_P(
    Roots, DiskSpace,
    ::testing::Values(
        SpaceCase{"/", 400 * 4096, 1000 * 4096, 500 * 4096, 8, 512, 400, 1000},
        SpaceCase{"/media/cdrom", 0, 1887 * 2048, 0, 4, 512, 0, 1887},
        // 4 PiB: the byte counts are exact, the cluster counts clamped.
        SpaceCase{"/mnt/huge", (uint64_t{1} << 38) * 4096, (uint64_t{1} << 40) * 4096,
                  (uint64_t{1} << 39) * 4096, 8, 512, INT32_MAX, INT32_MAX}));

TEST_F(LinuxVolumesTest, RootListHonoursTheBufferContract) {
  const auto fsys = Make(utf8);
  std::string expected;
  for (const char* root : {"/", "/media/usb stick", "/media/cdrom", "/var/tmp/zram", "/mnt/nas",
                           "/tmp", "/mnt/nodisk", "/media/dvd", "/media/disc", "/mnt/image",
                           "/mnt/ntfs", "/mnt/odd", "/mnt/gone", "/mnt/huge"})
    expected += std::string(root) + '\0';
  expected += '\0';
  for (std::size_t size : {std::size_t{0}, std::size_t{10}, expected.size() - 1}) {
    std::string buffer(size, ' ');
    EXPECT_EQ(fsys.GetLogicalDriveStringsA(buffer), expected.size()) << size;
    EXPECT_EQ(buffer, std::string(size, ' '));
  }
  for (std::size_t size : {expected.size(), expected.size() + 20}) {
    std::string buffer(size, ' ');
    EXPECT_EQ(fsys.GetLogicalDriveStringsA(buffer), expected.size() - 1) << size;
    EXPECT_EQ(buffer.substr(0, expected.size()), expected);
  }
}

TEST_F(LinuxVolumesTest, UnreadableMountTableListsNothing) {
  std::filesystem::remove(m.MountInfo());
  const auto fsys = Make(utf8);
  std::string buffer(100, ' ');
  EXPECT_EQ(fsys.GetLogicalDriveStringsA(buffer), 0u);
  EXPECT_EQ(fsys.GetDriveTypeA("/"), kDriveNoRootDir);
}

// A mount that goes between the listing and the queries gives the neutral values.
TEST_F(LinuxVolumesTest, MountThatVanishes) {
  const auto fsys = Make(utf8);
  std::string list(1000, ' ');
  ASSERT_GT(fsys.GetLogicalDriveStringsA(list), 0u);
  ASSERT_EQ(fsys.GetDriveTypeA("/media/usb stick"), kDriveRemovable);

  std::string mounts = kMounts;
  mounts.erase(mounts.find("2 1 8:17"), mounts.find("3 1 11:0") - mounts.find("2 1 8:17"));
  m.Mounts(mounts);

  EXPECT_EQ(fsys.GetDriveTypeA("/media/usb stick"), kDriveNoRootDir);
  std::string name(127, ' '), fsName(127, ' ');
  uint32_t serial = 0, maxLength = 0, flags = 0;
  EXPECT_EQ(fsys.GetVolumeInformationA("/media/usb stick", name, serial, maxLength, flags, fsName),
            0);
  EXPECT_EQ(name, std::string(127, ' '));
  uint64_t a = 0, t = 0, f = 0;
  EXPECT_EQ(fsys.GetDiskFreeSpaceExA("/media/usb stick", a, t, f), 0);
  EXPECT_EQ(t, 0u);
  EXPECT_EQ(fsys.GetDriveTypeA("/"), kDriveFixed);
}

// ---- a network mount that does not answer -------------------------------------

// statvfs that blocks on one root until released, and says when it returned.
struct BlockingStatVfs {
  std::shared_future<void> release;
  std::shared_ptr<std::promise<void>> returned = std::make_shared<std::promise<void>>();
  std::shared_ptr<std::atomic<int>> calls = std::make_shared<std::atomic<int>>(0);

  StatVfsCall Call(std::string blockedRoot) const {
    return [*this, blockedRoot](const std::string& path, struct statvfs& out) {
      out = {};
      out.f_frsize = 4096;
      out.f_blocks = 10;
      // Only the first query of the blocked root blocks.
      if (path == blockedRoot && calls->fetch_add(1) == 0) {
        release.wait();
        returned->set_value();
      }
      return 0;
    };
  }
};

TEST_F(LinuxVolumesTest, QueryThatDoesNotAnswerFailsAfterTwoSeconds) {
  std::promise<void> release;
  BlockingStatVfs blocking{release.get_future().share()};
  auto fsys = std::make_unique<LinuxFileSystems>(
      utf8, FileSystemConfig{m.MountInfo(), m.Sys(), m.Dev(), blocking.Call("/mnt/nas")});
  using Clock = std::chrono::steady_clock;

  std::string name(127, ' '), fsName(127, ' ');
  uint32_t serial = 5, maxLength = 5, flags = 5;
  auto start = Clock::now();
  EXPECT_EQ(fsys->GetVolumeInformationA("/mnt/nas", name, serial, maxLength, flags, fsName), 0);
  const auto waited = Clock::now() - start;
  EXPECT_GE(waited, std::chrono::milliseconds(2000));
  EXPECT_LT(waited, std::chrono::milliseconds(4000));
  EXPECT_EQ(name, std::string(127, ' '));
  EXPECT_EQ(serial, 5u);
  EXPECT_EQ(fsys->StalledQueries(), 1u);

  // The same mount fails at once while its query is out; others answer.
  start = Clock::now();
  uint64_t a = 9, t = 9, f = 9;
  EXPECT_EQ(fsys->GetDiskFreeSpaceExA("/mnt/nas", a, t, f), 0);
  EXPECT_THROW(fsys->VolumeLabelLookup("/mnt/nas"), kv::Error);
  EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(500));
  EXPECT_EQ(t, 9u);
  EXPECT_EQ(blocking.calls->load(), 1);
  EXPECT_EQ(fsys->GetDiskFreeSpaceExA("/", a, t, f), 1);
  EXPECT_EQ(t, 40960u);
  EXPECT_EQ(fsys->GetDriveTypeA("/mnt/nas"), kDriveRemote);

  // The abandoned query may return after its owner is gone.
  fsys.reset();
  release.set_value();
  EXPECT_EQ(blocking.returned->get_future().wait_for(std::chrono::seconds(5)),
            std::future_status::ready);
}

TEST_F(LinuxVolumesTest, MountAnswersAgainOnceItsQueryReturns) {
  std::promise<void> release;
  BlockingStatVfs blocking{release.get_future().share()};
  const LinuxFileSystems fsys(
      utf8, FileSystemConfig{m.MountInfo(), m.Sys(), m.Dev(), blocking.Call("/mnt/nas")});
  uint64_t a = 0, t = 0, f = 0;
  EXPECT_EQ(fsys.GetDiskFreeSpaceExA("/mnt/nas", a, t, f), 0);
  release.set_value();
  blocking.returned->get_future().wait();
  for (int i = 0; i < 100 && fsys.StalledQueries() != 0; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  EXPECT_EQ(fsys.StalledQueries(), 0u);
  EXPECT_EQ(fsys.GetDiskFreeSpaceExA("/mnt/nas", a, t, f), 1);  // released: answers at once
  EXPECT_EQ(t, 40960u);
}

// ---- this machine -------------------------------------------------------------

TEST(LinuxFileSystemsThisMachine, RootIsListedAndAnswers) {
  const IconvCodePage page;
  const LinuxFileSystems fsys(page);
  std::string list(1 << 20, ' ');
  const uint32_t n = fsys.GetLogicalDriveStringsA(list);
  ASSERT_GT(n, 0u);
  ASSERT_LE(n, list.size());
  EXPECT_EQ(list.compare(0, 2, std::string("/") + '\0'), 0) << "the first root is /";

  const uint32_t type = fsys.GetDriveTypeA("/");
  EXPECT_TRUE(type == kDriveFixed || type == kDriveRemovable || type == kDriveRamDisk) << type;

  MountTable table;
  const MountEntry* rootMount = table.Current()->MountAt("/");
  ASSERT_NE(rootMount, nullptr);
  std::string name(127, ' '), fsName(127, ' ');
  uint32_t serial = 0, maxLength = 0, flags = 0;
  ASSERT_EQ(fsys.GetVolumeInformationA("/", name, serial, maxLength, flags, fsName), 1);
  EXPECT_EQ(fsName.substr(0, fsName.find('\0')), rootMount->fsType);

  struct statvfs v {};
  ASSERT_EQ(statvfs("/", &v), 0);
  EXPECT_EQ(maxLength, v.f_namemax);
  uint64_t available = 0, total = 0, free = 0;
  ASSERT_EQ(fsys.GetDiskFreeSpaceExA("/", available, total, free), 1);
  EXPECT_EQ(total, static_cast<uint64_t>(v.f_blocks) * v.f_frsize);
  EXPECT_LE(available, free);
  EXPECT_LE(free, total);
}

}  // namespace
}  // namespace kv::linux_os
