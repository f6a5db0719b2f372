#include "collect/address.h"

#include <cctype>

namespace vemlo {
namespace {

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::string Lower(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

// Bytes that may not stand raw in a request target. "?" only ends the path.
bool NeedsEscape(unsigned char b, bool inPath) {
  if (b <= 0x20 || b >= 0x7F) return true;
  if (inPath && b == '?') return true;
  return std::string_view("\"#%<>\\^`{|}").find(static_cast<char>(b)) != std::string_view::npos;
}

void AppendEscaped(std::string& out, std::string_view text, bool inPath) {
  static const char kHex[] = "0123456789ABCDEF";
  for (char c : text) {
    const auto b = static_cast<unsigned char>(c);
    if (NeedsEscape(b, inPath)) {
      out += '%';
      out += kHex[b >> 4];
      out += kHex[b & 15];
    } else if (!inPath && c == '+') {
      out += "%2B";
    } else {
      out += c;
    }
  }
}

}  // namespace

std::string NormaliseAddress(const std::string& address) {
  if (address.find("://") == std::string::npos) return "http://" + address;
  return address;
}

int SplitAddress(const std::string& address, AddressParts& parts) {
  parts = AddressParts();
  const size_t schemeEnd = address.find("://");
  if (schemeEnd == std::string::npos || schemeEnd == 0) return kErrorUnrecognizedScheme;
  const std::string scheme = Lower(address.substr(0, schemeEnd));
  int defaultPort;
  if (scheme == "http")
    defaultPort = 80;
  else if (scheme == "https")
    defaultPort = 443;
  else
    return kErrorUnrecognizedScheme;

  const size_t authorityStart = schemeEnd + 3;
  size_t authorityEnd = address.find_first_of("/?#", authorityStart);
  if (authorityEnd == std::string::npos) authorityEnd = address.size();
  std::string authority = address.substr(authorityStart, authorityEnd - authorityStart);
  const size_t at = authority.rfind('@');
  if (at != std::string::npos) authority.erase(0, at + 1);  // credentials in the address are not taken

  std::string host = authority;
  int port = defaultPort;
  const size_t colon = authority.rfind(':');
  if (colon != std::string::npos && authority.find(']', colon) == std::string::npos) {
    host = authority.substr(0, colon);
    const std::string digits = authority.substr(colon + 1);
    if (!digits.empty()) {
      if (digits.size() > 5) return kErrorInvalidUrl;
      port = 0;
      for (char c : digits) {
        if (c < '0' || c > '9') return kErrorInvalidUrl;
        port = port * 10 + (c - '0');
      }
      if (port == 0 || port > 65535) return kErrorInvalidUrl;
    }
  }

  std::string rest = address.substr(authorityEnd);
  const size_t hash = rest.find('#');
  if (hash != std::string::npos) rest.erase(hash);
  const size_t query = rest.find('?');
  std::string path = rest.substr(0, query);
  std::string extra = query == std::string::npos ? std::string() : rest.substr(query);
  if (host.size() > kMaxAddressPart || path.size() > kMaxAddressPart || extra.size() > kMaxAddressPart)
    return kErrorInsufficientBuffer;
  parts.host = std::move(host);
  parts.port = port;
  parts.path = std::move(path);
  parts.extra = std::move(extra);
  return 0;
}

std::string DecodeEscapes(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 2 < text.size() && HexValue(text[i + 1]) >= 0 && HexValue(text[i + 2]) >= 0) {
      out += static_cast<char>(HexValue(text[i + 1]) * 16 + HexValue(text[i + 2]));
      i += 2;
    } else {
      out += text[i];
    }
  }
  return out;
}

std::string RequestTarget(const AddressParts& parts) {
  std::string target;
  const std::string path = DecodeEscapes(parts.path);
  AppendEscaped(target, path.empty() ? std::string_view("/") : std::string_view(path), true);
  AppendEscaped(target, DecodeEscapes(parts.extra), false);
  return target;
}

}  // namespace vemlo
