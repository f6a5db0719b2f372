#include "linux/config_path.h"
#include "util/posix_io.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <memory>

namespace vemlo {
namespace {

bool IsAbsolute(const char* path) { return path && path[0] == '/'; }

// folder + "/" + name, without a doubled "/" after a folder such as "/".
std::string Join(std::string folder, const std::string& name) {
  while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  if (folder.empty()) return std::string();
  return (folder == "/" ? folder : folder + "/") + name;
}

std::string RealPath(const std::string& path) {
  std::unique_ptr<char, decltype(&std::free)> resolved(::realpath(path.c_str(), nullptr), &std::free);
  return resolved ? std::string(resolved.get()) : std::string();
}

std::string FileName(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

UserFolders ResolveUserFolders(const char* home, const char* xdgConfigHome, const char* xdgDataHome,
                               const std::string& passwdHome) {
  const std::string homeFolder = IsAbsolute(home) ? std::string(home) : passwdHome;
  UserFolders folders;
  folders.configHome = IsAbsolute(xdgConfigHome) ? std::string(xdgConfigHome) : Join(homeFolder, ".config");
  folders.dataHome = IsAbsolute(xdgDataHome) ? std::string(xdgDataHome) : Join(homeFolder, ".local/share");
  return folders;
}

UserFolders UserFoldersOfProcess() {
  const passwd* entry = ::getpwuid(::geteuid());
  const std::string passwdHome = entry && IsAbsolute(entry->pw_dir) ? entry->pw_dir : "";
  return ResolveUserFolders(std::getenv("HOME"), std::getenv("XDG_CONFIG_HOME"), std::getenv("XDG_DATA_HOME"),
                            passwdHome);
}

std::string DefaultConfigFile(const UserFolders& folders) { return Join(folders.configHome, "vemlo/vemlo.ini"); }

std::string DefaultArchiveFolder(const UserFolders& folders) {
  const std::string folder = Join(folders.dataHome, "vemlo");
  return folder.empty() ? folder : folder + "/";
}


std::string LockFileFor(const std::string& configFile) {
  std::string resolved = RealPath(configFile);
  if (resolved.empty()) {
    // Not there yet (or a dangling link): its folder decides.
    const std::string folder = RealPath(FolderOfPath(configFile));
    resolved = folder.empty() ? configFile : Join(folder, FileName(configFile));
  }
  return resolved + ".lock";
}

int MakeFolders(const std::string& path, unsigned mode) {
  struct stat st;
  if (path.empty()) return ENOENT;
  if (::stat(path.c_str(), &st) == 0) return S_ISDIR(st.st_mode) ? 0 : ENOTDIR;
  const std::string parent = FolderOfPath(path);
  if (parent != path && parent != ".") {
    if (const int error = MakeFolders(parent, mode)) return error;
  }
  if (::mkdir(path.c_str(), static_cast<mode_t>(mode)) != 0 && errno != EEXIST) return errno;
  return 0;
}

}  // namespace vemlo
