#include "platform/linux/helper_process.h"

#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <spawn.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <system_error>
#include <thread>
#include <unordered_map>

extern char** environ;

namespace kv::linux_os {
namespace {

// Set in the helper's environment: a helper never starts a helper of its own,
// even when a program that does not know kQueryHelperArgument was started
// as one.
constexpr const char* kHelperMark = "KAVRENO_QUERY_HELPER";

// Frames are read a chunk at a time into the heap: the program runs with
// small stacks too.
constexpr std::size_t kReadChunk = 65536;

// Reads what fd has (a chunk at most) onto the end of in; read's result,
// with its errno.
ssize_t ReadAppend(int fd, std::string& in) {
  const std::size_t had = in.size();
  in.resize(had + kReadChunk);
  const ssize_t n = read(fd, in.data() + had, kReadChunk);
  const int error = errno;
  in.resize(had + static_cast<std::size_t>(std::max<ssize_t>(n, 0)));
  errno = error;
  return n;
}

void PutLength(std::string& out, uint32_t n) {
  for (int i = 0; i < 4; ++i) out += static_cast<char>((n >> (8 * i)) & 0xFF);
}

uint32_t GetLength(std::string_view in) {
  uint32_t n = 0;
  for (int i = 3; i >= 0; --i) n = (n << 8) | static_cast<unsigned char>(in[i]);
  return n;
}

// Takes the first whole frame off in: its number and its body.
bool NextFrame(std::string& in, std::size_t& at, uint32_t& number, std::string_view& body) {
  if (in.size() - at < 8) return false;
  const uint32_t length = GetLength(std::string_view(in).substr(at));
  if (length < 4 || in.size() - at - 4 < length) return false;
  number = GetLength(std::string_view(in).substr(at + 4));
  body = std::string_view(in).substr(at + 8, length - 4);
  at += 4 + length;
  return true;
}

// Waits for a child that was killed or told to end, without holding up the
// caller: a process stuck in the kernel ends only when the kernel lets it.
void Reap(pid_t pid) {
  try {
    std::thread([pid] {
      while (waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
      }
    }).detach();
  } catch (const std::system_error&) {
    // No thread: the child is reaped when this program ends.
  }
}

// True when this process runs one thread only, so that a copy of it made by
// fork holds no lock that another thread had taken.
bool SingleThreaded() {
  DIR* tasks = opendir("/proc/self/task");
  if (tasks == nullptr) return false;
  int count = 0;
  while (const dirent* entry = readdir(tasks))
    if (entry->d_name[0] != '.') ++count;
  closedir(tasks);
  return count == 1;
}

// The copy's side of a forked helper: the socket as standard input and
// output, /dev/null as standard error, nothing else of the program's.
[[noreturn]] void ServeInCopy(int end, const QueryAnswerer& answer) {
  dup2(end, STDIN_FILENO);
  dup2(end, STDOUT_FILENO);
  const int null = open("/dev/null", O_WRONLY);
  if (null >= 0 && null != STDERR_FILENO) dup2(null, STDERR_FILENO);
  close_range(3, ~0U, 0);
  setenv(kHelperMark, "1", 1);
  ServeQueries(STDIN_FILENO, answer);
  _exit(0);
}

bool WriteAll(int fd, std::string_view data) {
  while (!data.empty()) {
    const ssize_t n = send(fd, data.data(), data.size(), MSG_NOSIGNAL);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    data.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

}  // namespace

std::vector<std::string> QueryHelperCommand() {
  return {"/proc/self/exe", std::string(kQueryHelperArgument)};
}

std::chrono::milliseconds QueryLimit() {
  if (const char* text = std::getenv("KAVRENO_QUERY_LIMIT_MS")) {
    char* end = nullptr;
    const long ms = std::strtol(text, &end, 10);
    if (end != text && *end == '\0' && ms >= 1 && ms <= 600000) return std::chrono::milliseconds(ms);
  }
  return kBlockingQueryLimit;
}

HelperProcessQueries::HelperProcessQueries(std::vector<std::string> command,
                                           std::chrono::milliseconds limit, QueryAnswerer answer,
                                           UnavailableReport report)
    : command_(std::move(command)),
      limit_(limit),
      answer_(std::move(answer)),
      report_(std::move(report)) {}

HelperProcessQueries::~HelperProcessQueries() { Stop(false); }

void HelperProcessQueries::StartEarly() const {
  std::lock_guard lock(mutex_);
  if (fd_ < 0) Start();
}

int HelperProcessQueries::Started() const {
  std::lock_guard lock(mutex_);
  return started_;
}

pid_t HelperProcessQueries::Helper() const {
  std::lock_guard lock(mutex_);
  return pid_;
}

bool HelperProcessQueries::Start() const {
  if (std::getenv(kHelperMark) != nullptr || command_.empty()) {
    startError_ = "a helper starts no helper of its own";
    return false;
  }
  int ends[2];
  if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0) {
    startError_ = std::strerror(errno);
    return false;
  }
  // The helper's end becomes its standard input and output; it must not be
  // one of them already, or the copy would keep its close-on-exec mark.
  int error = 0;
  if (ends[1] <= 2) {
    const int moved = fcntl(ends[1], F_DUPFD_CLOEXEC, 3);
    error = errno;
    close(ends[1]);
    ends[1] = moved;
  }
  if (answer_ && ends[1] >= 0 && SingleThreaded()) {
    const pid_t pid = fork();
    if (pid == 0) ServeInCopy(ends[1], answer_);
    if (pid > 0) {
      close(ends[1]);
      fcntl(ends[0], F_SETFL, fcntl(ends[0], F_GETFL) | O_NONBLOCK);
      fd_ = ends[0];
      pid_ = pid;
      ++started_;
      return true;
    }
  }
  std::vector<std::string> env;
  for (char** e = environ; e && *e; ++e) env.emplace_back(*e);
  env.push_back(std::string(kHelperMark) + "=1");
  std::vector<char*> envp, argv;
  for (auto& e : env) envp.push_back(e.data());
  envp.push_back(nullptr);
  std::vector<std::string> args = command_;
  for (auto& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawnattr_t attr;
  posix_spawn_file_actions_init(&actions);
  posix_spawnattr_init(&attr);
  // Nothing of the program's but the socket: standard error goes nowhere,
  // so that a reader of the program's output sees its end when it ends.
  posix_spawn_file_actions_adddup2(&actions, ends[1], STDIN_FILENO);
  posix_spawn_file_actions_adddup2(&actions, ends[1], STDOUT_FILENO);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addclosefrom_np(&actions, 3);
  sigset_t none, all;
  sigemptyset(&none);
  sigfillset(&all);
  posix_spawnattr_setsigmask(&attr, &none);
  posix_spawnattr_setsigdefault(&attr, &all);
  posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
  pid_t pid = -1;
  const int rc =
      ends[1] < 0 ? error : posix_spawn(&pid, argv[0], &actions, &attr, argv.data(), envp.data());
  posix_spawnattr_destroy(&attr);
  posix_spawn_file_actions_destroy(&actions);
  if (ends[1] >= 0) close(ends[1]);
  if (rc != 0) {
    close(ends[0]);
    startError_ = std::strerror(rc);
    return false;
  }
  fcntl(ends[0], F_SETFL, fcntl(ends[0], F_GETFL) | O_NONBLOCK);
  fd_ = ends[0];
  pid_ = pid;
  ++started_;
  return true;
}

void HelperProcessQueries::Unavailable(const std::string& why) const {
  if (unavailable_) return;
  unavailable_ = true;
  if (report_) report_(why);
}

void HelperProcessQueries::Stop(bool kill) const {
  if (pid_ > 0) {
    if (kill) ::kill(pid_, SIGKILL);  // a helper that answers ends when it reads the socket's end
    Reap(pid_);
  }
  if (fd_ >= 0) close(fd_);
  fd_ = -1;
  pid_ = -1;
}

std::vector<QueryAnswer> HelperProcessQueries::AskAll(
    const std::vector<BlockingQuery>& queries) const {
  std::vector<QueryAnswer> answers(queries.size());
  std::lock_guard lock(mutex_);
  std::unordered_map<uint32_t, std::size_t> pending;  // query number -> index
  std::vector<uint32_t> numbers;                      // in the order of the queries
  for (std::size_t i = 0; i < queries.size(); ++i) {
    if (stalled_.contains(queries[i].key)) continue;
    numbers.push_back(nextNumber_++);
    pending.emplace(numbers.back(), i);
  }
  if (pending.empty() || unavailable_) return answers;
  if (fd_ < 0 && !Start()) {
    Unavailable(startError_);
    return answers;
  }
  // The frames of the queries still pending, in order: all of them at first,
  // those a lost helper had not answered when a new one takes over.
  auto frames = [&] {
    std::string out;
    for (const uint32_t number : numbers) {
      const auto it = pending.find(number);
      if (it == pending.end()) continue;
      const std::string& request = queries[it->second].request;
      PutLength(out, static_cast<uint32_t>(4 + request.size()));
      PutLength(out, number);
      out += request;
    }
    return out;
  };

  using Clock = std::chrono::steady_clock;
  const auto deadline = Clock::now() + limit_;
  std::string out = frames(), in;
  std::size_t written = 0;
  bool lost = false;  // the helper has gone
  while (!pending.empty()) {
    if (lost) {
      // A helper that ended by itself (killed, or dead at its start) is
      // started again once; after that the queries go unanswered.
      Stop(false);
      if (restarted_) {
        Unavailable("補助プロセスが終了しました");
        break;
      }
      restarted_ = true;
      if (!Start()) {
        Unavailable(startError_);
        break;
      }
      out = frames();
      in.clear();
      written = 0;
      lost = false;
    }
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
    if (left.count() <= 0) break;
    pollfd p{fd_, static_cast<short>(POLLIN | (written < out.size() ? POLLOUT : 0)), 0};
    const int ready = poll(&p, 1, static_cast<int>(std::min<long long>(left.count(), 1 << 30)));
    if (ready < 0 && errno != EINTR) break;
    if (ready <= 0) continue;
    if ((p.revents & POLLOUT) != 0) {
      const ssize_t n = send(fd_, out.data() + written, out.size() - written, MSG_NOSIGNAL);
      if (n > 0) written += static_cast<std::size_t>(n);
      else if (n < 0 && errno != EAGAIN && errno != EINTR) lost = true;
    }
    if ((p.revents & (POLLIN | POLLHUP | POLLERR)) != 0) {
      const ssize_t n = ReadAppend(fd_, in);
      if (n == 0 || (n < 0 && errno != EAGAIN && errno != EINTR)) lost = true;
      std::size_t at = 0;
      uint32_t number = 0;
      std::string_view body;
      while (NextFrame(in, at, number, body)) {
        const auto it = pending.find(number);
        if (it == pending.end()) continue;
        if (!body.empty() && body.front() == 1) answers[it->second].emplace(body.substr(1));
        pending.erase(it);
      }
      in.erase(0, at);
    }
  }
  if (!pending.empty() && fd_ >= 0) {
    // Those still out when the time ran out are not asked again; the helper
    // holding them is given up.
    if (!lost)
      for (const auto& [number, index] : pending) stalled_.insert(queries[index].key);
    Stop(true);
  }
  return answers;
}

int ServeQueries(int fd, const QueryAnswerer& answer) {
  // The helper ends with the program, also when the program is killed.
  prctl(PR_SET_PDEATHSIG, SIGKILL);
  struct Shared {
    int fd;
    QueryAnswerer answer;
    std::mutex writing;
  };
  // Kept for threads that may still run when the caller ends the process.
  auto* shared = new Shared{fd, answer, {}};
  struct Job {
    Shared* shared;
    uint32_t number;
    std::string request;
  };
  auto run = [](void* p) -> void* {
    const std::unique_ptr<Job> job(static_cast<Job*>(p));
    QueryAnswer a;
    try {
      a = job->shared->answer(job->request);
    } catch (...) {
      a.reset();
    }
    std::string frame;
    PutLength(frame, static_cast<uint32_t>(5 + (a ? a->size() : 0)));
    PutLength(frame, job->number);
    frame += a ? '\1' : '\0';
    if (a) frame += *a;
    std::lock_guard lock(job->shared->writing);
    WriteAll(job->shared->fd, frame);
    return nullptr;
  };
  pthread_attr_t attr;
  pthread_attr_init(&attr);
  pthread_attr_setdetachstate(&attr, PTHREAD_CREATE_DETACHED);
  pthread_attr_setstacksize(&attr, 256 * 1024);  // kept as long as a query hangs
  std::string in;
  for (;;) {
    const ssize_t n = ReadAppend(fd, in);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    std::size_t at = 0;
    uint32_t number = 0;
    std::string_view body;
    while (NextFrame(in, at, number, body)) {
      auto* job = new Job{shared, number, std::string(body)};
      pthread_t thread;
      if (pthread_create(&thread, &attr, run, job) != 0) run(job);
    }
    in.erase(0, at);
  }
  pthread_attr_destroy(&attr);
  return 0;
}

}  // namespace kv::linux_os
