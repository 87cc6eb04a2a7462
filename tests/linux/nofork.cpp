// Runs a program where no new process can start, as at the limit of a
// user's processes: fork, vfork and clone without CLONE_THREAD fail with
// EAGAIN; threads still start (clone3 answers ENOSYS, so the C library
// falls back to clone).
//
//   kv_nofork PROGRAM [ARGUMENT...]
//
// Exits 77 where the filter cannot be set (no seccomp, another architecture).
#include <linux/audit.h>
#include <linux/filter.h>
#include <linux/seccomp.h>
#include <sched.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <cstdio>

#if defined(__x86_64__)
constexpr unsigned kArch = AUDIT_ARCH_X86_64;
#elif defined(__aarch64__)
constexpr unsigned kArch = AUDIT_ARCH_AARCH64;
#else
constexpr unsigned kArch = 0;
#endif

int main(int argc, char** argv) {
  if (argc < 2) return std::fprintf(stderr, "usage: kv_nofork PROGRAM [ARGUMENT...]\n"), 2;
  if (kArch == 0) return std::puts("SKIP: no seccomp filter for this architecture"), 77;
  constexpr unsigned kAllow = SECCOMP_RET_ALLOW;
  constexpr unsigned kAgain = SECCOMP_RET_ERRNO | EAGAIN;
  constexpr unsigned kNoSys = SECCOMP_RET_ERRNO | ENOSYS;
  sock_filter filter[] = {
      BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, arch)),
      BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, kArch, 1, 0),
      BPF_STMT(BPF_RET | BPF_K, kAllow),
      BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, nr)),
      BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, __NR_clone3, 0, 1),
      BPF_STMT(BPF_RET | BPF_K, kNoSys),
#ifdef __NR_fork
      BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, __NR_fork, 0, 1),
      BPF_STMT(BPF_RET | BPF_K, kAgain),
#endif
#ifdef __NR_vfork
      BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, __NR_vfork, 0, 1),
      BPF_STMT(BPF_RET | BPF_K, kAgain),
#endif
      BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, __NR_clone, 1, 0),
      BPF_STMT(BPF_RET | BPF_K, kAllow),
      // clone's flags, the low half of its first argument (little-endian).
      BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, args[0])),
      BPF_JUMP(BPF_JMP | BPF_JSET | BPF_K, CLONE_THREAD, 0, 1),
      BPF_STMT(BPF_RET | BPF_K, kAllow),
      BPF_STMT(BPF_RET | BPF_K, kAgain),
  };
  const sock_fprog program{static_cast<unsigned short>(sizeof filter / sizeof filter[0]), filter};
  if (prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) != 0 ||
      prctl(PR_SET_SECCOMP, SECCOMP_MODE_FILTER, &program) != 0)
    return std::perror("SKIP: seccomp"), 77;
  execv(argv[1], argv + 1);
  std::perror(argv[1]);
  return 127;
}
