// The Linux place for queries that may never return: a helper process. A
// thread stuck in the kernel on a dead mount keeps its whole process alive,
// with every descriptor it holds (standard output too), so the queries run
// in a process of their own that holds nothing of the program's but its end
// of a socket. When a batch has not answered within the limit, the helper is
// killed: a process stuck in the kernel then lingers on its own, holding
// nothing of ours, and the next batch starts a new helper.
//
// The helper serves until the socket closes, which happens at the latest
// when the program ends. It is made in one of two ways:
// - a copy of the program (fork without exec) when the program has one thread
//   only, as at start-up before any window: a copy costs a fraction of a
//   millisecond, a new program tens of times more;
// - otherwise the program itself started again with kQueryHelperArgument (a
//   fresh exec, so no lock that another thread held is copied half-way).
#pragma once

#include <sys/types.h>

#include <chrono>
#include <functional>
#include <mutex>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "platform/blocking_queries.h"

namespace kv::linux_os {

// The argument that makes the program serve queries on its standard input.
inline constexpr std::string_view kQueryHelperArgument = "--kavreno-query-helper";

// The program itself with kQueryHelperArgument.
std::vector<std::string> QueryHelperCommand();

// The limit of a batch: KAVRENO_QUERY_LIMIT_MS from the environment (1 to
// 600000 milliseconds), else kBlockingQueryLimit.
std::chrono::milliseconds QueryLimit();

// Frames on the socket: a 32-bit length (of what follows), a 32-bit query
// number, then a request; an answer frame holds the query's number, a byte
// 1 (answered) or 0 (failed), and the answer.
//
// A helper that ends by itself while queries are out (killed, or dead at its
// start) is started again once; when none can be had (no descriptors left,
// no process may start, or it ended again), that and every later query
// fails at once, and report is told why.
class HelperProcessQueries final : public IBlockingQueries {
 public:
  using UnavailableReport = std::function<void(const std::string& why)>;

  // command: the helper's program and arguments. answer: what a copy of this
  // program answers with; when empty, the helper is always started from
  // command. The helper starts at the first query, or with StartEarly.
  explicit HelperProcessQueries(std::vector<std::string> command = QueryHelperCommand(),
                                std::chrono::milliseconds limit = QueryLimit(),
                                QueryAnswerer answer = {}, UnavailableReport report = {});
  ~HelperProcessQueries() override;
  HelperProcessQueries(const HelperProcessQueries&) = delete;
  HelperProcessQueries& operator=(const HelperProcessQueries&) = delete;

  std::vector<QueryAnswer> AskAll(const std::vector<BlockingQuery>& queries) const override;
  // Starts the helper now (a copy of the program while it has one thread),
  // so that it is ready when the first query comes.
  void StartEarly() const;

  // Helpers started so far.
  int Started() const;
  // The running helper's process id, -1 when none runs.
  pid_t Helper() const;

 private:
  bool Start() const;  // on failure, startError_ says why
  void Stop(bool kill) const;
  void Unavailable(const std::string& why) const;

  std::vector<std::string> command_;
  std::chrono::milliseconds limit_;
  QueryAnswerer answer_;
  UnavailableReport report_;
  mutable std::string startError_;
  mutable bool restarted_ = false;
  mutable bool unavailable_ = false;  // none can be had: every query fails at once
  mutable std::mutex mutex_;
  mutable int fd_ = -1;
  mutable pid_t pid_ = -1;
  mutable int started_ = 0;
  mutable uint32_t nextNumber_ = 0;
  mutable std::set<std::string> stalled_;
};

// The helper's side: reads requests from fd and answers each on a thread of
// its own, so that one that hangs holds up no other. Returns when fd reaches
// its end; the caller then ends the process with _exit, without waiting for
// threads that are stuck.
int ServeQueries(int fd, const QueryAnswerer& answer);

}  // namespace kv::linux_os
