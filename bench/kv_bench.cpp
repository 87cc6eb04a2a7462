// Speed of the provider's queries and of the drive report: on this machine
// through the Linux layer, and for 10 to 10,000 scripted roots (the time per
// root should stay flat).
#include <benchmark/benchmark.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <memory>
#include <string>

#include "app/drives/drives.h"
#include "platform/factory.h"
#include "platform/linux/iconv_code_page.h"
#include "platform/linux/volumes.h"
#include "sysinfo/clsSystem.h"
#include "tests/fakes/fake_os.h"

namespace {

class TextBox final : public kv::ITextBox {
 public:
  std::string Text() const override { return text_; }
  void SetText(std::string text) override { text_ = std::move(text); }

 private:
  std::string text_;
};

// A PC with roots mounted at /mnt/vol00000 ... whose sizes cover every size
// text, each answered in constant time, so that what is measured is the code
// under test.
struct ScriptedPc : kv::test::FakePc {
  explicit ScriptedPc(std::size_t roots) {
    os.recordQueries = false;
    for (std::size_t i = 0; i < roots; ++i) {
      char name[32];
      std::snprintf(name, sizeof name, "/mnt/vol%05zu", i);
      const uint64_t total = (uint64_t{1} << (10 + i % 30)) + i;
      os.AddRoot(name, {.driveType = static_cast<uint32_t>(2 + i % 5),
                        .label = i % 3 == 0 ? "" : "DATA" + std::to_string(i),
                        .fileSystem = "ext4",
                        .totalBytes = total,
                        .freeBytes = total / 3});
    }
  }
};

const kv::OsPlatform& Machine() {
  static const std::unique_ptr<kv::OsPlatform> platform = kv::CreateOsPlatform();
  return *platform;
}

// ---- the twelve provider queries on this machine ----------------------------

template <typename Query>
void RunQuery(benchmark::State& state, Query query) {
  const kv::OsServices os = Machine().Services();
  const kv::clsSystem objSystem(os);
  for (auto _ : state) query(objSystem);
}

void BM_FreeMemory(benchmark::State& state) {
  RunQuery(state, [](const kv::clsSystem& s) {
    uint8_t load = 0;
    int32_t total = 0, free = 0;
    s.FreeMemory(load, total, free);
    benchmark::DoNotOptimize(free);
  });
}
void BM_FunctionKeys(benchmark::State& state) {
  RunQuery(state, [](const kv::clsSystem& s) { benchmark::DoNotOptimize(s.FunctionKeys()); });
}
void BM_KeyboardType(benchmark::State& state) {
  RunQuery(state, [](const kv::clsSystem& s) { benchmark::DoNotOptimize(s.KeyboardType()); });
}
void BM_SystemInfo(benchmark::State& state) {
  RunQuery(state, [](const kv::clsSystem& s) {
    std::string processor;
    int32_t n = 0, mask = 0;
    s.SystemInfo(processor, n, mask);
    benchmark::DoNotOptimize(mask);
  });
}
void BM_TempDir(benchmark::State& state) {
  RunQuery(state, [](const kv::clsSystem& s) { benchmark::DoNotOptimize(s.TempDir()); });
}
void BM_SystemDir(benchmark::State& state) {
  RunQuery(state, [](const kv::clsSystem& s) { benchmark::DoNotOptimize(s.SystemDir()); });
}
void BM_ComputerName(benchmark::State& state) {
  RunQuery(state, [](const kv::clsSystem& s) { benchmark::DoNotOptimize(s.ComputerName()); });
}
void BM_UserName(benchmark::State& state) {
  RunQuery(state, [](const kv::clsSystem& s) { benchmark::DoNotOptimize(s.UserName()); });
}
void BM_SerialNumber(benchmark::State& state) {
  RunQuery(state, [](const kv::clsSystem& s) { benchmark::DoNotOptimize(s.SerialNumber("/")); });
}
void BM_VolumeLabel(benchmark::State& state) {
  RunQuery(state, [](const kv::clsSystem& s) { benchmark::DoNotOptimize(s.VolumeLabel("/")); });
}
void BM_WinDir(benchmark::State& state) {
  RunQuery(state, [](const kv::clsSystem& s) { benchmark::DoNotOptimize(s.WinDir()); });
}
void BM_WinVer(benchmark::State& state) {
  RunQuery(state, [](const kv::clsSystem& s) {
    int16_t major = 0, minor = 0;
    std::string platform;
    s.WinVer(major, minor, platform);
    benchmark::DoNotOptimize(minor);
  });
}
BENCHMARK(BM_FreeMemory);
BENCHMARK(BM_FunctionKeys);
BENCHMARK(BM_KeyboardType);
BENCHMARK(BM_SystemInfo);
BENCHMARK(BM_TempDir);
BENCHMARK(BM_SystemDir);
BENCHMARK(BM_ComputerName);
BENCHMARK(BM_UserName);
BENCHMARK(BM_SerialNumber);
BENCHMARK(BM_VolumeLabel);
BENCHMARK(BM_WinDir);
BENCHMARK(BM_WinVer);

// All twelve in a row, as one fill of the provider's values.
void BM_AllTwelveQueries(benchmark::State& state) {
  RunQuery(state, [](const kv::clsSystem& s) {
    uint8_t load = 0;
    int32_t total = 0, free = 0, n = 0, mask = 0;
    int16_t major = 0, minor = 0;
    std::string processor, platform;
    s.FreeMemory(load, total, free);
    benchmark::DoNotOptimize(s.FunctionKeys());
    benchmark::DoNotOptimize(s.KeyboardType());
    s.SystemInfo(processor, n, mask);
    benchmark::DoNotOptimize(s.TempDir());
    benchmark::DoNotOptimize(s.SystemDir());
    benchmark::DoNotOptimize(s.ComputerName());
    benchmark::DoNotOptimize(s.UserName());
    benchmark::DoNotOptimize(s.SerialNumber("/"));
    benchmark::DoNotOptimize(s.VolumeLabel("/"));
    benchmark::DoNotOptimize(s.WinDir());
    s.WinVer(major, minor, platform);
  });
}
BENCHMARK(BM_AllTwelveQueries);

// ---- the drive report ---------------------------------------------------------

void BM_DriveReportThisMachine(benchmark::State& state) {
  const kv::OsServices os = Machine().Services();
  TextBox box;
  for (auto _ : state) {
    kv::WriteDriveReport(os, box);
    benchmark::DoNotOptimize(box);
  }
  state.counters["bytes_of_report"] = static_cast<double>(box.Text().size());
}
BENCHMARK(BM_DriveReportThisMachine)->Unit(benchmark::kMicrosecond);

void BM_DriveReportScripted(benchmark::State& state) {
  const auto roots = static_cast<std::size_t>(state.range(0));
  const ScriptedPc scripted(roots);
  const kv::OsServices& os = scripted.services;
  TextBox box;
  for (auto _ : state) {
    kv::WriteDriveReport(os, box);
    benchmark::DoNotOptimize(box);
  }
  state.SetComplexityN(state.range(0));
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * state.range(0));
}
BENCHMARK(BM_DriveReportScripted)
    ->Arg(10)
    ->Arg(1000)
    ->Arg(10000)
    ->Unit(benchmark::kMicrosecond)
    ->Complexity(benchmark::oN);

// The Linux layer itself with many mounts: a mount table of n network, RAM
// and block-device mounts read from a mountinfo file, each root asked for its type,
// volume and space (statvfs answered at once, so that the layer is measured).
void BM_DriveReportLinuxMounts(benchmark::State& state) {
  const auto n = static_cast<int>(state.range(0));
  char path[] = "/tmp/kv-bench-mountinfo-XXXXXX";
  const int fd = mkstemp(path);
  if (fd < 0) {
    state.SkipWithError("no temporary file");
    return;
  }
  close(fd);
  {
    std::ofstream out(path);
    out << "1 0 8:1 / / rw - ext4 /dev/sda1 rw\n";
    for (int i = 0; i < n - 1; ++i) {
      const char* kinds[] = {" - nfs4 server:/export rw\n", " - tmpfs tmpfs rw\n",
                             " - ext4 /dev/sdz rw\n"};
      out << i + 2 << " 1 " << (i % 3 == 2 ? "65:" : "0:") << i + 100 << " / /srv/vol\\040" << i
          << " rw" << kinds[i % 3];
    }
  }
  kv::linux_os::IconvCodePage ansi("UTF-8");
  kv::linux_os::FileSystemConfig config;
  config.mountInfo = path;
  config.statVfs = [](const std::string&, struct statvfs& out) {
    out = {};
    out.f_frsize = 4096;
    out.f_blocks = 1000000;
    out.f_bfree = out.f_bavail = 250000;
    out.f_namemax = 255;
    return 0;
  };
  const kv::linux_os::LinuxFileSystems fileSystems(ansi, config);
  const ScriptedPc scripted(0);
  const kv::OsServices& base = scripted.services;
  const kv::OsServices os{
      ansi,         base.memory, base.processor, base.keyboard, base.directories, base.names,
      base.version, fileSystems, fileSystems,    fileSystems,   base.numbers,     base.details};
  TextBox box;
  for (auto _ : state) {
    kv::WriteDriveReport(os, box);
    benchmark::DoNotOptimize(box);
  }
  std::remove(path);
  state.SetComplexityN(n);
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * n);
}
BENCHMARK(BM_DriveReportLinuxMounts)
    ->Arg(10)
    ->Arg(1000)
    ->Arg(10000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oN);

}  // namespace

// The Linux layer starts the program itself as its query helper.
int main(int argc, char** argv) {
  kv::RunPlatformHelperIfAsked(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
