// Speed of the mount snapshot on generated mount tables: many mounts stacked
// on one mount point, and a chain of mounts each inside the one before.
#include <benchmark/benchmark.h>

#include <string>

#include "platform/linux/mounts.h"

namespace {

// n tmpfs mounts on /mnt/stack, each mounted over the one before.
std::string Stacked(int n) {
  std::string text = "1 0 8:1 / / rw - ext4 /dev/sda1 rw\n";
  for (int i = 2; i < n + 2; ++i)
    text += std::to_string(i) + " " + std::to_string(i - 1) + " 0:" + std::to_string(i) +
            " / /mnt/stack rw - tmpfs tmpfs rw\n";
  return text;
}

// n tmpfs mounts on /d, /d/d, /d/d/d, ...
std::string Nested(int n) {
  std::string text = "1 0 8:1 / / rw - ext4 /dev/sda1 rw\n";
  std::string target;
  for (int i = 2; i < n + 2; ++i) {
    target += "/d";
    text += std::to_string(i) + " " + std::to_string(i - 1) + " 0:" + std::to_string(i) + " / " +
            target + " rw - tmpfs tmpfs rw\n";
  }
  return text;
}

template <std::string (*Make)(int)>
void BM_Snapshot(benchmark::State& state) {
  const std::string text = Make(static_cast<int>(state.range(0)));
  std::size_t roots = 0;
  for (auto _ : state) {
    const kv::linux_os::MountSnapshot snapshot(kv::linux_os::ParseMountInfo(text));
    roots = snapshot.Roots().size();
    benchmark::DoNotOptimize(roots);
  }
  state.counters["roots"] = static_cast<double>(roots);
}

}  // namespace

BENCHMARK(BM_Snapshot<Stacked>)->Name("MountSnapshot/Stacked")->Arg(1000)->Arg(16000)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Snapshot<Nested>)->Name("MountSnapshot/Nested")->Arg(500)->Arg(2000)->Arg(4000)
    ->Unit(benchmark::kMillisecond);
