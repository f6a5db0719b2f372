#include <windows.h>
#include <wininet.h>

#include "collect/address.h"

namespace vemlo {

int CrackAddress(const std::string& address, AddressParts& parts) {
  parts = AddressParts();
  char host[kMaxAddressPart + 1] = "";
  char path[kMaxAddressPart + 1] = "";
  char extra[kMaxAddressPart + 1] = "";
  URL_COMPONENTSA components = {};
  components.dwStructSize = sizeof components;
  components.lpszHostName = host;
  components.dwHostNameLength = sizeof host;
  components.lpszUrlPath = path;
  components.dwUrlPathLength = sizeof path;
  components.lpszExtraInfo = extra;
  components.dwExtraInfoLength = sizeof extra;
  // Without ICU_ESCAPE: Wine ignores it, so the escapes are decoded by
  // RequestTarget on every system alike.
  if (!::InternetCrackUrlA(address.c_str(), 0, 0, &components)) return static_cast<int>(::GetLastError());
  parts.host.assign(host, components.dwHostNameLength);
  parts.port = components.nPort;
  parts.path.assign(path, components.dwUrlPathLength);
  parts.extra.assign(extra, components.dwExtraInfoLength);
  const size_t hash = parts.extra.find('#');
  if (hash != std::string::npos) parts.extra.erase(hash);
  return 0;
}

}  // namespace vemlo
