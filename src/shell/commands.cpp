#include "shell/commands.h"

#include "util/texts.h"

namespace vemlo {

std::string OpenLogFolderCommandLine(const std::string& windowsDirectory, const std::string& archiveFolder) {
  return windowsDirectory + texts::kExplorer + archiveFolder;
}

std::string AboutText(const std::string& versionLine) {
  return std::string(texts::kAuthorshipNotice) + "\r\n\r\n" + versionLine;
}

}  // namespace vemlo
