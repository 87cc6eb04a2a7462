// Queries that may hang (a network drive whose server is gone, a drive that
// spins up) run on threads of their own, the caller waiting for them together
// only so long. A key's queries (the queries of one drive stall together) are
// asked one after another on one thread. A batch starts with one worker that
// takes the keys in turn; while keys are left that no worker has taken, one
// more worker starts every patience interval, so a key that stalls holds up
// the keys after it that long at most, and every key has a worker well within
// the limit. Threads are dear (a few milliseconds each under Wine), so a
// batch that answers quickly uses only the one.
// A thread that has not answered is abandoned: it keeps only what it owns
// (the batch it shares with nobody else once the caller has gone), and
// ExitProcess ends it with the program.
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

// The threads, the lock they share and the wait are the system's own: the C++
// library's futures, threads and mutexes (over winpthreads) lose wake-ups on
// a loaded machine and are not made for threads the system started.
class ThreadQueries final : public IBlockingQueries {
  struct Batch;

 public:
  // answer must be safe to call on any thread, and to outlive this object.
  // patience: how long the keys left wait for a worker before one more
  // starts; by default a 32nd of the limit, so that even when every drive
  // letter before it stalls, a key is taken before the limit is up.
  explicit ThreadQueries(QueryAnswerer answer,
                         std::chrono::milliseconds limit = kBlockingQueryLimit,
                         std::chrono::milliseconds patience = std::chrono::milliseconds::zero())
      : answer_(std::make_shared<QueryAnswerer>(std::move(answer))),
        limit_(limit),
        patience_(patience > patience.zero() ? patience : std::max(limit / 32, Ms(1))) {}

  // A batch under way: its first worker started, its limit counted from then.
  class Pending {
   private:
    friend class ThreadQueries;
    std::size_t size = 0;  // the queries asked
    // The indexes of each key's queries, the keys in the order first asked.
    std::vector<std::pair<std::string, std::vector<std::size_t>>> keys;
    std::shared_ptr<Batch> batch;
    ULONGLONG deadline = 0, nextWorker = 0;
  };

  // Starts asking the queries and returns at once; Finish collects the answers.
  Pending Begin(const std::vector<BlockingQuery>& queries) const {
    Pending pending;
    pending.size = queries.size();
    {
      std::lock_guard lock(mutex_);
      for (std::size_t i = 0; i < queries.size(); ++i) {
        if (stalled_.contains(queries[i].key)) continue;
        auto key = std::find_if(pending.keys.begin(), pending.keys.end(),
                                [&](const auto& k) { return k.first == queries[i].key; });
        if (key == pending.keys.end())
          key = pending.keys.insert(pending.keys.end(), {queries[i].key, {}});
        key->second.push_back(i);
      }
    }
    if (pending.keys.empty()) return pending;
    pending.batch = std::make_shared<Batch>(answer_);
    for (const auto& [key, indexes] : pending.keys) {
      std::vector<std::string> requests;
      for (const std::size_t i : indexes) requests.push_back(queries[i].request);
      pending.batch->requests.push_back(std::move(requests));
    }
    pending.batch->results.resize(pending.keys.size());
    pending.batch->state.resize(pending.keys.size(), KeyState::Waiting);
    const ULONGLONG now = GetTickCount64();
    pending.deadline = now + Count(limit_);
    if (StartWorker(pending.batch)) pending.nextWorker = now + Count(patience_);
    return pending;
  }

  // Waits for the answers of a batch Begin started until its limit is up,
  // starting more workers while keys are left that none has taken (only
  // here: Begin starts the first, so the caller should not be long away).
  // answers[i] belongs to queries[i] of Begin.
  std::vector<QueryAnswer> Finish(Pending& pending) const {
    std::vector<QueryAnswer> answers(pending.size);
    if (!pending.batch) return answers;
    Batch& batch = *pending.batch;
    const std::size_t keys = pending.keys.size();
    for (;;) {
      const ULONGLONG now = GetTickCount64();
      bool allAnswered = false, keysLeft = false;
      {
        const Lock lock(batch.mutex);
        allAnswered = batch.answered == keys;
        keysLeft = batch.next < keys;
      }
      if (allAnswered || now >= pending.deadline) break;
      if (keysLeft && now >= pending.nextWorker) {
        if (!StartWorker(pending.batch))
          Batch::Work(batch);  // no thread: on the caller's, unbounded
        pending.nextWorker = now + Count(patience_);
        continue;
      }
      const ULONGLONG until =
          keysLeft ? std::min(pending.deadline, pending.nextWorker) : pending.deadline;
      WaitForSingleObject(batch.progress,
                          static_cast<DWORD>(std::min<ULONGLONG>(until - now, INFINITE - 1)));
    }

    const Lock lock(batch.mutex);
    for (std::size_t k = 0; k < keys; ++k) {
      if (batch.state[k] == KeyState::Answered) {
        for (std::size_t j = 0; j < pending.keys[k].second.size(); ++j)
          answers[pending.keys[k].second[j]] = std::move(batch.results[k][j]);
      } else if (batch.state[k] == KeyState::Asked) {
        std::lock_guard stalledLock(mutex_);
        stalled_.insert(pending.keys[k].first);  // not asked again
      }
      // A key no worker took in time was never asked: it fails this once.
    }
    batch.next = keys;  // workers still running take no more keys
    pending.batch.reset();
    return answers;
  }

  std::vector<QueryAnswer> AskAll(const std::vector<BlockingQuery>& queries) const override {
    Pending pending = Begin(queries);
    return Finish(pending);
  }

 private:
  using Ms = std::chrono::milliseconds;
  static ULONGLONG Count(Ms ms) { return static_cast<ULONGLONG>(std::max<Ms::rep>(ms.count(), 0)); }

  enum class KeyState { Waiting, Asked, Answered };

  // A lock of the system's, held for a scope.
  class Lock {
   public:
    explicit Lock(CRITICAL_SECTION& section) : section_(section) {
      EnterCriticalSection(&section_);
    }
    ~Lock() { LeaveCriticalSection(&section_); }
    Lock(const Lock&) = delete;
    Lock& operator=(const Lock&) = delete;

   private:
    CRITICAL_SECTION& section_;
  };

  // Shared by the caller and the workers; the last one to let go frees it.
  struct Batch {
    explicit Batch(std::shared_ptr<QueryAnswerer> a) : answer(std::move(a)) {
      InitializeCriticalSection(&mutex);
    }
    ~Batch() {
      DeleteCriticalSection(&mutex);
      if (progress) CloseHandle(progress);
    }
    Batch(const Batch&) = delete;
    Batch& operator=(const Batch&) = delete;

    // Takes the keys no worker has taken, one at a time, until none is left.
    static void Work(Batch& batch) {
      for (;;) {
        std::size_t k = 0;
        {
          const Lock lock(batch.mutex);
          if (batch.next >= batch.requests.size()) return;
          k = batch.next++;
          batch.state[k] = KeyState::Asked;
        }
        std::vector<QueryAnswer> results(batch.requests[k].size());
        for (std::size_t i = 0; i < results.size(); ++i) {
          try {
            results[i] = (*batch.answer)(batch.requests[k][i]);
          } catch (...) {
            results[i].reset();
          }
        }
        {
          const Lock lock(batch.mutex);
          batch.results[k] = std::move(results);
          batch.state[k] = KeyState::Answered;
          ++batch.answered;
        }
        SetEvent(batch.progress);
      }
    }
    static DWORD WINAPI Thread(void* parameter) {
      const std::unique_ptr<std::shared_ptr<Batch>> own(
          static_cast<std::shared_ptr<Batch>*>(parameter));
      Work(**own);
      return 0;
    }

    std::shared_ptr<QueryAnswerer> answer;
    std::vector<std::vector<std::string>> requests;  // per key; fixed once workers run
    CRITICAL_SECTION mutex;                          // guards what follows
    std::vector<std::vector<QueryAnswer>> results;   // per key
    std::vector<KeyState> state;                     // per key
    std::size_t next = 0;                            // the first key no worker has taken
    std::size_t answered = 0;
    HANDLE progress = CreateEventW(nullptr, FALSE, FALSE, nullptr);  // a key answered
  };

  // Starts one more worker on a thread of its own; false when none can start.
  static bool StartWorker(const std::shared_ptr<Batch>& batch) {
    if (!batch->progress) return false;
    auto* threadsShare = new std::shared_ptr<Batch>(batch);
    // A small stack: an abandoned thread keeps it for as long as it hangs.
    constexpr SIZE_T kStack = 256 * 1024;
    const HANDLE thread = CreateThread(nullptr, kStack, &Batch::Thread, threadsShare,
                                       STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr);
    if (!thread) {
      delete threadsShare;
      return false;
    }
    CloseHandle(thread);
    return true;
  }

  std::shared_ptr<QueryAnswerer> answer_;
  Ms limit_;
  Ms patience_;
  mutable std::mutex mutex_;
  mutable std::set<std::string> stalled_;
};

}  // namespace kv::win32
