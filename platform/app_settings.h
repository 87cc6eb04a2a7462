// The application settings, fixed when the program is built.
#pragma once

#include <cstdint>
#include <string_view>

namespace kv {

struct AppSettings {
  std::string_view title;
  std::string_view helpFile;  // a bare file name
  int16_t major;
  int16_t minor;
  int16_t revision;
  std::string_view copyright;
  std::string_view description;
};

inline constexpr AppSettings kApp{
    "Kavreno",
    "Kavreno.hlp",
    1,
    0,
    0,
    "Copyright (C) 2026 Kavreno 開発チーム",
    "PCのシステム情報を表示するアプリケーション",
};

}  // namespace kv
