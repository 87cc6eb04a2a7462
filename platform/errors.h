// Errors raised by the program and by the platform layer. Each carries the
// number and the description that the error handlers show to the user.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace kv {

class Error : public std::runtime_error {
 public:
  Error(int32_t number, const std::string& description)
      : std::runtime_error(description), number_(number) {}
  int32_t Number() const noexcept { return number_; }

 private:
  int32_t number_;
};

// The error numbers the program raises itself.
inline constexpr int32_t kErrOverflow = 6;
inline constexpr int32_t kErrInvalidCall = 5;
inline constexpr int32_t kErrFileNotFound = 53;
inline constexpr int32_t kErrMissingEntryPoint = 453;

// A value stored into an integer (or a single-precision number) that cannot hold it.
inline Error OverflowError() { return Error(kErrOverflow, "オーバーフローしました。"); }

// A procedure was called with an argument it cannot take (an empty registry value, say).
inline Error InvalidCallError() {
  return Error(kErrInvalidCall, "プロシージャの呼び出し、または引数が不正です。");
}

// A system function that the running system does not have.
inline Error MissingEntryPointError(const std::string& library, const std::string& function) {
  return Error(kErrMissingEntryPoint,
               "DLL エントリ ポイント " + function + " が " + library + " に見つかりません。");
}

// A file or program that does not exist or cannot be started.
inline Error FileNotFoundError() { return Error(kErrFileNotFound, "ファイルが見つかりません。"); }

}  // namespace kv
