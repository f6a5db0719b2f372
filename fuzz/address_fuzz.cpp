// The log page's address: normalisation, the portable split and the request
// target. A split that succeeds gives parts that fit their buffers and a
// target that is all wire-safe bytes, decoding back to exactly the decoded
// path and extra information, with the "?" between them as the one raw "?".
#include <cctype>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "collect/address.h"
#include "collect/fetch.h"
#include "fuzz/check.h"
#include "util/error.h"

namespace {

using vemlo::fuzz::Check;

bool WireSafe(std::string_view target) {
  for (size_t i = 0; i < target.size(); ++i) {
    const auto b = static_cast<unsigned char>(target[i]);
    if (b <= 0x20 || b >= 0x7F) return false;
    if (std::string_view("\"#<>\\^`{|}").find(target[i]) != std::string_view::npos) return false;
    if (target[i] == '%' && !(i + 2 < target.size() && std::isxdigit(static_cast<unsigned char>(target[i + 1])) &&
                              std::isxdigit(static_cast<unsigned char>(target[i + 2]))))
      return false;
  }
  return true;
}

int DefaultPort(const std::string& address) {
  const std::string scheme = address.substr(0, address.find("://"));
  std::string lower;
  for (char c : scheme) lower += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return lower == "https" ? 443 : 80;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string input(reinterpret_cast<const char*>(data), size);

  const std::string address = vemlo::NormaliseAddress(input);
  if (input.find("://") != std::string::npos)
    Check(address == input, "an address with a scheme stays as it is");
  else
    Check(address == "http://" + input, "an address without one gets http://");

  const std::string decodedInput = vemlo::DecodeEscapes(input);
  Check(decodedInput.size() <= input.size(), "decoding escapes never lengthens a text");
  if (input.find('%') == std::string::npos) Check(decodedInput == input, "a text without % decodes to itself");

  vemlo::AddressParts parts;
  const int code = vemlo::SplitAddress(address, parts);
  Check(code == 0 || code == vemlo::kErrorInvalidUrl || code == vemlo::kErrorUnrecognizedScheme ||
            code == vemlo::kErrorInsufficientBuffer,
        "the split fails only with WinInet's codes");
  if (code != 0) return 0;

  Check(parts.host.size() <= vemlo::kMaxAddressPart, "a host that fits its buffer");
  Check(parts.path.size() <= vemlo::kMaxAddressPart && parts.extra.size() <= vemlo::kMaxAddressPart,
        "path and extra information fit their buffers");
  Check(parts.host.find_first_of("/?#@") == std::string::npos, "the host holds no delimiter and no credentials");
  Check(parts.path.empty() || parts.path[0] == '/', "a path starts with /");
  Check(parts.path.find_first_of("?#") == std::string::npos, "the path ends before ? and #");
  Check(parts.extra.empty() || parts.extra[0] == '?', "extra information starts with ?");
  Check(parts.extra.find('#') == std::string::npos, "the fragment is dropped");
  Check(parts.port >= 1 && parts.port <= 65535, "a port in range");
  if (address.find(':', address.find("://") + 3) == std::string::npos)
    Check(parts.port == DefaultPort(address), "the scheme's port when none is given");

  const std::string target = vemlo::RequestTarget(parts);
  Check(!target.empty() && target[0] == '/', "the target starts with /");
  Check(WireSafe(target), "the target holds only bytes that may stand on the wire");
  const std::string path = vemlo::DecodeEscapes(parts.path);
  const std::string extra = vemlo::DecodeEscapes(parts.extra);
  const size_t query = target.find('?');
  Check((query == std::string::npos) == extra.empty(), "a raw ? in the target exactly when there is a query");
  const std::string targetPath = target.substr(0, query);
  Check(vemlo::DecodeEscapes(targetPath) == (path.empty() ? "/" : path), "the target's path decodes to the path");
  if (query != std::string::npos) {
    const std::string targetExtra = target.substr(query);
    Check(targetExtra.find('+') == std::string::npos, "no raw + in the query");
    Check(vemlo::DecodeEscapes(targetExtra) == extra, "the target's query decodes to the extra information");
  }

  // The request FetchLog makes from the same text (an empty one is refused
  // before it is split).
  if (input.empty()) return 0;
  vemlo::FetchSettings settings;
  settings.address = input;
  settings.user = size % 2 ? "admin" : "";
  try {
    const vemlo::HttpRequest request = vemlo::BuildLogRequest(settings);
    Check(request.host == parts.host && request.port == parts.port && request.target == target,
          "the request is built from the same split");
    Check(request.withCredentials == !settings.user.empty(), "credentials exactly with a user name");
  } catch (const vemlo::Error&) {
    Check(false, "an address that splits builds a request");
  }
  return 0;
}
