#include "collect/body.h"

#include <zlib.h>

#include <cstring>

#include "util/error.h"
#include "util/texts.h"

namespace vemlo {
namespace {

constexpr unsigned char kGzipStart[8] = {0x1F, 0x8B, 0x08, 0x00, 0x00, 0x00, 0x00, 0x00};
constexpr size_t kGzipHeader = 10;  // the eight bytes, extra flags, operating system

class Inflater {
 public:
  Inflater() : ok_(inflateInit2(&stream_, -MAX_WBITS) == Z_OK) {}
  ~Inflater() {
    if (ok_) inflateEnd(&stream_);
  }
  Inflater(const Inflater&) = delete;
  Inflater& operator=(const Inflater&) = delete;

  std::string Run(const char* data, size_t size) {
    if (!ok_) Fail(texts::kInflateError);
    std::string out;
    stream_.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data));
    stream_.avail_in = static_cast<uInt>(size);
    char buffer[65536];
    for (;;) {
      stream_.next_out = reinterpret_cast<Bytef*>(buffer);
      stream_.avail_out = sizeof buffer;
      const int rc = inflate(&stream_, Z_NO_FLUSH);
      const size_t produced = sizeof buffer - stream_.avail_out;
      if (out.size() + produced > kMaxBodyBytes)
        Fail(Format(texts::kInflatedTooLarge, static_cast<int>(kMaxBodyBytes >> 20)));
      out.append(buffer, produced);
      if (rc == Z_STREAM_END) return out;  // what follows the deflate data is ignored
      // Out of input before the end, or broken data.
      if (rc != Z_OK || (stream_.avail_in == 0 && produced == 0)) Fail(texts::kInflateError);
    }
  }

 private:
  z_stream stream_ = {};
  bool ok_;
};

}  // namespace

std::string DecodeBody(std::string body) {
  if (body.size() < sizeof kGzipStart || std::memcmp(body.data(), kGzipStart, sizeof kGzipStart) != 0) return body;
  if (body.size() <= kGzipHeader) Fail(texts::kInflateError);
  Inflater inflater;
  return inflater.Run(body.data() + kGzipHeader, body.size() - kGzipHeader);
}

}  // namespace vemlo
