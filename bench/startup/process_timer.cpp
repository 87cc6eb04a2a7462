// Times whole processes and nothing else: for each run it forks, execs the
// program with its output sent to /dev/null, and waits for it; the clock runs
// from just before the fork to the end of the wait. Two commands are run in
// turns (the order swapped every round, so that neither always follows the
// other), and their medians and the ratio of the first to the second are
// printed.
//
// Usage: kavreno_process_timer RUNS COMMAND_A... -- COMMAND_B...
// A first run of each warms the caches and is not counted. Ends with status
// 1 when a run fails (its status is printed).
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

// One run of argv; its wall time in milliseconds, or a negative number when
// it did not end with status 0.
double TimeOnce(const std::vector<char*>& argv) {
  const auto start = Clock::now();
  const pid_t pid = fork();
  if (pid == 0) {
    const int null = open("/dev/null", O_WRONLY);
    dup2(null, STDOUT_FILENO);
    dup2(null, STDERR_FILENO);
    execv(argv[0], argv.data());
    _exit(127);
  }
  if (pid < 0) return -1;
  int status = 0;
  while (waitpid(pid, &status, 0) < 0) {
  }
  const auto end = Clock::now();
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    std::fprintf(stderr, "%s ended with status %d\n", argv[0], status);
    return -1;
  }
  return std::chrono::duration<double, std::milli>(end - start).count();
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  const std::size_t n = v.size();
  return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 5) {
    std::fprintf(stderr, "usage: %s RUNS COMMAND_A... -- COMMAND_B...\n", argv[0]);
    return 2;
  }
  const int runs = std::max(1, std::atoi(argv[1]));
  std::vector<char*> a, b;
  int i = 2;
  for (; i < argc && std::string(argv[i]) != "--"; ++i) a.push_back(argv[i]);
  for (++i; i < argc; ++i) b.push_back(argv[i]);
  if (a.empty() || b.empty()) {
    std::fprintf(stderr, "usage: %s RUNS COMMAND_A... -- COMMAND_B...\n", argv[0]);
    return 2;
  }
  a.push_back(nullptr);
  b.push_back(nullptr);
  if (TimeOnce(a) < 0 || TimeOnce(b) < 0) return 1;
  std::vector<double> ta, tb;
  for (int round = 0; round < runs; ++round) {
    const bool aFirst = round % 2 == 0;
    const double first = TimeOnce(aFirst ? a : b);
    const double second = TimeOnce(aFirst ? b : a);
    if (first < 0 || second < 0) return 1;
    (aFirst ? ta : tb).push_back(first);
    (aFirst ? tb : ta).push_back(second);
  }
  const double ma = Median(ta), mb = Median(tb);
  std::printf("%-40s %8.2f ms\n%-40s %8.2f ms\nratio %.2f\n", a[0], ma, b[0], mb, ma / mb);
  return 0;
}
