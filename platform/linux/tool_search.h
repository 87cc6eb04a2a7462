// The search of PATH for a program: which directories hold it is asked of
// each directory through a 'T' query (a directory of PATH may lie on a
// mount that never answers), all directories at once.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/blocking_queries.h"

namespace kv::linux_os {

// The 'T' query: which of tools (plain names) are executable regular files
// in dir; its answer holds '1' or '0' per tool, in order.
std::string ToolsQuery(std::string_view dir, const std::vector<std::string>& tools);
// Answers a 'T' query whose operation byte has been read.
QueryAnswer AnswerToolsQuery(WireReader& in);

// The first of the tools that is an executable regular file in a directory
// of path (a colon-separated list; relative and empty entries are skipped);
// nullopt when none is. The directories are asked through queries, all at
// once: one that does not answer in time counts as holding none of them.
std::optional<std::string> FindToolOnPath(std::string_view path,
                                          const std::vector<std::string>& tools,
                                          const IBlockingQueries& queries);

}  // namespace kv::linux_os
