#include "platform/qt/bounded_probe.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace kv::qt {

namespace {

// One message from the child: a stage it reached, or its answer (with the
// descriptor it hands over, if any, as SCM_RIGHTS).
struct Message {
  int kind;  // kStage or kAnswer
  int first;
  int second;
  char text[kProbeTextMax];
};
constexpr int kStage = 1;
constexpr int kAnswer = 2;
constexpr int kChannel = 3;  // the child's end of the socket pair

void Send(int fd, const Message& message, int handed) {
  iovec data{const_cast<Message*>(&message), sizeof message};
  msghdr header{};
  header.msg_iov = &data;
  header.msg_iovlen = 1;
  alignas(cmsghdr) char control[CMSG_SPACE(sizeof(int))] = {};
  if (handed >= 0) {
    header.msg_control = control;
    header.msg_controllen = sizeof control;
    cmsghdr* rights = CMSG_FIRSTHDR(&header);
    rights->cmsg_level = SOL_SOCKET;
    rights->cmsg_type = SCM_RIGHTS;
    rights->cmsg_len = CMSG_LEN(sizeof(int));
    std::memcpy(CMSG_DATA(rights), &handed, sizeof(int));
  }
  while (sendmsg(fd, &header, MSG_NOSIGNAL) < 0 && errno == EINTR) {
  }
}

// Leaves the child the socket to the program and nothing else of it: a
// child stuck in the kernel must not keep the program's output open.
void KeepOnlyChannel(int channel) {
  if (channel != kChannel) {
    dup2(channel, kChannel);
    close(channel);
  }
  const int null = open("/dev/null", O_RDWR | O_CLOEXEC);
  for (int fd = 0; fd < 3; ++fd) {
    if (null >= 0)
      dup2(null, fd);
    else
      close(fd);
  }
  if (close_range(kChannel + 1, ~0U, 0) != 0) {
    const long most = sysconf(_SC_OPEN_MAX);
    for (int fd = kChannel + 1; fd < (most > 0 && most < 65536 ? most : 65536); ++fd) close(fd);
  }
}

// Reads one message; false at the end of the stream or on an error.
bool Receive(int fd, Message& message, int& handed) {
  iovec data{&message, sizeof message};
  msghdr header{};
  header.msg_iov = &data;
  header.msg_iovlen = 1;
  alignas(cmsghdr) char control[CMSG_SPACE(sizeof(int))] = {};
  header.msg_control = control;
  header.msg_controllen = sizeof control;
  ssize_t n;
  while ((n = recvmsg(fd, &header, MSG_CMSG_CLOEXEC)) < 0 && errno == EINTR) {
  }
  if (n != static_cast<ssize_t>(sizeof message)) return false;
  for (cmsghdr* c = CMSG_FIRSTHDR(&header); c; c = CMSG_NXTHDR(&header, c)) {
    if (c->cmsg_level == SOL_SOCKET && c->cmsg_type == SCM_RIGHTS)
      std::memcpy(&handed, CMSG_DATA(c), sizeof(int));
  }
  return true;
}

}  // namespace

ProbeOutcome RunBounded(const std::function<ProbeAnswer(const ProbeStage&)>& probe,
                        std::chrono::milliseconds limit) {
  ProbeOutcome outcome;
  int pair[2];
  if (socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, pair) != 0) {
    outcome.kind = ProbeOutcome::Kind::NoChild;
    outcome.error = errno;
    return outcome;
  }
  const pid_t pid = fork();
  if (pid < 0) {
    outcome.kind = ProbeOutcome::Kind::NoChild;
    outcome.error = errno;
    close(pair[0]);
    close(pair[1]);
    return outcome;
  }
  if (pid == 0) {
    close(pair[0]);
    KeepOnlyChannel(pair[1]);
    const ProbeAnswer answer = probe([](int stage) { Send(kChannel, {kStage, stage, 0, {}}, -1); });
    Message message{kAnswer, answer.verdict, answer.detail, {}};
    answer.text.copy(message.text, sizeof message.text - 1);
    Send(kChannel, message, answer.fd);
    _exit(0);  // nothing of the program's runs in the copy
  }
  close(pair[1]);
  const auto deadline = std::chrono::steady_clock::now() + limit;
  for (;;) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    pollfd ready{pair[0], POLLIN, 0};
    const int polled = left.count() > 0 ? poll(&ready, 1, static_cast<int>(left.count())) : 0;
    if (polled < 0 && errno == EINTR) continue;
    if (polled <= 0) {
      outcome.kind = ProbeOutcome::Kind::TimedOut;
      kill(pid, SIGKILL);
      waitpid(pid, nullptr, WNOHANG);  // a child stuck in the kernel is left behind
      break;
    }
    Message message{};
    int handed = -1;
    if (!Receive(pair[0], message, handed)) {
      outcome.kind = ProbeOutcome::Kind::Died;
      kill(pid, SIGKILL);
      while (waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
      }
      break;
    }
    if (message.kind == kStage) {
      outcome.stage = message.first;
      if (handed >= 0) close(handed);
      continue;
    }
    outcome.kind = ProbeOutcome::Kind::Answered;
    message.text[sizeof message.text - 1] = '\0';
    outcome.answer = {message.first, message.second, message.text, handed};
    // The child ends right after its answer.
    while (waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
    }
    break;
  }
  close(pair[0]);
  return outcome;
}

}  // namespace kv::qt
