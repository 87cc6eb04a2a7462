// Fixtures, case tables and temporary folders for the Linux layer's tests.
#pragma once

#include <stdlib.h>
#include <sys/stat.h>

#include <cctype>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <ostream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace kv::linux_os::test {

inline std::string Fixture(std::string_view name) {
  return std::string(KV_LINUX_FIXTURES) + "/" + std::string(name);
}

// C escapes undone: \n \r \t \0 \xNN, and \ before any other character.
inline std::string Unescape(std::string_view s) {
  constexpr std::string_view kKeys = "nrt0", kValues("\n\r\t\0", 4);
  std::string out;
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (s[i] != '\\' || i + 1 == s.size()) {
      out += s[i];
    } else if (const char c = s[++i]; c == 'x') {
      out += static_cast<char>(std::stoi(std::string(s.substr(i + 1, 2)), nullptr, 16));
      i += 2;
    } else {
      out += kKeys.find(c) == kKeys.npos ? c : kValues[kKeys.find(c)];
    }
  }
  return out;
}

// A case table: a row per line, fields split at " | " and escapes undone in
// each; blank lines and lines starting with '#' are left out.
struct Row : std::vector<std::string> {
  using vector::vector;
  // Printed (and so named in CTest) as its line, with \xNN for the bytes that
  // are neither letters, digits nor " -./:_|".
  friend void PrintTo(const Row& row, std::ostream* os) {
    for (std::size_t i = 0; i < row.size(); ++i)
      for (const unsigned char c : (i ? " | " : "") + row[i])
        std::isalnum(c) || (c && std::strchr(" -./:_|", c))
            ? *os << c
            : *os << "\\x" << std::hex << +c << std::dec;
  }
};
inline std::vector<Row> Rows(std::string_view text) {
  std::vector<Row> rows;
  std::istringstream in{std::string(text)};
  for (std::string line; std::getline(in, line);) {
    if (line.empty() || line[0] == '#') continue;
    Row& row = rows.emplace_back();
    for (std::size_t at = 0, end = 0; end != std::string::npos; at = end + 3)
      row.push_back(Unescape(line.substr(at, (end = line.find(" | ", at)) - at)));
  }
  return rows;
}
inline std::vector<Row> Table(std::string_view fixture) {
  std::ifstream in(Fixture(fixture), std::ios::binary);
  if (!in) throw std::runtime_error("no fixture " + std::string(fixture));
  return Rows(std::string(std::istreambuf_iterator<char>(in), {}));
}

// Names a parameterised test after its case's name, a row's first field.
inline constexpr auto ByName = [](const auto& info) { return info.param[0]; };

// The values written one after another, a space between each two.
template <class... T>
std::string Words(const T&... values) {
  std::ostringstream out;
  ((out << values << ' '), ...);
  return out.str().substr(0, out.str().size() - 1);
}

inline void WriteFile(const std::filesystem::path& path, std::string_view text, int mode = 0644) {
  std::filesystem::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
  chmod(path.c_str(), static_cast<mode_t>(mode));
}

// A folder of its own under the system's temporary folder, removed at the
// end, holding the files, folders and links of rows: "path | text [| octal
// mode]" a file, "path/" a folder, "path | -> target" a symbolic link.
struct TempDir {
  explicit TempDir(const std::vector<Row>& rows = {}) {
    for (const Row& r : rows) {
      const auto at = path / r[0];
      std::filesystem::create_directories(r.size() == 1 ? at : at.parent_path());
      if (r.size() > 1 && r[1].starts_with("-> "))
        std::filesystem::create_symlink(r[1].substr(3), at);
      else if (r.size() > 1)
        WriteFile(at, r[1], r.size() > 2 ? std::stoi(r[2], nullptr, 8) : 0644);
    }
  }
  ~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path, ec);
  }
  TempDir(const TempDir&) = delete;
  std::filesystem::path operator/(std::string_view name) const { return path / name; }

  std::filesystem::path path = [] {
    std::string pattern = (std::filesystem::temp_directory_path() / "kv-linux-XXXXXX").string();
    return std::filesystem::path(mkdtemp(pattern.data()) ? pattern : "/nonexistent/kv-linux");
  }();
};

}  // namespace kv::linux_os::test
