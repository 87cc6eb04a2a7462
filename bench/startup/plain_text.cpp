// The yardstick for `kavreno --text`: a plain C++ program that asks Linux what
// Kavreno's text presentation shows (memory, processors, keyboard layout,
// directories, version, names, and every mounted volume with its label and
// space) and prints it, with none of Kavreno's layers in between.
#include <blkid.h>
#include <pwd.h>
#include <sys/statvfs.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

namespace {

long MeminfoKb(const std::string& text, const std::string& key) {
  const auto at = text.find(key + ":");
  return at == std::string::npos ? 0 : std::strtol(text.c_str() + at + key.size() + 1, nullptr, 10);
}

std::string ReadFile(const char* path) {
  std::ifstream in(path);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

std::string Label(const std::string& device) {
  std::string label;
  blkid_probe probe = blkid_new_probe_from_filename(device.c_str());
  if (!probe) return label;
  blkid_probe_enable_superblocks(probe, 1);
  blkid_probe_set_superblocks_flags(probe, BLKID_SUBLKS_LABEL);
  const char* data = nullptr;
  if (blkid_do_safeprobe(probe) == 0 &&
      blkid_probe_lookup_value(probe, "LABEL", &data, nullptr) == 0)
    label = data;
  blkid_free_probe(probe);
  return label;
}

}  // namespace

int main() {
  const std::string meminfo = ReadFile("/proc/meminfo");
  const long total = MeminfoKb(meminfo, "MemTotal");
  const long available = MeminfoKb(meminfo, "MemAvailable");
  const std::string keyboard = ReadFile("/etc/default/keyboard");
  utsname u{};
  uname(&u);
  char host[256] = {};
  gethostname(host, sizeof host - 1);
  const passwd* pw = getpwuid(geteuid());
  const char* tmp = std::getenv("TMPDIR");

  std::cout << "Kavreno\n"
            << "コンピュータ名：" << host << "\n"
            << "ユーザ名：" << (pw ? pw->pw_name : "") << "\n"
            << "OS：\n"
            << "OSのバージョン：" << u.release << "\n"
            << "プロセッサの数：" << sysconf(_SC_NPROCESSORS_ONLN) << "\n"
            << "プロセッサのタイプ：Intel Pentium\n"
            << "物理メモリの全容量：" << total << " KB\n"
            << "使用中のメモリ：" << (total ? 100 - available * 100 / total : 0) << " %\n"
            << "空きメモリ：" << available << " KB\n"
            << "Windowsディレクトリ：/\n"
            << "Systemディレクトリ：/usr/lib/\n"
            << "Temporaryディレクトリ：" << (tmp ? tmp : "/tmp/") << "\n"
            << "キーボードタイプ："
            << (keyboard.find("XKBLAYOUT=\"jp\"") != std::string::npos ? "Japanese" : "") << "\n"
            << "Functionキーの数：0\n"
            << "ドライブ情報：\n";

  std::ifstream mounts("/proc/self/mountinfo");
  std::string line;
  while (std::getline(mounts, line)) {
    // id parent major:minor root target options ... - fstype source superoptions
    std::istringstream fields(line);
    std::string id, parent, device, root, target, word;
    fields >> id >> parent >> device >> root >> target;
    while (fields >> word && word != "-") {
    }
    std::string type, source;
    fields >> type >> source;
    const bool block = source.rfind("/dev/", 0) == 0;
    const bool wanted = block || type == "tmpfs" || type.rfind("nfs", 0) == 0 || type == "cifs";
    if (!wanted || target.rfind("/proc", 0) == 0 || target.rfind("/sys", 0) == 0 ||
        target.rfind("/dev", 0) == 0 || target.rfind("/run", 0) == 0)
      continue;
    struct statvfs v {};
    const bool ok = statvfs(target.c_str(), &v) == 0;
    std::cout << "Disk " << target << "\n"
              << "  Volume Name: " << (block ? Label(source) : "") << "\n"
              << "  File System: " << type << "\n"
              << "  Drive Type:  " << (block ? "Fixed" : "RAMdisk") << "\n"
              << "  Total Space: " << (ok ? double(v.f_blocks) * v.f_frsize / 1048576 : 0) << "MB\n"
              << "  Free Space:  " << (ok ? double(v.f_bfree) * v.f_frsize / 1048576 : 0) << "MB\n";
  }
  return 0;
}
