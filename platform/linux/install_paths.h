// Where the program finds its Qt module and its data files. An installed
// program looks relative to its own location first, so that an install into
// any prefix, or a package unpacked anywhere, finds its own files; then in
// the prefix it was configured with. The build tree works too.
#pragma once

#include <filesystem>
#include <vector>

namespace kv::linux_os {

// The install layout as GNUInstallDirs gives it: the prefix, and bindir,
// libdir and datadir relative to it (or absolute, when configured so).
struct InstallLayout {
  std::filesystem::path prefix;
  std::filesystem::path bindir;
  std::filesystem::path libdir;
  std::filesystem::path datadir;
};

// The layout this program was configured with.
InstallLayout ConfiguredLayout();

// The folder holding the running program; empty when it cannot be told.
std::filesystem::path ProgramDir();

// The folders to look for the Qt module in, best first, for a program in
// programDir: <prefix>/<libdir>/kavreno with the prefix taken from
// programDir, the build tree's <programDir>/../lib, and the configured
// <prefix>/<libdir>/kavreno.
std::vector<std::filesystem::path> ModuleDirs(const std::filesystem::path& programDir,
                                              const InstallLayout& layout);

// The folders to look for the program's data (its help file) in, best first:
// programDir itself (the build tree), <prefix>/<datadir>/kavreno with the
// prefix taken from programDir, and the configured <prefix>/<datadir>/kavreno.
std::vector<std::filesystem::path> DataDirs(const std::filesystem::path& programDir,
                                            const InstallLayout& layout);

}  // namespace kv::linux_os
