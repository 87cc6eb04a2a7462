// Queries that may hang (a network drive whose server is gone, a drive that
// spins up) run on a worker thread; the caller waits for them only so long.
#pragma once

#include <windows.h>

#include <chrono>
#include <exception>
#include <memory>
#include <optional>
#include <utility>

namespace kv::win32 {

// The time a volume or space query may take before it counts as failed.
inline constexpr std::chrono::milliseconds kQueryTimeLimit{2000};

// Runs work() on a thread of its own and answers its result, or nothing when
// it has not answered within limit; an error of the work passes on. The work
// must own everything it touches (capture by value): an abandoned call runs
// on to its end after the caller has gone, and only its own copies are there
// then. When no thread can be started, the work runs on the caller's thread.
//
// The thread and the wait are the system's own: the C++ library's futures
// and threads (over winpthreads) lose wake-ups on a loaded machine.
template <typename Work>
auto CallWithTimeLimit(Work work, std::chrono::milliseconds limit)
    -> std::optional<decltype(work())> {
  using Result = decltype(work());
  // Shared by the caller and the thread; the last one to let go frees it.
  struct Call {
    explicit Call(Work w) : work(std::move(w)) {}
    ~Call() {
      if (done) CloseHandle(done);
    }
    Call(const Call&) = delete;
    Call& operator=(const Call&) = delete;

    void Run() {
      try {
        result.emplace(work());
      } catch (...) {
        error = std::current_exception();
      }
      SetEvent(done);
    }
    static DWORD WINAPI Start(void* parameter) {
      const std::unique_ptr<std::shared_ptr<Call>> own(
          static_cast<std::shared_ptr<Call>*>(parameter));
      (*own)->Run();
      return 0;
    }

    Work work;
    HANDLE done = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    std::optional<Result> result;
    std::exception_ptr error;
  };

  auto call = std::make_shared<Call>(std::move(work));
  auto* threadsShare = new std::shared_ptr<Call>(call);
  // A small stack: an abandoned thread keeps it for as long as it hangs.
  constexpr SIZE_T kStack = 256 * 1024;
  const HANDLE thread = call->done ? CreateThread(nullptr, kStack, &Call::Start, threadsShare,
                                                  STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr)
                                   : nullptr;
  if (thread) {
    CloseHandle(thread);
    const auto ms = limit.count() < 0 ? 0 : limit.count() > 0x7FFFFFFF ? 0x7FFFFFFF : limit.count();
    if (WaitForSingleObject(call->done, static_cast<DWORD>(ms)) != WAIT_OBJECT_0)
      return std::nullopt;
  } else {
    delete threadsShare;
    call->Run();
  }
  if (call->error) std::rethrow_exception(call->error);
  return std::move(call->result);
}

}  // namespace kv::win32
