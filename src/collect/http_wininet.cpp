#include <windows.h>
#include <wininet.h>

#include "collect/body.h"
#include "collect/http.h"
#include "util/error.h"
#include "util/texts.h"
#include "util/win_handles.h"

namespace vemlo {
namespace {

constexpr DWORD kTlsFlags = INTERNET_FLAG_SECURE | INTERNET_FLAG_IGNORE_CERT_CN_INVALID |
                            INTERNET_FLAG_IGNORE_CERT_DATE_INVALID;

std::string ErrorText(DWORD code) {
  std::string text = SystemErrorText(code);
  return text.empty() ? Format(texts::kSystemErrorCode, static_cast<int>(code)) : text;
}

bool Send(HINTERNET request) { return ::HttpSendRequestA(request, "", 0, nullptr, 0) != FALSE; }

// A router's self-made certificate comes from no trusted authority: one more
// try that ignores the authority.
bool SendAllowingUnknownAuthority(HINTERNET request) {
  if (Send(request)) return true;
  if (::GetLastError() != ERROR_INTERNET_INVALID_CA) return false;
  DWORD flags = 0;
  DWORD size = sizeof flags;
  if (::InternetQueryOptionA(request, INTERNET_OPTION_SECURITY_FLAGS, &flags, &size)) {
    flags |= SECURITY_FLAG_IGNORE_UNKNOWN_CA;
    ::InternetSetOptionA(request, INTERNET_OPTION_SECURITY_FLAGS, &flags, sizeof flags);
  }
  return Send(request);
}

bool QueryNumber(HINTERNET request, DWORD info, DWORD& value) {
  DWORD size = sizeof value;
  return ::HttpQueryInfoA(request, info | HTTP_QUERY_FLAG_NUMBER, &value, &size, nullptr) != FALSE;
}

std::string QueryText(HINTERNET request, DWORD info) {
  char buffer[512];
  DWORD size = sizeof buffer;
  if (!::HttpQueryInfoA(request, info, buffer, &size, nullptr)) return "";
  return std::string(buffer, size);
}

void CheckStatus(HINTERNET request) {
  DWORD status = 0;
  if (QueryNumber(request, HTTP_QUERY_STATUS_CODE, status) && status >= 400)
    Fail(Format(texts::kHttpStatus, static_cast<int>(status), QueryText(request, HTTP_QUERY_STATUS_TEXT).c_str()));
}

std::string ReadBody(HINTERNET request) {
  DWORD announced = 0;
  const bool hasLength = QueryNumber(request, HTTP_QUERY_CONTENT_LENGTH, announced);
  const int capMiB = static_cast<int>(kMaxBodyBytes >> 20);
  if (hasLength && announced > kMaxBodyBytes) Fail(Format(texts::kBodyTooLarge, capMiB));
  std::string body;
  char piece[1024];
  for (;;) {
    DWORD n = 0;
    if (!::InternetReadFile(request, piece, sizeof piece, &n))
      Fail(Format(texts::kCannotRead, ErrorText(::GetLastError()).c_str()));
    if (n == 0) break;
    if (body.size() + n > kMaxBodyBytes) Fail(Format(texts::kBodyTooLarge, capMiB));
    body.append(piece, n);
  }
  // A connection closed early ends the reading like the end of the body;
  // the announced length tells them apart, so no cut line reaches the archive.
  if (hasLength && body.size() < announced)
    Fail(Format(texts::kBodyCutShort, static_cast<unsigned long>(body.size()), static_cast<unsigned long>(announced)));
  return body;
}

}  // namespace

std::string HttpGet(const HttpRequest& r) {
  // Each fetch starts from nothing: WinInet would otherwise send credentials
  // it cached from an earlier fetch of this process, even with no user name.
  ::InternetSetOptionA(nullptr, INTERNET_OPTION_END_BROWSER_SESSION, nullptr, 0);
  UniqueInternet internet(::InternetOpenA(kUserAgent, INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
  if (!internet) Fail(texts::kCannotOpenInternet);
  UniqueInternet connection(::InternetConnectA(internet.Get(), r.host.c_str(), static_cast<INTERNET_PORT>(r.port),
                                               r.withCredentials ? r.user.c_str() : nullptr,
                                               r.withCredentials ? r.password.c_str() : nullptr,
                                               INTERNET_SERVICE_HTTP, 0, 0));
  if (!connection) Fail(Format(texts::kCannotConnect, r.host.c_str()));

  DWORD flags = INTERNET_FLAG_RELOAD;
  if (r.port == INTERNET_DEFAULT_HTTPS_PORT) flags |= kTlsFlags;
  // Without a user name nothing may answer a challenge, not even credentials
  // WinInet keeps from an earlier fetch in this process.
  if (!r.withCredentials) flags |= INTERNET_FLAG_NO_AUTH;
  ::SetLastError(0);
  UniqueInternet request(
      ::HttpOpenRequestA(connection.Get(), "GET", r.target.c_str(), "HTTP/1.0", nullptr, nullptr, flags, 0));
  const DWORD openError = ::GetLastError();
  if (openError != 0 && openError != ERROR_INSUFFICIENT_BUFFER && openError != ERROR_ALREADY_EXISTS)
    Fail(Format(texts::kWin32Error, static_cast<int>(openError), SystemErrorText(openError).c_str()));
  if (!request) Fail(texts::kCannotOpenRequest);

  // A router that is off or a TLS failure must not pass for an empty page.
  if (!SendAllowingUnknownAuthority(request.Get()))
    Fail(Format(texts::kCannotSend, ErrorText(::GetLastError()).c_str()));
  CheckStatus(request.Get());
  return ReadBody(request.Get());
}

}  // namespace vemlo
