#include "platform/linux/query_server.h"

#include <sys/stat.h>

#include "platform/linux/block_devices.h"
#include "platform/linux/tool_search.h"

namespace kv::linux_os {
namespace {

QueryAnswer AnswerVolume(WireReader& in, const StatVfsCall& statVfs) {
  MountEntry mount;
  mount.target = in.Text();
  mount.source = in.Text();
  mount.device = static_cast<dev_t>(in.Number());
  const bool block = in.Number() != 0, wantNames = in.Number() != 0;
  const std::string sysfs = in.Text(), dev = in.Text();
  struct statvfs vfs {};
  if (!in.Ok() || !statVfs || statVfs(mount.target, vfs) != 0) return std::nullopt;
  VolumeNames names;
  if (wantNames && block) names = ReadVolumeNames(mount, sysfs, dev);
  return WireWriter()
      .Number(vfs.f_bsize).Number(vfs.f_frsize).Number(vfs.f_blocks).Number(vfs.f_bfree)
      .Number(vfs.f_bavail).Number(vfs.f_namemax).Number(vfs.f_flag)
      .Text(names.label).Text(names.uuid).Done();
}

QueryAnswer AnswerDevice(WireReader& in) {
  const std::string path = in.Text();
  struct stat st {};
  if (!in.Ok() || stat(path.c_str(), &st) != 0 || !S_ISBLK(st.st_mode)) return std::nullopt;
  return WireWriter().Number(st.st_rdev).Done();
}

}  // namespace

StatVfsCall SystemStatVfs() {
  return [](const std::string& path, struct statvfs& out) { return statvfs(path.c_str(), &out); };
}

std::string VolumeRequest(const MountEntry& mount, bool wantNames, const std::string& sysfs,
                          const std::string& dev) {
  return WireWriter('V')
      .Text(mount.target).Text(mount.source).Number(mount.device)
      .Number(KindOf(mount) == MountKind::Block).Number(wantNames)
      .Text(sysfs).Text(dev).Done();
}

std::optional<VolumeFacts> ReadVolumeAnswer(const QueryAnswer& answer) {
  if (!answer) return std::nullopt;
  WireReader in(*answer);
  VolumeFacts facts;
  StatVfsFigures& v = facts.vfs;
  for (uint64_t* field : {&v.bsize, &v.frsize, &v.blocks, &v.bfree, &v.bavail, &v.namemax, &v.flag})
    *field = in.Number();
  facts.label = in.Text();
  facts.uuid = in.Text();
  if (!in.Ok()) return std::nullopt;
  return facts;
}

std::string DeviceRequest(const std::string& path) { return WireWriter('D').Text(path).Done(); }

dev_t ReadDeviceAnswer(const QueryAnswer& answer) {
  if (!answer) return 0;
  WireReader in(*answer);
  return static_cast<dev_t>(in.Number());
}

QueryAnswer AnswerFileSystemQuery(std::string_view request, const StatVfsCall& statVfs) {
  if (request.empty()) return std::nullopt;
  WireReader in(request.substr(1));
  switch (request.front()) {
    case 'V': return AnswerVolume(in, statVfs);
    case 'D': return AnswerDevice(in);
    case 'T': return AnswerToolsQuery(in);
    default: return std::nullopt;
  }
}

}  // namespace kv::linux_os
