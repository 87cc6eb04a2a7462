// The file-system queries that may block, as requests and answers: what the
// Linux layer asks (a volume's figures and names 'V', the device node a
// mount's source names 'D', the executable files of a directory 'T', see
// tool_search.h) and the answerer that the helper process runs for them.
#pragma once

#include <sys/statvfs.h>
#include <sys/types.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "platform/blocking_queries.h"
#include "platform/linux/mounts.h"

namespace kv::linux_os {

// statvfs, the call that asks a mounted file system for its figures.
using StatVfsCall = std::function<int(const std::string& path, struct statvfs& out)>;
StatVfsCall SystemStatVfs();

// What a 'V' query answers: the statvfs figures, and the label and UUID of a
// block-backed volume when they were asked for.
struct StatVfsFigures {
  uint64_t bsize, frsize, blocks, bfree, bavail, namemax, flag;
};
struct VolumeFacts {
  StatVfsFigures vfs{};
  std::string label;
  std::string uuid;
};

// The 'V' query of a mount; sysfs and dev are where block devices are looked up.
std::string VolumeRequest(const MountEntry& mount, bool wantNames, const std::string& sysfs,
                          const std::string& dev);
// The facts of a 'V' answer; nullopt when the query failed or the answer is cut short.
std::optional<VolumeFacts> ReadVolumeAnswer(const QueryAnswer& answer);

// The 'D' query: the block device that a path names.
std::string DeviceRequest(const std::string& path);
// The device of a 'D' answer; 0 when the query failed.
dev_t ReadDeviceAnswer(const QueryAnswer& answer);

// Answers any of the queries above; runs in the helper process.
QueryAnswer AnswerFileSystemQuery(std::string_view request, const StatVfsCall& statVfs);

}  // namespace kv::linux_os
