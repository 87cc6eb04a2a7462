// The buffer contracts of the "A" functions, written once for every
// implementation of os.h (each operating system's layer and the test fake).
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <limits>
#include <span>
#include <string_view>

namespace kv::ansi_buffer {

inline uint32_t Clamp32(std::size_t n) {
  return static_cast<uint32_t>(std::min<std::size_t>(n, std::numeric_limits<uint32_t>::max()));
}

// The directory and drive-list queries: when text and a NUL fit, writes them
// and answers the length of text; otherwise leaves the buffer alone and
// answers the size needed, NUL included.
inline uint32_t WriteText(std::string_view text, std::span<char> buffer) {
  if (text.size() + 1 > buffer.size()) return Clamp32(text.size() + 1);
  std::memcpy(buffer.data(), text.data(), text.size());
  buffer[text.size()] = '\0';
  return Clamp32(text.size());
}

// The name queries: nonzero with the name and a NUL written and size set to
// the name's length when they fit in size bytes (and in the buffer);
// otherwise 0, the buffer left alone and size set to the size needed.
inline int32_t WriteName(std::string_view name, std::span<char> buffer, uint32_t& size) {
  const std::size_t room = std::min<std::size_t>(size, buffer.size());
  if (name.size() + 1 > room) {
    size = Clamp32(name.size() + 1);
    return 0;
  }
  WriteText(name, buffer);
  size = Clamp32(name.size());
  return 1;
}

// The volume query's names: text and a NUL, cut to the buffer's size - 1
// bytes; an empty buffer stays empty.
inline void WriteCut(std::string_view text, std::span<char> buffer) {
  if (buffer.empty()) return;
  WriteText(text.substr(0, buffer.size() - 1), buffer);
}

}  // namespace kv::ansi_buffer
