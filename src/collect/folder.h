#pragma once
// Making the folder of a day file exist, one level at a time.
#include <string>

#include "util/file_system.h"

namespace vemlo {

// The path up to its last separator or drive colon (found as characters, not
// as trail bytes), without that separator unless it follows a colon or
// another separator ("C:\" stays "C:\"). Empty when there is none.
std::string FolderOf(const std::string& path, const PathRules& rules);

// The text up to and including its last separator or colon; empty if none.
std::string ParentPart(const std::string& path, const PathRules& rules);

// Makes folder exist, parents first. An empty text throws
// "ディレクトリを作成することができません"; a folder that cannot be created is
// not reported here (the save into it will be): the result only tells whether
// the folder is there, and a parent that failed stops its children.
bool MakeFolderExist(std::string folder, FileSystem& fs);

inline bool MakeFolderOfFileExist(const std::string& path, FileSystem& fs) {
  return MakeFolderExist(FolderOf(path, fs.Rules()), fs);
}

}  // namespace vemlo
