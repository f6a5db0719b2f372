// FetchLog against the router simulator, through the system's own HTTP
// stack: WinInet under Wine, libcurl on Linux.
#include <gtest/gtest.h>
#include <zlib.h>

#include "collect/fetch.h"
#include "support/test_support.h"
#include "util/error.h"
#include "util/file_system.h"

namespace vemlo {
namespace {

using test::Simulator;

bool OnWindows() { return SystemFileSystem().Rules().driveColon; }

const std::string kPage = "2024/01/31 00:00:01 PPP up\r\n2024/01/31 00:00:02 NTP ok\r\n";
const ResponseLines kLines = {"2024/01/31 00:00:01 PPP up", "2024/01/31 00:00:02 NTP ok"};

class FetchTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(Simulator::Available()) << "run through tests/with-sim";
    Simulator::ClearRequests();
    Simulator::SetBody("system.log", kPage);
  }
  // The error text of a fetch that must fail.
  static std::string ErrorOf(const FetchSettings& settings) {
    return test::ErrorOf([&] { FetchLog(settings); });
  }
};

TEST_F(FetchTest, OneGetWithTheRoutersVersionAndAgent) {
  EXPECT_EQ(FetchLog({"admin", "", Simulator::Url("/system.log")}), kLines);
  const auto requests = Simulator::Requests();
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].line, "GET /system.log HTTP/1.0");
  EXPECT_EQ(requests[0].userAgent, "tiehttp");
  EXPECT_EQ(requests[0].transport, "plain");
}

TEST_F(FetchTest, AddressesAreNormalisedAndTheirEscapesSentOnce) {
  const std::string hostPort = "127.0.0.1:" + std::to_string(Simulator::Port());
  const struct {
    std::string address;
    std::string requestLine;
  } cases[] = {
      {hostPort + "/system.log", "GET /system.log HTTP/1.0"},
      {"HTTP://" + hostPort + "/system.log", "GET /system.log HTTP/1.0"},
      {"http://" + hostPort + "/sys%74em.log?a=b+c&d=%41&e=%2B", "GET /system.log?a=b%2Bc&d=A&e=%2B HTTP/1.0"},
      {"http://" + hostPort + "/system.log?x=%20y#part", "GET /system.log?x=%20y HTTP/1.0"},
      // https with another port than 443 goes without TLS.
      {"https://" + hostPort + "/system.log", "GET /system.log HTTP/1.0"},
  };
  for (const auto& c : cases) {
    Simulator::ClearRequests();
    EXPECT_EQ(FetchLog({"", "", c.address}), kLines) << c.address;
    const auto requests = Simulator::Requests();
    ASSERT_EQ(requests.size(), 1u) << c.address;
    EXPECT_EQ(requests[0].line, c.requestLine) << c.address;
    EXPECT_EQ(requests[0].transport, "plain") << c.address;
  }
}

TEST_F(FetchTest, BasicCredentialsAnswerTheChallenge) {
  EXPECT_EQ(FetchLog({"admin", "s3cret", Simulator::Url("/basic=admin:s3cret/system.log")}), kLines);
  const auto requests = Simulator::Requests();
  ASSERT_FALSE(requests.empty());
  EXPECT_EQ(requests.back().authScheme, "Basic");
  EXPECT_EQ(requests.back().user, "admin");
  EXPECT_EQ(requests.back().password, "s3cret");
  EXPECT_EQ(requests.back().status, "200");
  for (const auto& r : requests) EXPECT_EQ(r.line, "GET /basic=admin:s3cret/system.log HTTP/1.0");
}

TEST_F(FetchTest, DigestCredentialsAnswerTheChallenge) {
  if (OnWindows()) GTEST_SKIP() << "Wine's WinInet has no Digest; Windows' own does";
  EXPECT_EQ(FetchLog({"admin", "s3cret", Simulator::Url("/digest=admin:s3cret/system.log")}), kLines);
  const auto requests = Simulator::Requests();
  ASSERT_FALSE(requests.empty());
  EXPECT_EQ(requests.back().authScheme, "Digest");
  EXPECT_EQ(requests.back().status, "200");
}

TEST_F(FetchTest, ARefusedLoginIsAnErrorNotAPage) {
  EXPECT_EQ(ErrorOf({"admin", "wrong", Simulator::Url("/basic=admin:s3cret/system.log")}), "HTTP 401 Unauthorized");
  // No user name: no credentials at all, even with a password set.
  Simulator::ClearRequests();
  EXPECT_EQ(ErrorOf({"", "s3cret", Simulator::Url("/basic=admin:s3cret/system.log")}), "HTTP 401 Unauthorized");
  for (const auto& r : Simulator::Requests()) EXPECT_EQ(r.authScheme, "none");
}

TEST_F(FetchTest, ErrorStatusesEndTheFetch) {
  EXPECT_EQ(ErrorOf({"", "", Simulator::Url("/no-such-page.log")}), "HTTP 404 Not Found");
  EXPECT_EQ(ErrorOf({"", "", Simulator::Url("/status=500/system.log")}), "HTTP 500 Internal Server Error");
  EXPECT_EQ(FetchLog({"", "", Simulator::Url("/status=203/system.log")}), kLines);
}

TEST_F(FetchTest, BodiesBecomeLines) {
  Simulator::SetBody("with-nul.log", std::string("a\r\nb\0c\r\nd", 9));
  Simulator::SetBody("empty.log", "");
  Simulator::SetBody("lf.log", "a\nb\n\rc");
  const struct {
    const char* path;
    ResponseLines lines;
  } cases[] = {
      {"/gzip/system.log", kLines},
      {"/with-nul.log", {"a", "b"}},
      {"/empty.log", {}},
      {"/lf.log", {"a", "b", "", "c"}},
      {"/redirect/system.log", kLines},
      {"/http11/system.log", kLines},
  };
  for (const auto& c : cases) {
    try {
      EXPECT_EQ(FetchLog({"", "", Simulator::Url(c.path)}), c.lines) << c.path;
    } catch (const Error& e) {
      ADD_FAILURE() << c.path << ": " << e.what();
    }
  }
}

TEST_F(FetchTest, ABodyCutShortIsAnError) {
  EXPECT_EQ(ErrorOf({"", "", Simulator::Url("/cut=30/system.log")}),
            "Could not read HTTP response: 30 of " + std::to_string(kPage.size()) + " bytes arrived");
}

TEST_F(FetchTest, AnOversizedBodyStopsAtTheCap) {
  EXPECT_EQ(ErrorOf({"", "", Simulator::Url("/huge=65/x")}), "The router's page is larger than 64 MiB");
}

TEST_F(FetchTest, AnAddressWithoutHostCannotConnect) {
  EXPECT_EQ(ErrorOf({"", "", "http:///system.log"}), "Could not connect to server ");
}

TEST_F(FetchTest, AnUnreachableRouterIsAnError) {
  // Port 1 on loopback: nothing listens there.
  const std::string error = ErrorOf({"", "", "http://127.0.0.1:1/system.log"});
  EXPECT_EQ(error.rfind("Could not send HTTP request: ", 0), 0u) << error;
  EXPECT_GT(error.size(), std::string("Could not send HTTP request: ").size()) << "no system text";
}

TEST_F(FetchTest, TlsExactlyOnPort443WithAnUntrustedCertificate) {
  if (Simulator::TlsPort() != 443) GTEST_SKIP() << "needs the simulator's TLS port 443";
  const struct {
    const char* address;
  } cases[] = {{"https://127.0.0.1/system.log"}, {"http://127.0.0.1:443/system.log"}, {"127.0.0.1:443/gzip/system.log"}};
  for (const auto& c : cases) {
    Simulator::ClearRequests();
    EXPECT_EQ(FetchLog({"", "", c.address}), kLines) << c.address;
    const auto requests = Simulator::Requests();
    ASSERT_FALSE(requests.empty()) << c.address;
    EXPECT_EQ(requests.back().transport, "tls") << c.address;
    EXPECT_EQ(requests.back().line.rfind("GET /", 0), 0u) << c.address;
  }
}

}  // namespace
}  // namespace vemlo

namespace vemlo {
namespace {

TEST_F(FetchTest, ACycleFetchesAndArchivesThePage) {
  test::TempDir dir;
  CollectState state;
  Collector collector(SystemFileSystem(), SystemLineKeyer());
  const FetchSettings settings{"admin", "pw", Simulator::Url("/basic=admin:pw/gzip/system.log")};
  for (int i = 0; i < 2; ++i)
    collector.RunCycle(state, [&] { return FetchLog(settings); }, [&] { return dir.Path(); });
  EXPECT_EQ(test::ReadBytes(dir / "2024/20240131.log"), kPage);

  // A failed fetch reads and writes nothing and leaves the state alone.
  const CollectState before = state;
  test::WriteBytes(dir / "2024/20240131.log", "kept");
  EXPECT_THROW(collector.RunCycle(
                   state, [&] { return FetchLog({"admin", "bad", settings.address}); }, [&] { return dir.Path(); }),
               Error);
  EXPECT_EQ(test::ReadBytes(dir / "2024/20240131.log"), "kept");
  EXPECT_EQ(state.logFile, before.logFile);
}

}  // namespace
}  // namespace vemlo
