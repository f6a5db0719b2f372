// The Windows split (InternetCrackUrlA) and the portable one used on Linux
// must agree, so an address means the same router on both systems.
#include <gtest/gtest.h>

#include "collect/address.h"

namespace vemlo {
namespace {

TEST(CrackAddress, AgreesWithThePortableSplit) {
  const char* addresses[] = {
      "http://aterm.me/system.log",
      "https://aterm.me/system.log",
      "HTTP://Host:8080/a/b?x=1&y=2",
      "http://user:pw@host/p",
      "http://host/p?q=a+b%41",
      "http://host/p%20q",
      "http://host/p#frag",
      "http://host/p?q#frag",
      "http://127.0.0.1:443/system.log",
  };
  for (const char* address : addresses) {
    AddressParts system, portable;
    EXPECT_EQ(CrackAddress(address, system), 0) << address;
    EXPECT_EQ(SplitAddress(address, portable), 0) << address;
    EXPECT_EQ(system.host, portable.host) << address;
    EXPECT_EQ(system.port, portable.port) << address;
    EXPECT_EQ(system.path, portable.path) << address;
    EXPECT_EQ(system.extra, portable.extra) << address;
    EXPECT_EQ(RequestTarget(system), RequestTarget(portable)) << address;
  }
}

TEST(CrackAddress, RefusesWhatThePortableSplitRefuses) {
  for (const std::string& address : {std::string("no scheme at all"), "http://h/" + std::string(2100, 'p')}) {
    AddressParts system, portable;
    EXPECT_NE(CrackAddress(address, system), 0) << address;
    EXPECT_NE(SplitAddress(address, portable), 0) << address;
  }
}

}  // namespace
}  // namespace vemlo
