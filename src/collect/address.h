#pragma once
// The log page's address: normalised, split into its parts, and turned into
// the request target that goes on the wire.
#include <string>
#include <string_view>

namespace vemlo {

struct AddressParts {
  std::string host;
  int port = 0;
  std::string path;   // as written, %xx escapes not yet decoded
  std::string extra;  // from "?" on, fragment dropped; escapes not decoded
};

// "http://" in front unless the address holds "://" anywhere.
std::string NormaliseAddress(const std::string& address);

// The system's address splitter (InternetCrackUrlA on Windows, SplitAddress
// elsewhere). Returns 0 or the error code the message shows.
int CrackAddress(const std::string& address, AddressParts& parts);

// Error codes of the split, the same numbers WinInet uses.
inline constexpr int kErrorInsufficientBuffer = 122;
inline constexpr int kErrorInvalidUrl = 12005;
inline constexpr int kErrorUnrecognizedScheme = 12006;
// Host, path and extra information each fit in 2048 bytes with their NUL.
inline constexpr size_t kMaxAddressPart = 2047;

// A portable splitter for scheme://[user[:password]@]host[:port][path][?extra]
// with the schemes http (port 80) and https (443). An empty host splits, as
// with InternetCrackUrlA; the connection then refuses it.
int SplitAddress(const std::string& address, AddressParts& parts);

// %xx escapes decoded once; a "%" not followed by two hex digits stays.
std::string DecodeEscapes(std::string_view text);

// The request target from the split parts: path and extra information with
// their escapes decoded, written back on the wire with every byte that may
// not stand there raw escaped again (so a decoded "%20" goes out as "%20",
// "%25" as "%25"), and every "+" of the extra information as "%2B". An empty
// path becomes "/".
std::string RequestTarget(const AddressParts& parts);

}  // namespace vemlo
