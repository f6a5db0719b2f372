#pragma once
// Shared helpers of the test programs: real temporary folders, files as
// bytes, and the router simulator the test run started.
#include <functional>
#include <string>
#include <vector>

namespace vemlo::test {

// A fresh folder, removed with everything in it at the end of the test.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  // The folder's path in the system's spelling, without a final separator.
  const std::string& Path() const { return path_; }
  // Path() + separator + relative ("/" in relative becomes the separator).
  std::string operator/(const std::string& relative) const;

 private:
  std::string path_;
};

std::string NativePath(std::string posixStyle);
// The message of the vemlo::Error the action throws, or "(no error)".
std::string ErrorOf(const std::function<void()>& action);
std::string ReadBytes(const std::string& path);
void WriteBytes(const std::string& path, const std::string& bytes);
bool Exists(const std::string& path);
// Every file below folder, as paths relative to it with "/" separators, sorted.
std::vector<std::string> ListFiles(const std::string& folder);

// The folder on a 64 KiB disk that tests/with-small-disk mounted, in the
// system's spelling; empty when there is none.
std::string SmallDisk();

// The router simulator of this test run (tests/with-sim).
struct Simulator {
  static bool Available();
  static int Port();
  static int TlsPort();
  static int TlsExpiredPort();
  // Serves body under /<name>, and behind option segments.
  static void SetBody(const std::string& name, const std::string& body);
  // "http://127.0.0.1:PORT" + path.
  static std::string Url(const std::string& path);
  // The requests it has recorded since the last ClearRequests.
  struct Request {
    std::string line, version, userAgent, authScheme, user, password, transport, status;
  };
  static std::vector<Request> Requests();
  static void ClearRequests();
};

}  // namespace vemlo::test
