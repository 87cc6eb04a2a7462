// Every error the program raises, with its number and its description: the
// portable code, the platform layers and the test fakes all raise them from
// here, so that one failure has one number and one text wherever it arises.
#pragma once

#include <cstdint>
#include <new>
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

// The error numbers.
inline constexpr int32_t kErrInvalidCall = 5;
inline constexpr int32_t kErrOverflow = 6;
inline constexpr int32_t kErrOutOfMemory = 7;
inline constexpr int32_t kErrInternal = 51;
inline constexpr int32_t kErrBadFileName = 52;
inline constexpr int32_t kErrFileNotFound = 53;
inline constexpr int32_t kErrDeviceUnavailable = 68;
inline constexpr int32_t kErrPermissionDenied = 70;
inline constexpr int32_t kErrDiskNotReady = 71;
inline constexpr int32_t kErrMissingEntryPoint = 453;

// A value stored into an integer (or a single-precision number) that cannot hold it.
inline Error OverflowError() { return Error(kErrOverflow, "オーバーフローしました。"); }

// A procedure was called with an argument it cannot take: an empty registry
// value, a control the form does not have or one of the wrong kind.
inline Error InvalidCallError() {
  return Error(kErrInvalidCall, "プロシージャの呼び出し、または引数が不正です。");
}

// A system call of the window system that failed, with the system's own words.
inline Error SystemCallError(const std::string& function, const std::string& systemMessage) {
  return Error(kErrInvalidCall, systemMessage.empty() ? function : function + ": " + systemMessage);
}

// A character set the conversion library does not know; toAnsi tells the direction.
inline Error CharsetError(const std::string& charset, bool toAnsi) {
  return Error(kErrInvalidCall,
               "文字セット " + charset + (toAnsi ? " に" : " から") + "変換できません。");
}

// A system function that the running system does not have.
inline Error MissingEntryPointError(const std::string& library, const std::string& function) {
  return Error(kErrMissingEntryPoint,
               "DLL エントリ ポイント " + function + " が " + library + " に見つかりません。");
}

// A file or program that does not exist or cannot be started.
inline Error FileNotFoundError() { return Error(kErrFileNotFound, "ファイルが見つかりません。"); }

// A program that exists but could not be started, with the system's reason.
inline Error ProgramNotStartedError(const std::string& path, const std::string& reason) {
  return Error(kErrFileNotFound, "プログラムを開始できません: " + path + " (" + reason + ")");
}

// The window system's module could not be loaded; reasons says, on one line,
// what was tried and why it failed.
inline Error ModuleNotLoadedError(const std::string& reasons) {
  return Error(kErrFileNotFound, "Qt モジュールを読み込めません: " + reasons);
}

// The window system's module was loaded but could not open a window, and why.
inline Error WindowNotOpenedError(const std::string& reason) {
  return Error(kErrFileNotFound, "ウィンドウを開けません: " + reason);
}

// A path that names no file the system can look at.
inline Error BadFileNameError() {
  return Error(kErrBadFileName, "ファイル名または番号が不正です。");
}

// A file the user may not look at.
inline Error PermissionDeniedError() { return Error(kErrPermissionDenied, "書き込みできません。"); }

// A drive whose medium is missing or not ready.
inline Error DiskNotReadyError() {
  return Error(kErrDiskNotReady, "ディスクが準備されていません。");
}

// A drive root that cannot be read at all (no such drive, or it does not answer).
inline Error DeviceUnavailableError() {
  return Error(kErrDeviceUnavailable, "デバイスが使用できません。");
}

// Any exception as the error it stands for: a kv::Error as it is, memory
// running out as error 7, anything else as an internal error.
inline Error AsError(const std::exception& e) {
  if (const auto* error = dynamic_cast<const Error*>(&e)) return *error;
  if (dynamic_cast<const std::bad_alloc*>(&e)) return Error(kErrOutOfMemory, "メモリが不足しています。");
  return Error(kErrInternal, e.what());
}

// The text shown for an error that no handler of the program takes, before the program ends.
inline std::string UnhandledErrorText(const Error& e) {
  return "実行時エラー '" + std::to_string(e.Number()) + "':\r\n\r\n" + e.what();
}

}  // namespace kv
