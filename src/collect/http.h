#pragma once
// One GET to the router, the way the router expects it: version HTTP/1.0,
// user agent "tiehttp", no cache, the user name and password answering
// whatever authentication the router asks for, TLS exactly when the port is
// 443 (accepting a certificate for another host name, an expired one, and -
// on a second try - one from an untrusted authority).
#include <string>

namespace vemlo {

struct HttpRequest {
  std::string host;
  int port = 80;
  std::string target;  // path and query as they go on the wire
  bool withCredentials = false;
  std::string user;
  std::string password;
};

inline constexpr char kUserAgent[] = "tiehttp";

// The response body. Throws Error with the messages of the text table: no
// internet handle, no connection, the request not opened or not sent, an
// error status (400 and up), a body cut short or larger than kMaxBodyBytes.
std::string HttpGet(const HttpRequest& request);

}  // namespace vemlo
