#include "platform/linux/tool_search.h"

#include <sys/stat.h>
#include <unistd.h>

namespace kv::linux_os {

std::string ToolsQuery(std::string_view dir, const std::vector<std::string>& tools) {
  WireWriter out('T');
  out.Text(dir).Number(tools.size());
  for (const auto& tool : tools) out.Text(tool);
  return out.Done();
}

QueryAnswer AnswerToolsQuery(WireReader& in) {
  const std::string dir = in.Text();
  std::string found;
  for (uint64_t n = in.Number(); in.Ok() && n > 0; --n) {
    const std::string path = (dir == "/" ? dir : dir + "/") + in.Text();
    struct stat st {};
    found += stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && access(path.c_str(), X_OK) == 0
                 ? '1'
                 : '0';
  }
  if (!in.Ok()) return std::nullopt;
  return found;
}

std::optional<std::string> FindToolOnPath(std::string_view path,
                                          const std::vector<std::string>& tools,
                                          const IBlockingQueries& queries) {
  std::vector<std::string> dirs;
  for (std::size_t start = 0; start <= path.size();) {
    auto colon = path.find(':', start);
    if (colon == std::string_view::npos) colon = path.size();
    std::string_view dir = path.substr(start, colon - start);
    while (dir.size() > 1 && dir.back() == '/') dir.remove_suffix(1);
    if (!dir.empty() && dir.front() == '/' && dir.find('\0') == std::string_view::npos)
      dirs.emplace_back(dir);
    start = colon + 1;
  }
  std::vector<std::string> names;  // plain names only
  for (const auto& tool : tools)
    if (!tool.empty() && tool.find('/') == std::string::npos) names.push_back(tool);
  std::vector<BlockingQuery> asked;
  for (const auto& dir : dirs) asked.push_back({dir, ToolsQuery(dir, names)});
  const auto found = queries.AskAll(asked);
  for (std::size_t t = 0; t < names.size(); ++t)
    for (std::size_t d = 0; d < dirs.size(); ++d)
      if (found[d] && found[d]->size() == names.size() && (*found[d])[t] == '1')
        return (dirs[d] == "/" ? dirs[d] : dirs[d] + "/") + names[t];
  return std::nullopt;
}

}  // namespace kv::linux_os
