// A look at something outside the program that may never answer (a display
// server that takes the connection and stays silent, a file on a mount whose
// server is gone), run in a copy of the program so that the wait has an end.
// A thread stuck in the kernel would keep the whole program alive; a child
// process stuck there holds nothing of the program's and is left behind.
#pragma once

#include <chrono>
#include <cstddef>
#include <functional>
#include <string>

namespace kv::qt {

// What a probe answers: its verdict (0: what it looked for is there), a
// number that says more (an errno, a connection error), what it looked at
// (a device's path; up to kProbeTextMax bytes reach the program), and a
// descriptor it hands over to the program (-1: none).
struct ProbeAnswer {
  int verdict = 0;
  int detail = 0;
  std::string text;
  int fd = -1;
};
inline constexpr std::size_t kProbeTextMax = 1024;

struct ProbeOutcome {
  enum class Kind {
    Answered,  // answer holds the probe's answer
    TimedOut,  // no answer within the limit; stage is the last the probe reached
    NoChild,   // no process could be made; error is why
    Died,      // the process ended without an answer
  };
  Kind kind = Kind::Died;
  ProbeAnswer answer;
  int stage = 0;
  int error = 0;
};

// Tells the program how far the probe has come (any number but 0).
using ProbeStage = std::function<void(int stage)>;

// Runs probe in a child process (a copy of this one, with standard input,
// output and error on /dev/null and no other descriptor of the program's)
// and waits for its answer at most limit. A child that has not answered by
// then is killed and not waited for.
ProbeOutcome RunBounded(const std::function<ProbeAnswer(const ProbeStage&)>& probe,
                        std::chrono::milliseconds limit);

}  // namespace kv::qt
