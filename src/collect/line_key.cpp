#include "collect/line_key.h"

#include <cstdint>
#include <cstring>

namespace vemlo {
namespace {

constexpr uint64_t kEach = 0x0101010101010101ull;
constexpr uint64_t kHigh = 0x8080808080808080ull;

// a-z to A-Z in eight ASCII bytes at once: a byte's high bit marks b >= 'a'
// and, in the second sum, b > 'z'; no sum carries into the next byte.
uint64_t UpperAscii8(uint64_t w) {
  const uint64_t atLeastA = w + (0x80 - 'a') * kEach;
  const uint64_t aboveZ = w + (0x80 - 'z' - 1) * kEach;
  return w ^ (((atLeastA & ~aboveZ) & kHigh) >> 2);
}

}  // namespace

void FoldingKeyer::Key(std::string_view line, std::string& out) const {
  out.resize(line.size());
  char* o = &out[0];
  const char* in = line.data();
  const size_t n = line.size();
  size_t i = 0;
  while (i < n) {
    if (i + 8 <= n) {
      uint64_t w;
      std::memcpy(&w, in + i, 8);
      if ((w & kHigh) == 0) {
        w = UpperAscii8(w);
        std::memcpy(o + i, &w, 8);
        i += 8;
        continue;
      }
    }
    const auto b = static_cast<unsigned char>(in[i]);
    if (dbcs_.IsLead(b) && i + 1 < n) {
      auto trail = static_cast<unsigned char>(in[i + 1]);
      // Full-width a-z (82 81..82 9A) fold onto A-Z (82 60..82 79).
      if (b == 0x82 && trail >= 0x81 && trail <= 0x9A) trail = static_cast<unsigned char>(trail - 0x21);
      o[i] = static_cast<char>(b);
      o[i + 1] = static_cast<char>(trail);
      i += 2;
    } else {
      o[i] = (b >= 'a' && b <= 'z') ? static_cast<char>(b - 0x20) : static_cast<char>(b);
      ++i;
    }
  }
}

}  // namespace vemlo
