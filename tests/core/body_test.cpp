#include <gtest/gtest.h>
#include <zlib.h>

#include "collect/body.h"
#include "util/error.h"

namespace vemlo {
namespace {

std::string RawDeflate(const std::string& data) {
  z_stream s = {};
  deflateInit2(&s, 9, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
  std::string out(deflateBound(&s, data.size()) + 16, '\0');
  s.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
  s.avail_in = static_cast<uInt>(data.size());
  s.next_out = reinterpret_cast<Bytef*>(&out[0]);
  s.avail_out = static_cast<uInt>(out.size());
  deflate(&s, Z_FINISH);
  out.resize(s.total_out);
  deflateEnd(&s);
  return out;
}

const std::string kHeader("\x1f\x8b\x08\x00\x00\x00\x00\x00\x00\xff", 10);
const std::string kPage = "2024/01/31 00:00:01 a\r\n2024/01/31 00:00:02 b\r\n";

std::string Member(const std::string& page) { return kHeader + RawDeflate(page) + "TRLRTRLR"; }

TEST(DecodeBody, InflatesAPlainGzipMember) {
  EXPECT_EQ(DecodeBody(Member(kPage)), kPage);
  EXPECT_EQ(DecodeBody(Member("")), "");
  EXPECT_EQ(DecodeBody(Member(kPage) + "junk after the member"), kPage);
}

TEST(DecodeBody, LeavesEverythingElseAlone) {
  std::string flagged = Member(kPage);
  flagged[3] = 0x08;  // FNAME set
  std::string stamped = Member(kPage);
  stamped[4] = 0x01;  // a time stamp
  const std::string cases[] = {
      kPage,
      "",
      std::string("\x1f\x8b\x08\x00\x00\x00\x00", 7),  // shorter than eight bytes
      flagged,
      stamped,
  };
  for (const auto& body : cases) EXPECT_EQ(DecodeBody(body), body);
}

TEST(DecodeBody, BrokenDeflateDataIsTheErrorText) {
  const std::string whole = Member(kPage);
  const std::string cases[] = {
      kHeader.substr(0, 8),
      kHeader,
      kHeader + std::string(RawDeflate(kPage)).substr(0, 5),
      kHeader + "\xff\xff\xff\xff garbage",
  };
  for (const auto& body : cases) {
    try {
      DecodeBody(body);
      ADD_FAILURE() << "no error for a body of " << body.size() << " bytes";
    } catch (const Error& e) {
      EXPECT_STREQ(e.what(), "error");
    }
  }
}

TEST(DecodeBody, ABombStopsAtTheCap) {
  // 70 MiB of zeros deflate to about 70 KiB.
  const std::string bomb = kHeader + RawDeflate(std::string(70u << 20, '\0'));
  ASSERT_LT(bomb.size(), 1u << 20);
  try {
    DecodeBody(bomb);
    ADD_FAILURE() << "no error";
  } catch (const Error& e) {
    EXPECT_STREQ(e.what(), "The router's page inflates to more than 64 MiB");
  }
}

}  // namespace
}  // namespace vemlo
