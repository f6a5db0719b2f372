#include <curl/curl.h>
#include <openssl/ssl.h>
#include <openssl/x509_vfy.h>

#include <string>

#include "collect/body.h"
#include "collect/http.h"
#include "util/error.h"
#include "util/texts.h"
#include "util/unique.h"

namespace vemlo {
namespace {

struct CurlTraits {
  static CURL* Empty() { return nullptr; }
  static void Close(CURL* c) { curl_easy_cleanup(c); }
};
using UniqueCurl = Unique<CURL*, CurlTraits>;

struct Exchange {
  std::string body;
  std::string statusLine;
  bool tooLarge = false;
};

size_t OnBody(char* data, size_t size, size_t count, void* user) {
  auto* exchange = static_cast<Exchange*>(user);
  const size_t n = size * count;
  if (exchange->body.size() + n > kMaxBodyBytes) {
    exchange->tooLarge = true;
    return 0;  // ends the transfer
  }
  exchange->body.append(data, n);
  return n;
}

size_t OnHeader(char* data, size_t size, size_t count, void* user) {
  auto* exchange = static_cast<Exchange*>(user);
  const std::string line(data, size * count);
  // Each response of an authentication round or a redirect starts anew.
  if (line.compare(0, 5, "HTTP/") == 0) {
    exchange->statusLine = line;
    exchange->body.clear();
  }
  return size * count;
}

// The reason phrase of a status line "HTTP/1.0 401 Unauthorized\r\n".
std::string ReasonPhrase(const std::string& statusLine) {
  size_t start = statusLine.find(' ');
  if (start != std::string::npos) start = statusLine.find(' ', start + 1);
  if (start == std::string::npos) return "";
  std::string reason = statusLine.substr(start + 1);
  while (!reason.empty() && (reason.back() == '\r' || reason.back() == '\n' || reason.back() == ' ')) reason.pop_back();
  return reason;
}

// Accept a certificate that has expired or is not yet valid, as WinInet does
// with INTERNET_FLAG_IGNORE_CERT_DATE_INVALID; every other finding stands.
int VerifyIgnoringDates(int preverified, X509_STORE_CTX* store) {
  const int error = X509_STORE_CTX_get_error(store);
  if (!preverified && (error == X509_V_ERR_CERT_HAS_EXPIRED || error == X509_V_ERR_CERT_NOT_YET_VALID)) {
    X509_STORE_CTX_set_error(store, X509_V_OK);
    return 1;
  }
  return preverified;
}

CURLcode OnSslContext(CURL*, void* context, void*) {
  SSL_CTX_set_verify(static_cast<SSL_CTX*>(context), SSL_VERIFY_PEER, VerifyIgnoringDates);
  return CURLE_OK;
}

void Configure(CURL* curl, const HttpRequest& r, Exchange& exchange, char* errorBuffer) {
  const bool tls = r.port == 443;
  const std::string url = std::string(tls ? "https://" : "http://") + r.host + ":" + std::to_string(r.port) + r.target;
  curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
  curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(curl, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(curl, CURLOPT_HTTP_VERSION, CURL_HTTP_VERSION_1_0);
  curl_easy_setopt(curl, CURLOPT_USERAGENT, kUserAgent);
  curl_easy_setopt(curl, CURLOPT_HTTPGET, 1L);
  curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
  curl_easy_setopt(curl, CURLOPT_MAXREDIRS, 10L);
  curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(curl, CURLOPT_BUFFERSIZE, 1024L);
  // WinInet's own limits: a minute to connect, a minute without a byte.
  curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, 60L);
  curl_easy_setopt(curl, CURLOPT_LOW_SPEED_LIMIT, 1L);
  curl_easy_setopt(curl, CURLOPT_LOW_SPEED_TIME, 60L);
  curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, errorBuffer);
  curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, OnBody);
  curl_easy_setopt(curl, CURLOPT_WRITEDATA, &exchange);
  curl_easy_setopt(curl, CURLOPT_HEADERFUNCTION, OnHeader);
  curl_easy_setopt(curl, CURLOPT_HEADERDATA, &exchange);
  if (r.withCredentials) {
    curl_easy_setopt(curl, CURLOPT_USERNAME, r.user.c_str());
    curl_easy_setopt(curl, CURLOPT_PASSWORD, r.password.c_str());
    curl_easy_setopt(curl, CURLOPT_HTTPAUTH, CURLAUTH_ANY);
    curl_easy_setopt(curl, CURLOPT_UNRESTRICTED_AUTH, 0L);
  }
  if (tls) {
    curl_easy_setopt(curl, CURLOPT_SSL_VERIFYHOST, 0L);  // a certificate for another host name is fine
    curl_easy_setopt(curl, CURLOPT_SSL_CTX_FUNCTION, OnSslContext);
  }
}

}  // namespace

std::string HttpGet(const HttpRequest& r) {
  // InternetConnectA refuses an empty host name; so does this client.
  if (r.host.empty()) Fail(Format(texts::kCannotConnect, r.host.c_str()));
  static const CURLcode initialised = curl_global_init(CURL_GLOBAL_DEFAULT);
  if (initialised != CURLE_OK) Fail(texts::kCannotOpenInternet);
  UniqueCurl curl(curl_easy_init());
  if (!curl) Fail(texts::kCannotOpenInternet);
  Exchange exchange;
  char errorBuffer[CURL_ERROR_SIZE] = "";
  Configure(curl.Get(), r, exchange, errorBuffer);
  CURLcode rc = curl_easy_perform(curl.Get());
  long verifyResult = X509_V_OK;
  curl_easy_getinfo(curl.Get(), CURLINFO_SSL_VERIFYRESULT, &verifyResult);
  // With our verify callback a refused certificate can also end the handshake
  // itself (CURLE_SSL_CONNECT_ERROR); the verify result tells why.
  const bool untrusted = rc == CURLE_PEER_FAILED_VERIFICATION ||
                         (rc == CURLE_SSL_CONNECT_ERROR && verifyResult != X509_V_OK);
  if (untrusted && r.port == 443) {
    // Untrusted authority: one more try that ignores it.
    exchange = Exchange();
    errorBuffer[0] = '\0';
    curl_easy_setopt(curl.Get(), CURLOPT_SSL_VERIFYPEER, 0L);
    curl_easy_setopt(curl.Get(), CURLOPT_SSL_CTX_FUNCTION, nullptr);  // it would ask for the peer check again
    rc = curl_easy_perform(curl.Get());
  }
  const std::string detail = errorBuffer[0] ? errorBuffer : curl_easy_strerror(rc);
  if (exchange.tooLarge) Fail(Format(texts::kBodyTooLarge, static_cast<int>(kMaxBodyBytes >> 20)));
  if (rc == CURLE_PARTIAL_FILE) {
    curl_off_t announced = 0;
    curl_easy_getinfo(curl.Get(), CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &announced);
    Fail(Format(texts::kBodyCutShort, static_cast<unsigned long>(exchange.body.size()),
                static_cast<unsigned long>(announced)));
  }
  long status = 0;
  curl_easy_getinfo(curl.Get(), CURLINFO_RESPONSE_CODE, &status);
  if (rc != CURLE_OK) {
    // No answer at all is a failed send; an answer that broke off is a failed read.
    Fail(Format(status == 0 ? texts::kCannotSend : texts::kCannotRead, detail.c_str()));
  }
  if (status >= 400)
    Fail(Format(texts::kHttpStatus, static_cast<int>(status), ReasonPhrase(exchange.statusLine).c_str()));
  return std::move(exchange.body);
}

}  // namespace vemlo
