#include "collect/folder.h"

#include "util/error.h"
#include "util/texts.h"

namespace vemlo {

std::string FolderOf(const std::string& path, const PathRules& rules) {
  const size_t last = rules.dbcs.LastOf(path, rules.Delimiters());
  if (last == std::string::npos) return "";
  if (path[last] != rules.separator) return path.substr(0, last + 1);
  // A separator at the start, or right after a colon or another separator,
  // is part of a root.
  if (last == 0) return path.substr(0, 1);
  const size_t before = rules.dbcs.LastOf(path.substr(0, last), rules.Delimiters());
  if (before != std::string::npos && before == last - 1) return path.substr(0, last + 1);
  return path.substr(0, last);
}

std::string ParentPart(const std::string& path, const PathRules& rules) {
  const size_t last = rules.dbcs.LastOf(path, rules.Delimiters());
  return last == std::string::npos ? std::string() : path.substr(0, last + 1);
}

bool MakeFolderExist(std::string folder, FileSystem& fs) {
  if (folder.empty()) Fail(texts::kCannotMakeFolder);
  const PathRules rules = fs.Rules();
  if (rules.dbcs.EndsWith(folder, rules.separator)) folder.pop_back();
  if (folder.size() < rules.shortestFolder || fs.IsFolder(folder) || ParentPart(folder, rules) == folder) return true;
  return MakeFolderExist(ParentPart(folder, rules), fs) && fs.MakeFolder(folder);
}

}  // namespace vemlo
