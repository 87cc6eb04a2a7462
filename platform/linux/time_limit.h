// Runs a call that may never return (a file-system query on a network mount
// whose server is gone) on a worker thread and waits a limited time for it.
// A call that has not answered in time is abandoned together with its
// worker: the worker keeps only what it owns (its copy of the work and a
// shared result slot), so it may finish at any later time, or never, without
// touching its caller, and then ends. While an abandoned call on a key is
// still out, further calls on that key fail at once instead of waiting again.
// Workers that answered in time wait for the next call, so that a query
// costs a hand-over rather than a new thread.
#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

namespace kv::linux_os {

class TimeLimit {
 public:
  explicit TimeLimit(std::chrono::milliseconds limit)
      : limit_(limit), shared_(std::make_shared<Shared>()) {}
  ~TimeLimit() {
    std::vector<std::shared_ptr<Worker>> idle;
    {
      std::lock_guard lock(shared_->mutex);
      shared_->closing = true;
      idle.swap(shared_->idle);
    }
    for (auto& worker : idle) worker->Post({});  // an empty job ends the worker
  }
  TimeLimit(const TimeLimit&) = delete;
  TimeLimit& operator=(const TimeLimit&) = delete;

  std::chrono::milliseconds Limit() const { return limit_; }

  // The work's answer, or nullopt when it failed (answered nullopt or threw),
  // did not answer within the limit, or an earlier call on key is still out.
  template <typename T>
  std::optional<T> Run(const std::string& key, std::function<std::optional<T>()> work) const {
    {
      std::lock_guard lock(shared_->mutex);
      if (shared_->stalled.contains(key)) return std::nullopt;
    }
    struct Call {
      std::mutex mutex;
      std::condition_variable done;
      bool finished = false;
      bool abandoned = false;
      std::optional<T> result;
    };
    auto call = std::make_shared<Call>();
    // Answers true when the caller had given up on this call.
    Job job = [call, shared = shared_, key, work = std::move(work)]() {
      std::optional<T> result;
      try {
        result = work();
      } catch (...) {
        result.reset();
      }
      bool abandoned = false;
      {
        std::lock_guard lock(call->mutex);
        call->result = std::move(result);
        call->finished = true;
        abandoned = call->abandoned;
      }
      call->done.notify_all();
      if (abandoned) {
        std::lock_guard lock(shared->mutex);
        shared->stalled.erase(key);
      }
      return abandoned;
    };
    const auto worker = TakeWorker();
    if (!worker) return std::nullopt;  // no thread to run it on
    worker->Post(std::move(job));

    std::unique_lock lock(call->mutex);
    if (!call->done.wait_for(lock, limit_, [&] { return call->finished; })) {
      // Marked while the call's lock is held, so the worker, which clears
      // the mark after taking that lock, always sees it.
      call->abandoned = true;
      std::lock_guard stalledLock(shared_->mutex);
      shared_->stalled.insert(key);
      return std::nullopt;
    }
    return std::move(call->result);
  }

  // Keys whose abandoned call is still out.
  std::size_t StalledCount() const {
    std::lock_guard lock(shared_->mutex);
    return shared_->stalled.size();
  }

 private:
  using Job = std::function<bool()>;
  static constexpr std::size_t kMaxIdle = 4;

  class Worker {
   public:
    void Post(Job job) {
      {
        std::lock_guard lock(mutex_);
        job_ = std::move(job);
        posted_ = true;
      }
      ready_.notify_one();
    }
    Job Next() {
      std::unique_lock lock(mutex_);
      ready_.wait(lock, [&] { return posted_; });
      posted_ = false;
      return std::move(job_);
    }

   private:
    std::mutex mutex_;
    std::condition_variable ready_;
    bool posted_ = false;
    Job job_;
  };

  struct Shared {
    mutable std::mutex mutex;
    std::set<std::string> stalled;
    std::vector<std::shared_ptr<Worker>> idle;
    bool closing = false;
  };

  std::shared_ptr<Worker> TakeWorker() const {
    {
      std::lock_guard lock(shared_->mutex);
      if (!shared_->idle.empty()) {
        auto worker = std::move(shared_->idle.back());
        shared_->idle.pop_back();
        return worker;
      }
    }
    auto worker = std::make_shared<Worker>();
    try {
      std::thread([worker, shared = shared_] {
        while (Job job = worker->Next()) {
          if (job()) return;  // abandoned: its caller has moved on without it
          std::lock_guard lock(shared->mutex);
          if (shared->closing || shared->idle.size() >= kMaxIdle) return;
          shared->idle.push_back(worker);
        }
      }).detach();
    } catch (const std::system_error&) {
      return nullptr;
    }
    return worker;
  }

  std::chrono::milliseconds limit_;
  std::shared_ptr<Shared> shared_;
};

}  // namespace kv::linux_os
