#include "collect/fetch.h"

#include "collect/address.h"
#include "collect/body.h"
#include "collect/lines.h"
#include "util/error.h"
#include "util/texts.h"

namespace vemlo {

HttpRequest BuildLogRequest(const FetchSettings& settings) {
  if (settings.address.empty()) Fail(texts::kNoUrl);
  AddressParts parts;
  if (const int code = CrackAddress(NormaliseAddress(settings.address), parts); code != 0)
    Fail(Format(texts::kInvalidUrl, code));
  HttpRequest request;
  request.host = parts.host;
  request.port = parts.port;
  request.target = RequestTarget(parts);
  // An empty user name sends no credentials at all, even with a password set.
  request.withCredentials = !settings.user.empty();
  if (request.withCredentials) {
    request.user = settings.user;
    request.password = settings.password;
  }
  return request;
}

ResponseLines FetchLog(const FetchSettings& settings) {
  const HttpRequest request = BuildLogRequest(settings);
  return SplitLines(DecodeBody(HttpGet(request)));
}

}  // namespace vemlo
