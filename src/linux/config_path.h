#pragma once
// Where the collector keeps its settings and, by default, its archive: the
// XDG base folders of the user, as desktop programs do.
#include <string>

#include "util/posix_io.h"  // FolderOfPath

namespace vemlo {

struct UserFolders {
  std::string configHome;  // XDG_CONFIG_HOME, else ~/.config; empty with no home
  std::string dataHome;    // XDG_DATA_HOME, else ~/.local/share; empty with no home
};

// From the environment's values (nullptr when unset) and the home folder of
// the password database. An XDG variable counts only when it holds an
// absolute path, as the XDG rules say; the home is HOME when absolute, else
// passwdHome.
UserFolders ResolveUserFolders(const char* home, const char* xdgConfigHome, const char* xdgDataHome,
                               const std::string& passwdHome);
// The same for this process.
UserFolders UserFoldersOfProcess();

// configHome/vemlo/vemlo.ini; empty when configHome is.
std::string DefaultConfigFile(const UserFolders& folders);
// dataHome/vemlo/ with its final "/" (as the Windows default ends in "\");
// empty when dataHome is.
std::string DefaultArchiveFolder(const UserFolders& folders);

// The lock file of one settings file: beside it, with ".lock" appended to
// the path with its folders' symbolic links resolved (and the file's own, when
// it is one), so two spellings of one file share one lock.
std::string LockFileFor(const std::string& configFile);

// Makes path and every missing folder above it with mode, like mkdir -p.
// Returns 0, or the errno of the folder that could not be made.
int MakeFolders(const std::string& path, unsigned mode);

}  // namespace vemlo
