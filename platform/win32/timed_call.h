// Queries that may hang (a network drive whose server is gone, a drive that
// spins up) run on threads of their own, a thread per key (the queries of one
// drive stall together, so they are asked one after another on it), all the
// keys of a batch at once; the caller waits for them together only so long.
// A thread that has not answered is abandoned: it keeps only what it owns
// (its requests, its answerer and result slots shared with nobody else once
// the caller has gone), and ExitProcess ends it with the program.
#pragma once

#include <windows.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "platform/blocking_queries.h"

namespace kv::win32 {

// The thread and the wait are the system's own: the C++ library's futures
// and threads (over winpthreads) lose wake-ups on a loaded machine.
class ThreadQueries final : public IBlockingQueries {
 public:
  // answer must be safe to call on any thread, and to outlive this object.
  explicit ThreadQueries(QueryAnswerer answer,
                         std::chrono::milliseconds limit = kBlockingQueryLimit)
      : answer_(std::make_shared<QueryAnswerer>(std::move(answer))), limit_(limit) {}

  std::vector<QueryAnswer> AskAll(const std::vector<BlockingQuery>& queries) const override {
    std::vector<QueryAnswer> answers(queries.size());
    // The indexes of each key's queries, the keys in the order first asked.
    std::vector<std::pair<std::string, std::vector<std::size_t>>> keys;
    std::vector<std::shared_ptr<Call>> calls;
    {
      std::lock_guard lock(mutex_);
      for (std::size_t i = 0; i < queries.size(); ++i) {
        if (stalled_.contains(queries[i].key)) continue;
        auto key = std::find_if(keys.begin(), keys.end(),
                                [&](const auto& k) { return k.first == queries[i].key; });
        if (key == keys.end()) key = keys.insert(keys.end(), {queries[i].key, {}});
        key->second.push_back(i);
      }
      for (const auto& [key, indexes] : keys) {
        std::vector<std::string> requests;
        for (const std::size_t i : indexes) requests.push_back(queries[i].request);
        calls.push_back(Start(std::move(requests)));
      }
    }
    const ULONGLONG deadline = GetTickCount64() + static_cast<ULONGLONG>(limit_.count());
    for (std::size_t k = 0; k < keys.size(); ++k) {
      const ULONGLONG now = GetTickCount64();
      const DWORD left = now >= deadline ? 0 : static_cast<DWORD>(deadline - now);
      if (WaitForSingleObject(calls[k]->done, left) == WAIT_OBJECT_0) {
        for (std::size_t j = 0; j < keys[k].second.size(); ++j)
          answers[keys[k].second[j]] = std::move(calls[k]->results[j]);
      } else {
        std::lock_guard lock(mutex_);
        stalled_.insert(keys[k].first);  // not asked again
      }
    }
    return answers;
  }

 private:
  // Shared by the caller and the thread; the last one to let go frees it.
  struct Call {
    Call(std::shared_ptr<QueryAnswerer> a, std::vector<std::string> r)
        : answer(std::move(a)), requests(std::move(r)), results(requests.size()) {}
    ~Call() {
      if (done) CloseHandle(done);
    }
    Call(const Call&) = delete;
    Call& operator=(const Call&) = delete;

    void Run() {
      for (std::size_t i = 0; i < requests.size(); ++i) {
        try {
          results[i] = (*answer)(requests[i]);
        } catch (...) {
          results[i].reset();
        }
      }
      SetEvent(done);
    }
    static DWORD WINAPI Thread(void* parameter) {
      const std::unique_ptr<std::shared_ptr<Call>> own(
          static_cast<std::shared_ptr<Call>*>(parameter));
      (*own)->Run();
      return 0;
    }

    std::shared_ptr<QueryAnswerer> answer;
    std::vector<std::string> requests;
    std::vector<QueryAnswer> results;
    HANDLE done = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  };

  // Starts a call on a thread of its own; when no thread can be started, it
  // runs on the caller's thread.
  std::shared_ptr<Call> Start(std::vector<std::string> requests) const {
    auto call = std::make_shared<Call>(answer_, std::move(requests));
    auto* threadsShare = new std::shared_ptr<Call>(call);
    // A small stack: an abandoned thread keeps it for as long as it hangs.
    constexpr SIZE_T kStack = 256 * 1024;
    const HANDLE thread = call->done ? CreateThread(nullptr, kStack, &Call::Thread, threadsShare,
                                                    STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr)
                                     : nullptr;
    if (thread) {
      CloseHandle(thread);
    } else {
      delete threadsShare;
      call->Run();
    }
    return call;
  }

  std::shared_ptr<QueryAnswerer> answer_;
  std::chrono::milliseconds limit_;
  mutable std::mutex mutex_;
  mutable std::set<std::string> stalled_;
};

}  // namespace kv::win32
