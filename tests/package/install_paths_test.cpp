#include "platform/linux/install_paths.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "tests/linux/test_support.h"

namespace kv::linux_os {
namespace {

using test::Row;

std::string Joined(const std::vector<std::filesystem::path>& dirs) {
  std::string out;
  for (const auto& dir : dirs) out += (out.empty() ? "" : " ") + dir.string();
  return out;
}

// The folders searched for the Qt module and for the data (install_layouts.cases).
class InstallPaths : public ::testing::TestWithParam<Row> {};
TEST_P(InstallPaths, LooksRelativeToTheProgramFirst) {
  const Row& r = GetParam();
  InstallLayout layout;
  std::istringstream(r[2]) >> layout.prefix >> layout.bindir >> layout.libdir >> layout.datadir;
  EXPECT_EQ(Row({Joined(ModuleDirs(r[1], layout)), Joined(DataDirs(r[1], layout))}),
            Row(r.begin() + 3, r.end()));
}
INSTANTIATE_TEST_SUITE_P(Layouts, InstallPaths,
                         ::testing::ValuesIn(test::Table("install_layouts.cases")), test::ByName);

}  // namespace
}  // namespace kv::linux_os
