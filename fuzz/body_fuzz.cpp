// The gzip test and inflate of the router's page. Any body: taken as it is
// unless it starts like the router's gzip member; decoded or refused with
// the texts of the table, never a crash. The input gzipped the router's way
// decodes back to itself, with or without bytes after the deflate data, and
// cut anywhere inside the member before the deflate data ends it is refused.
#include <zlib.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "collect/body.h"
#include "fuzz/check.h"
#include "util/error.h"
#include "util/texts.h"

namespace {

using vemlo::fuzz::Check;

constexpr unsigned char kStart[8] = {0x1F, 0x8B, 0x08, 0x00, 0x00, 0x00, 0x00, 0x00};

bool StartsLikeGzip(const std::string& body) {
  return body.size() >= sizeof kStart && std::memcmp(body.data(), kStart, sizeof kStart) == 0;
}

std::string RawDeflate(const std::string& data, int level) {
  z_stream s = {};
  if (deflateInit2(&s, level, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) != Z_OK) std::abort();
  std::string out(deflateBound(&s, data.size()), '\0');
  s.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
  s.avail_in = static_cast<uInt>(data.size());
  s.next_out = reinterpret_cast<Bytef*>(&out[0]);
  s.avail_out = static_cast<uInt>(out.size());
  if (deflate(&s, Z_FINISH) != Z_STREAM_END) std::abort();
  out.resize(s.total_out);
  deflateEnd(&s);
  return out;
}

// The decoded body, or the error's text.
struct Decoded {
  bool ok;
  std::string bytes;
  bool operator==(const Decoded& o) const { return ok == o.ok && bytes == o.bytes; }
};

Decoded Decode(const std::string& body) {
  try {
    return {true, vemlo::DecodeBody(body)};
  } catch (const vemlo::Error& e) {
    return {false, e.what()};
  }
}

const Decoded kBroken = {false, vemlo::texts::kInflateError};

bool IsRefusal(const Decoded& d) {
  return d == kBroken || d == Decoded{false, vemlo::Format(vemlo::texts::kInflatedTooLarge,
                                                           static_cast<int>(vemlo::kMaxBodyBytes >> 20))};
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string input(reinterpret_cast<const char*>(data), size);

  const Decoded decoded = Decode(input);
  if (!StartsLikeGzip(input))
    Check(decoded == Decoded{true, input}, "a body that is no gzip member stays as it is");
  else if (!decoded.ok)
    Check(IsRefusal(decoded), "a bad gzip body is refused with the table's text");
  else
    Check(decoded.bytes.size() <= vemlo::kMaxBodyBytes, "the inflated page keeps to the limit");

  // The router's member: the eight bytes, extra flags, OS, deflate data, CRC and length.
  const int level = size == 0 ? 6 : data[0] % 10;
  const std::string deflated = RawDeflate(input, level);
  std::string member(reinterpret_cast<const char*>(kStart), sizeof kStart);
  member += std::string("\x00\xFF", 2);
  member += deflated;
  const size_t end = member.size();
  member += std::string(8, '\x5A');  // trailer bytes are not examined
  Check(Decode(member) == Decoded{true, input}, "the router's gzip member decodes to the page");
  Check(Decode(member + input) == Decoded{true, input}, "bytes after the deflate data are ignored");

  // Cut anywhere from the eighth byte to just before the deflate data ends.
  const size_t cut = sizeof kStart + (size == 0 ? 0 : (data[size - 1] * 257u + size) % (end - sizeof kStart));
  Check(cut < end && cut >= sizeof kStart, "cut position inside the member");
  Check(Decode(member.substr(0, cut)) == kBroken, "a member cut before the end of its deflate data is refused");
  return 0;
}
