// Fixtures and temporary folders for the Linux layer's tests.
#pragma once

#include <stdlib.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

namespace kv::linux_os::test {

inline std::string Fixture(std::string_view name) {
  return std::string(KV_LINUX_FIXTURES) + "/" + std::string(name);
}

// Names a parameterised test after its case's name.
inline constexpr auto ByName = [](const auto& info) { return std::string(info.param.name); };

inline void WriteFile(const std::filesystem::path& path, std::string_view text, int mode = 0644) {
  std::filesystem::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
  chmod(path.c_str(), static_cast<mode_t>(mode));
}

// A folder of its own under the system's temporary folder, removed at the end.
struct TempDir {
  std::filesystem::path path = [] {
    std::string pattern = (std::filesystem::temp_directory_path() / "kv-linux-XXXXXX").string();
    return std::filesystem::path(mkdtemp(pattern.data()) ? pattern : "/nonexistent/kv-linux");
  }();
  ~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path, ec);
  }
  std::filesystem::path operator/(std::string_view name) const { return path / name; }
};

}  // namespace kv::linux_os::test
