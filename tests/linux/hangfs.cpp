// A file system that never answers, like a network file system whose server
// has gone: it takes the kernel's greeting and then reads every request
// without answering it, so a call on it sleeps in the kernel until this
// program ends. Only the access check is answered, "not implemented", so
// that a process can take such a directory as its current one, as it could
// before a server went away.
//
//   kv_hangfs TYPE SOURCE MOUNTPOINT [TYPE SOURCE MOUNTPOINT...]
//
// Mounts one such file system at each mount point (TYPE such as fuse.sshfs;
// SOURCE is free text), prints "ready" and closes its standard output, and
// serves until it is killed. Needs /dev/fuse and the right to mount (root,
// or root of a user and mount namespace).
#include <fcntl.h>
#include <linux/fuse.h>
#include <poll.h>
#include <sys/mount.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

int main(int argc, char** argv) {
  if (argc < 4 || (argc - 1) % 3 != 0)
    return std::fprintf(stderr, "usage: kv_hangfs TYPE SOURCE MOUNTPOINT...\n"), 2;
  std::vector<pollfd> devices;
  for (int i = 1; i < argc; i += 3) {
    const int fd = open("/dev/fuse", O_RDWR | O_CLOEXEC);
    const std::string options = "fd=" + std::to_string(fd) + ",rootmode=40000,user_id=" +
                                std::to_string(getuid()) + ",group_id=" + std::to_string(getgid());
    if (fd < 0 || mount(argv[i + 1], argv[i + 2], argv[i], MS_NOSUID | MS_NODEV, options.c_str()))
      return std::perror(argv[i + 2]), 1;
    devices.push_back({fd, POLLIN, 0});
  }
  std::printf("ready\n");
  std::fclose(stdout);
  std::vector<char> buffer(1 << 20);
  for (;;) {
    if (poll(devices.data(), devices.size(), -1) < 0) continue;
    for (const pollfd& device : devices) {
      fuse_in_header in;
      if (!(device.revents & POLLIN) ||
          read(device.fd, buffer.data(), buffer.size()) < static_cast<ssize_t>(sizeof in))
        continue;
      std::memcpy(&in, buffer.data(), sizeof in);
      if (in.opcode == FUSE_ACCESS) {
        // The kernel asks no more access checks once told this.
        const fuse_out_header header{sizeof header, -ENOSYS, in.unique};
        if (write(device.fd, &header, sizeof header) < 0) std::perror("access");
        continue;
      }
      if (in.opcode != FUSE_INIT) continue;  // never answered
      struct {
        fuse_out_header header;
        fuse_init_out init;
      } reply{};
      reply.header = {sizeof reply, 0, in.unique};
      reply.init.major = FUSE_KERNEL_VERSION;
      reply.init.minor = FUSE_KERNEL_MINOR_VERSION;
      reply.init.max_write = 4096;
      if (write(device.fd, &reply, sizeof reply) < 0) std::perror("init");
    }
  }
}
