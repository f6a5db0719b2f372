#pragma once
// What the menu's commands hand to the system, built from plain texts.
#include <string>

namespace vemlo {

// The Windows directory (with its final backslash), "explorer.exe " and the
// archive folder unchanged and unquoted, as Explorer has always been started.
std::string OpenLogFolderCommandLine(const std::string& windowsDirectory, const std::string& archiveFolder);

// The authorship notice, an empty line, and the version line.
std::string AboutText(const std::string& versionLine);

}  // namespace vemlo
