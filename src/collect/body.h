#pragma once
// The router's page as bytes: a gzip member with no flags and no time stamp
// is inflated; every other body is taken as it is.
#include <string>

namespace vemlo {

// Neither the body as received nor the inflated page may exceed this.
inline constexpr size_t kMaxBodyBytes = 64u << 20;

// Inflates body when it begins 1F 8B 08 00 00 00 00 00. Throws Error "error"
// for deflate data that is missing, cut short or broken, and the too-large
// text past kMaxBodyBytes.
std::string DecodeBody(std::string body);

}  // namespace vemlo
