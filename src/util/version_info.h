#pragma once
// One entry of a file's version resource as a line for the About box.
#include <string>

namespace vemlo {

// "Label : value" for one string-table entry of the file's version resource,
// looked up in the table that the first translation entry names. Key index
// 0..7 picks CompanyName, FileDescription, FileVersion, InternalName,
// LegalCopyright, OriginalFilename, ProductName or ProductVersion; any other
// index picks FileVersion. Gives "Label : None" when that table lacks the
// entry, and "unidentified" when the file has no version resource or no
// translation entry (a missing or unreadable file included). Raises nothing of
// its own; only an exhausted-memory error passes through.
std::string GetVersionInfoText(const std::string& path, int keyIndex);

}  // namespace vemlo
