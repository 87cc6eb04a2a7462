#include "platform/linux/install_paths.h"

#include <algorithm>
#include <optional>
#include <system_error>

namespace kv::linux_os {

namespace fs = std::filesystem;

namespace {

// The prefix an install in programDir has: one folder up for every folder
// of bindir. None when bindir is absolute (such an install does not move).
std::optional<fs::path> RelocatedPrefix(const fs::path& programDir, const fs::path& bindir) {
  if (programDir.empty() || bindir.is_absolute()) return std::nullopt;
  fs::path prefix = programDir;
  for (const auto& part : bindir.lexically_normal()) {
    if (!part.empty() && part != ".") prefix /= "..";
  }
  return prefix;
}

// dir under prefix; dir as it is when it is absolute.
fs::path Under(const fs::path& prefix, const fs::path& dir) {
  return dir.is_absolute() ? dir : prefix / dir;
}

void AddUnique(std::vector<fs::path>& dirs, const fs::path& dir) {
  const fs::path clean = dir.lexically_normal();
  if (std::find(dirs.begin(), dirs.end(), clean) == dirs.end()) dirs.push_back(clean);
}

}  // namespace

InstallLayout ConfiguredLayout() {
  return InstallLayout{KAVRENO_INSTALL_PREFIX, KAVRENO_INSTALL_BINDIR, KAVRENO_INSTALL_LIBDIR,
                       KAVRENO_INSTALL_DATADIR};
}

fs::path ProgramDir() {
  std::error_code ec;
  const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
  return ec ? fs::path() : exe.parent_path();
}

std::vector<fs::path> ModuleDirs(const fs::path& programDir, const InstallLayout& layout) {
  std::vector<fs::path> dirs;
  if (const auto prefix = RelocatedPrefix(programDir, layout.bindir))
    AddUnique(dirs, Under(*prefix, layout.libdir) / "kavreno");
  if (!programDir.empty()) AddUnique(dirs, programDir / ".." / "lib");
  AddUnique(dirs, Under(layout.prefix, layout.libdir) / "kavreno");
  return dirs;
}

std::vector<fs::path> DataDirs(const fs::path& programDir, const InstallLayout& layout) {
  std::vector<fs::path> dirs;
  if (!programDir.empty()) AddUnique(dirs, programDir);
  if (const auto prefix = RelocatedPrefix(programDir, layout.bindir))
    AddUnique(dirs, Under(*prefix, layout.datadir) / "kavreno");
  AddUnique(dirs, Under(layout.prefix, layout.datadir) / "kavreno");
  return dirs;
}

}  // namespace kv::linux_os
