// The keyboard type, read from the system's keyboard configuration.
#include <algorithm>
#include <cctype>
#include <sstream>
#include <vector>

#include "platform/linux/system_queries.h"

namespace kv::linux_os {
namespace {

std::string_view Trim(std::string_view s) {
  const auto b = s.find_first_not_of(" \t\r\n");
  if (b == std::string_view::npos) return {};
  const auto e = s.find_last_not_of(" \t\r\n");
  return s.substr(b, e - b + 1);
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) ==
                  std::tolower(static_cast<unsigned char>(y));
         });
}

// A shell word: quotes removed ('...' literally, "..." with backslash
// escapes), ends at unquoted blank or '#'.
std::string ShellWord(std::string_view s) {
  std::string out;
  char quote = 0;
  for (std::size_t i = 0; i < s.size(); ++i) {
    const char c = s[i];
    if (quote == '\'') {
      if (c == '\'') quote = 0;
      else out += c;
    } else if (quote == '"') {
      if (c == '"') quote = 0;
      else if (c == '\\' && i + 1 < s.size()) out += s[++i];
      else out += c;
    } else if (c == '\'' || c == '"') {
      quote = c;
    } else if (c == '\\' && i + 1 < s.size()) {
      out += s[++i];
    } else if (c == ' ' || c == '\t' || c == '#') {
      break;
    } else {
      out += c;
    }
  }
  return out;
}

// The quoted and bare tokens of an xorg.conf line, up to a comment.
std::vector<std::string> XorgTokens(std::string_view line) {
  std::vector<std::string> tokens;
  std::size_t i = 0;
  while (i < line.size()) {
    const char c = line[i];
    if (c == ' ' || c == '\t' || c == '\r') {
      ++i;
    } else if (c == '#') {
      break;
    } else if (c == '"') {
      const auto end = line.find('"', i + 1);
      if (end == std::string_view::npos) {
        tokens.emplace_back(line.substr(i + 1));
        break;
      }
      tokens.emplace_back(line.substr(i + 1, end - i - 1));
      i = end + 1;
    } else {
      const auto end = line.find_first_of(" \t\r\"#", i);
      tokens.emplace_back(line.substr(i, end == std::string_view::npos ? line.npos : end - i));
      i = end == std::string_view::npos ? line.size() : end;
    }
  }
  return tokens;
}

std::optional<std::string> NonEmpty(std::optional<std::string> s) {
  if (s && Trim(*s).empty()) return std::nullopt;
  return s;
}

}  // namespace

std::optional<std::string> ParseShellAssignment(std::istream& in, std::string_view name) {
  std::optional<std::string> value;
  std::string line;
  while (std::getline(in, line)) {
    std::string_view l = Trim(line);
    if (l.starts_with("export ") || l.starts_with("export\t")) l = Trim(l.substr(7));
    if (!l.starts_with(name) || l.size() <= name.size() || l[name.size()] != '=') continue;
    value = ShellWord(l.substr(name.size() + 1));  // a later assignment wins, as in the shell
  }
  return value;
}

std::optional<std::string> ParseXkbLayoutOption(std::istream& in) {
  std::string line;
  while (std::getline(in, line)) {
    const auto tokens = XorgTokens(line);
    if (tokens.size() >= 3 && EqualsNoCase(tokens[0], "Option") &&
        EqualsNoCase(tokens[1], "XkbLayout"))
      return tokens[2];
  }
  return std::nullopt;
}

int32_t KeyboardTypeOfLayout(std::string_view layout) {
  layout = Trim(layout);
  const auto comma = layout.find(',');
  if (comma != std::string_view::npos) layout = Trim(layout.substr(0, comma));
  if (layout.empty()) return 0;
  std::string lower(layout);
  std::transform(lower.begin(), lower.end(), lower.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return lower.starts_with("jp") ? 7 : 4;
}

std::optional<std::string> LinuxKeyboard::ConfiguredLayout() const {
  auto assignment = [](const std::optional<std::string>& text, std::string_view name) {
    if (!text) return std::optional<std::string>();
    std::istringstream in(*text);
    return NonEmpty(ParseShellAssignment(in, name));
  };
  if (auto v = assignment(files_.Read(paths_.defaultKeyboard), "XKBLAYOUT")) return v;
  const auto vconsole = files_.Read(paths_.vconsole);
  if (auto v = assignment(vconsole, "XKBLAYOUT")) return v;
  if (auto v = assignment(vconsole, "KEYMAP")) return v;

  auto names = files_.List(paths_.xorgConfDir).value_or(std::vector<std::string>());
  std::erase_if(names, [](const std::string& n) { return !n.ends_with(".conf") || n == ".conf"; });
  std::sort(names.begin(), names.end());  // the X server reads them in this order
  for (const auto& name : names) {
    const auto text = files_.Read(paths_.xorgConfDir + '/' + name);
    if (!text) continue;
    std::istringstream in(*text);
    if (auto v = NonEmpty(ParseXkbLayoutOption(in))) return v;
  }
  return std::nullopt;
}

int32_t LinuxKeyboard::GetKeyboardType(int32_t typeFlag) const {
  const auto layout = ConfiguredLayout();
  if (!layout) return 0;
  const int32_t type = KeyboardTypeOfLayout(*layout);
  if (type == 0) return 0;
  switch (typeFlag) {
    case 0: return type;
    case 1: return 0;   // no OEM subtype
    case 2: return 12;  // F1 to F12
    default: return 0;
  }
}

}  // namespace kv::linux_os
