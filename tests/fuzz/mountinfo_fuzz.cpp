// The mount table: parsing any text, as mountinfo and as mount(8)'s utab
// whose options join it, and taking its snapshot. Every root is a
// mount that can be reached at its own path, listed once, and the root list
// holds exactly the roots.
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "platform/linux/mounts.h"
#include "tests/fuzz/fuzz_checks.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  using namespace kv::fuzz;
  using namespace kv::linux_os;
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  std::vector<MountEntry> entries = ParseMountInfo(text);
  AddUserOptions(entries, ParseUtab(text));
  const MountSnapshot snapshot(std::move(entries));
  std::string list;
  std::set<std::string> paths;
  std::set<dev_t> devices;
  for (const MountEntry* root : snapshot.Roots()) {
    Require(!root->target.empty() && root->target[0] == '/', "a root is an absolute path");
    Require(root->target.find('\0') == std::string::npos, "a root holds no NUL");
    Require(KindOf(*root) != MountKind::Other && !HiddenFromDriveList(*root),
            "a root is a drive the user works with");
    Require(snapshot.MountAt(root->target) == root, "a root is the mount found at its path");
    std::string path = root->target;
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    Require(paths.insert(path).second, "each path is listed once");
    Require(devices.insert(root->device).second, "each file system is listed once");
    list += root->target + '\0';
  }
  Require(snapshot.RootList() == list + '\0', "the root list holds exactly the roots");
  return 0;
}
