// Queries that may hang (a network drive whose server is gone, a drive that
// spins up) run on a worker thread; the caller waits for them only so long.
#pragma once

#include <chrono>
#include <future>
#include <memory>
#include <optional>
#include <system_error>
#include <thread>
#include <utility>

namespace kv::win32 {

// The time a volume or space query may take before it counts as failed.
inline constexpr std::chrono::milliseconds kQueryTimeLimit{2000};

// Runs work() on a thread of its own and answers its result, or nothing when
// it has not answered within limit. The work must own everything it touches
// (capture by value): an abandoned call runs on to its end after the caller
// has gone, and only its own copies are there then. When no thread can be
// started, the work runs on the caller's thread.
template <typename Work>
auto CallWithTimeLimit(Work work, std::chrono::milliseconds limit)
    -> std::optional<decltype(work())> {
  using Result = decltype(work());
  std::packaged_task<Result()> task(std::move(work));
  std::future<Result> answer = task.get_future();
  // The task lives in the thread's own closure; its shared state outlives
  // whichever side finishes first.
  auto shared = std::make_shared<std::packaged_task<Result()>>(std::move(task));
  try {
    std::thread([shared] { (*shared)(); }).detach();
  } catch (const std::system_error&) {
    (*shared)();
  }
  if (answer.wait_for(limit) != std::future_status::ready) return std::nullopt;
  return answer.get();
}

}  // namespace kv::win32
