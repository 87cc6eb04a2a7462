// Queries that may never return: a file-system call on a network or FUSE
// mount whose server is gone sleeps in the kernel until it answers, and no
// signal ends it. Such calls run where the program can give them up (Linux:
// a helper process that is killed and replaced; Windows: threads that are
// abandoned), all of a batch at once, under one time limit for the batch.
//
// A query is a request (an operation and its arguments, written with
// WireWriter) that an answerer turns into an answer, or into the failure
// value nullopt. The same answerer serves in every place a query may run.
#pragma once

#include <chrono>
#include <cstdint>
#include <cstring>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kv {

// How long a batch of file-system queries may take before the queries that
// have not answered count as failed.
inline constexpr std::chrono::milliseconds kBlockingQueryLimit{2000};

struct BlockingQuery {
  std::string key;      // what may stall: a mount point, a directory, a drive
  std::string request;  // the question, as the answerer reads it
};

using QueryAnswer = std::optional<std::string>;
using QueryAnswerer = std::function<QueryAnswer(std::string_view request)>;

class IBlockingQueries {
 public:
  virtual ~IBlockingQueries() = default;
  // Asks every query at once and waits for all of them together at most the
  // limit. answers[i] belongs to queries[i]: the answer, or nullopt when the
  // query failed, did not answer within the limit, or its key stalled before
  // (a key that stalled once is not asked again by this object).
  virtual std::vector<QueryAnswer> AskAll(const std::vector<BlockingQuery>& queries) const = 0;

  QueryAnswer Ask(std::string key, std::string request) const {
    return AskAll({BlockingQuery{std::move(key), std::move(request)}}).front();
  }
};

// Runs each query on the caller's thread with no limit: for answerers that
// cannot block, such as made-up file systems.
class DirectQueries final : public IBlockingQueries {
 public:
  explicit DirectQueries(QueryAnswerer answer) : answer_(std::move(answer)) {}
  std::vector<QueryAnswer> AskAll(const std::vector<BlockingQuery>& queries) const override {
    std::vector<QueryAnswer> answers;
    for (const auto& query : queries) {
      try {
        answers.push_back(answer_(query.request));
      } catch (...) {
        answers.emplace_back();
      }
    }
    return answers;
  }

 private:
  QueryAnswerer answer_;
};

// Requests and answers: numbers as 8 bytes, little end first; texts as their
// length and their bytes.
class WireWriter {
 public:
  explicit WireWriter(char op = 0) {
    if (op) out_ += op;
  }
  WireWriter& Number(uint64_t n) {
    for (int i = 0; i < 8; ++i) out_ += static_cast<char>((n >> (8 * i)) & 0xFF);
    return *this;
  }
  WireWriter& Text(std::string_view s) {
    Number(s.size());
    out_.append(s);
    return *this;
  }
  std::string Done() { return std::move(out_); }

 private:
  std::string out_;
};

// Reads what WireWriter wrote; once a read runs past the end, Ok() is false
// and every further read answers 0 or the empty text.
class WireReader {
 public:
  explicit WireReader(std::string_view in) : in_(in) {}
  uint64_t Number() {
    if (!ok_ || in_.size() < 8) return Fail(), 0;
    uint64_t n = 0;
    for (int i = 7; i >= 0; --i) n = (n << 8) | static_cast<unsigned char>(in_[i]);
    in_.remove_prefix(8);
    return n;
  }
  std::string Text() {
    const uint64_t n = Number();
    if (!ok_ || n > in_.size()) return Fail(), std::string();
    const auto length = static_cast<std::size_t>(n);  // fits: no more than what is left
    std::string s(in_.substr(0, length));
    in_.remove_prefix(length);
    return s;
  }
  bool Ok() const { return ok_; }

 private:
  void Fail() { ok_ = false; }
  std::string_view in_;
  bool ok_ = true;
};

}  // namespace kv
