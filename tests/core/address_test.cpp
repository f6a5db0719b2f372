#include <gtest/gtest.h>

#include "collect/address.h"
#include "collect/fetch.h"
#include "util/error.h"

namespace vemlo {
namespace {

TEST(NormaliseAddress, PutsHttpInFrontOnlyWithoutSchemeMark) {
  const struct {
    const char* in;
    const char* out;
  } cases[] = {
      {"aterm.me/system.log", "http://aterm.me/system.log"},
      {"HTTP://Aterm.me/system.log", "HTTP://Aterm.me/system.log"},
      {"x/y?u=http://z", "x/y?u=http://z"},  // "://" anywhere counts
      {"192.168.0.1:8080/a", "http://192.168.0.1:8080/a"},
  };
  for (const auto& c : cases) EXPECT_EQ(NormaliseAddress(c.in), c.out) << "[" << c.in << "]";
}

TEST(SplitAddress, GivesHostPortPathAndExtra) {
  const struct {
    const char* address;
    int code;
    const char* host;
    int port;
    const char* path;
    const char* extra;
  } cases[] = {
      {"http://aterm.me/system.log", 0, "aterm.me", 80, "/system.log", ""},
      {"https://aterm.me/system.log", 0, "aterm.me", 443, "/system.log", ""},
      {"HTTP://Host:8080/a/b?x=1&y=2", 0, "Host", 8080, "/a/b", "?x=1&y=2"},
      {"http://user:pw@host/p", 0, "host", 80, "/p", ""},
      {"http://host", 0, "host", 80, "", ""},
      {"http://host?q", 0, "host", 80, "", "?q"},
      {"http://host/p#frag", 0, "host", 80, "/p", ""},
      {"http://host/p?q#frag", 0, "host", 80, "/p", "?q"},
      {"http://host:/p", 0, "host", 80, "/p", ""},
      {"http://[::1]:81/p", 0, "[::1]", 81, "/p", ""},
      {"ftp://host/p", kErrorUnrecognizedScheme, "", 0, "", ""},
      {"http://host:99999/p", kErrorInvalidUrl, "", 0, "", ""},
      {"http://host:8a/p", kErrorInvalidUrl, "", 0, "", ""},
      {"http:///p", 0, "", 80, "/p", ""},
  };
  for (const auto& c : cases) {
    AddressParts parts;
    EXPECT_EQ(SplitAddress(c.address, parts), c.code) << "[" << c.address << "]";
    EXPECT_EQ(parts.host, c.host) << "[" << c.address << "]";
    EXPECT_EQ(parts.port, c.port) << "[" << c.address << "]";
    EXPECT_EQ(parts.path, c.path) << "[" << c.address << "]";
    EXPECT_EQ(parts.extra, c.extra) << "[" << c.address << "]";
  }
}

TEST(SplitAddress, RefusesPartsLongerThanTheirBuffer) {
  AddressParts parts;
  EXPECT_EQ(SplitAddress("http://h/" + std::string(2046, 'p'), parts), 0);
  EXPECT_EQ(SplitAddress("http://h/" + std::string(2047, 'p'), parts), kErrorInsufficientBuffer);
  EXPECT_EQ(SplitAddress("http://h/?" + std::string(2047, 'q'), parts), kErrorInsufficientBuffer);
  // Path and query of 2047 bytes each: together longer than one buffer, still whole.
  ASSERT_EQ(SplitAddress("http://h/" + std::string(2046, 'p') + "?" + std::string(2046, 'q'), parts), 0);
  EXPECT_EQ(RequestTarget(parts).size(), 2047u + 2047u);
}

TEST(RequestTarget, DecodesEscapesOnceAndWritesThemBackSafely) {
  const struct {
    const char* path;
    const char* extra;
    const char* target;
  } cases[] = {
      {"/system.log", "", "/system.log"},
      {"", "", "/"},
      {"", "?a=1", "/?a=1"},
      {"/a%41b", "", "/aAb"},
      {"/a%20b", "?x=%20", "/a%20b?x=%20"},
      {"/p", "?a=b+c", "/p?a=b%2Bc"},
      {"/p", "?a=%2B", "/p?a=%2B"},
      {"/p", "?a=%25", "/p?a=%25"},
      {"/50%", "?x=%zz", "/50%25?x=%25zz"},
      {"/a%3Fb", "?c", "/a%3Fb?c"},
      {"/a%23b", "", "/a%23b"},
      {"/%E3%81%82", "", "/%E3%81%82"},
      {"/a+b", "", "/a+b"},
  };
  for (const auto& c : cases) {
    AddressParts parts{"h", 80, c.path, c.extra};
    EXPECT_EQ(RequestTarget(parts), c.target) << "[" << c.path << c.extra << "]";
  }
}

TEST(BuildLogRequest, CredentialsOnlyWithAUserName) {
  HttpRequest r = BuildLogRequest({"admin", "secret", "aterm.me/system.log"});
  EXPECT_TRUE(r.withCredentials);
  EXPECT_EQ(r.user, "admin");
  EXPECT_EQ(r.password, "secret");
  EXPECT_EQ(r.host, "aterm.me");
  EXPECT_EQ(r.port, 80);
  EXPECT_EQ(r.target, "/system.log");
  r = BuildLogRequest({"", "secret", "aterm.me/system.log"});
  EXPECT_FALSE(r.withCredentials);
  EXPECT_EQ(r.password, "");
}

TEST(BuildLogRequest, ErrorsOfAnEmptyOrBadAddress) {
  const struct {
    std::string address;
    const char* message;
  } cases[] = {
      {"", "TIEHTTP: no url in execute method"},
      {"http://host/" + std::string(2100, 'p'), "TIE: Invalid URL. Error - 122 = "},
  };
  for (const auto& c : cases) {
    try {
      BuildLogRequest({"u", "p", c.address});
      ADD_FAILURE() << "no error for [" << c.address << "]";
    } catch (const Error& e) {
      EXPECT_STREQ(e.what(), c.message) << "[" << c.address << "]";
    }
  }
}

}  // namespace
}  // namespace vemlo
