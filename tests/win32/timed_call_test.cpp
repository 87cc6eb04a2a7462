// Queries that do not answer in time count as failed, and the abandoned work
// runs on to its end without touching the caller's memory.
#include "platform/win32/timed_call.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <memory>
#include <stdexcept>
#include <string>

namespace kv::win32 {
namespace {

using namespace std::chrono_literals;

TEST(CallWithTimeLimit, AnswersTheResultOfWorkThatEndsInTime) {
  const auto answer = CallWithTimeLimit([] { return std::string("C:\\"); }, 60s);
  ASSERT_TRUE(answer.has_value());
  EXPECT_EQ(*answer, "C:\\");
}

TEST(CallWithTimeLimit, PassesAnErrorOfTheWorkOn) {
  EXPECT_THROW(CallWithTimeLimit([]() -> int { throw std::runtime_error("x"); }, 60s),
               std::runtime_error);
}

TEST(CallWithTimeLimit, GivesUpOnWorkThatHangsAndLetsItFinishLater) {
  // The work hangs until the test releases it, as a query to a server that
  // has gone would.
  struct Shared {
    HANDLE release = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    HANDLE finished = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    std::atomic<int> result{0};
    ~Shared() {
      CloseHandle(release);
      CloseHandle(finished);
    }
  };
  auto shared = std::make_shared<Shared>();
  {
    std::string callersText(100, 'x');
    const auto answer = CallWithTimeLimit(
        [shared, copy = callersText] {
          WaitForSingleObject(shared->release, INFINITE);
          shared->result = static_cast<int>(copy.size());
          SetEvent(shared->finished);
          return copy;
        },
        50ms);
    EXPECT_FALSE(answer.has_value());
  }  // the caller's text is gone; the work has its own copy
  SetEvent(shared->release);
  ASSERT_EQ(WaitForSingleObject(shared->finished, 120000), WAIT_OBJECT_0);
  EXPECT_EQ(shared->result.load(), 100);
}

}  // namespace
}  // namespace kv::win32
