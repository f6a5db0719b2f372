#pragma once
// FetchLog: the router's log page as response lines.
#include <string>

#include "collect/cycle.h"
#include "collect/http.h"

namespace vemlo {

struct FetchSettings {
  std::string user;      // AtermUserName
  std::string password;  // AtermPassword
  std::string address;   // LOGURI
};

// Normalises and splits the address, makes the request, decodes the body and
// splits it into lines. Throws Error.
ResponseLines FetchLog(const FetchSettings& settings);

// The request FetchLog makes for these settings. Throws Error for an empty
// address or one that cannot be split.
HttpRequest BuildLogRequest(const FetchSettings& settings);

}  // namespace vemlo
