#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "settings/ini_text.h"
#include "settings/profile.h"
#include "util/error.h"
#include "util/texts.h"
#include "util/unique.h"
#include "util/posix_io.h"

namespace vemlo {
namespace {

// Far beyond any settings file; a larger file is not read into memory.
constexpr size_t kMaxProfileBytes = 16u << 20;


enum class Loaded { kRead, kMissing, kFailed };

Loaded Load(const std::string& path, std::string& bytes) {
  // Non-blocking: a FIFO in the file's place must not hang the program.
  UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
  if (!fd) return errno == ENOENT ? Loaded::kMissing : Loaded::kFailed;
  struct stat st;
  if (::fstat(fd.Get(), &st) != 0 || !S_ISREG(st.st_mode)) return Loaded::kFailed;
  char buffer[65536];
  for (;;) {
    const ssize_t n = ::read(fd.Get(), buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return Loaded::kFailed;
    if (n == 0) return Loaded::kRead;
    if (bytes.size() + static_cast<size_t>(n) > kMaxProfileBytes) return Loaded::kFailed;
    bytes.append(buffer, static_cast<size_t>(n));
  }
}



// The file's new content as one step: a new file beside it, flushed and
// renamed over it, so a failure leaves the old file whole. Not the archive's
// ReplaceFile: this one needs a private mode from the start and a temporary
// name of its own for each writer.
bool Replace(const std::string& path, std::string_view bytes, mode_t mode) {
  std::string temp = path + ".XXXXXX";
  UniqueFd fd(::mkostemp(&temp[0], O_CLOEXEC));  // mode 0600
  if (!fd) return false;
  bool ok = ::fchmod(fd.Get(), mode) == 0 && WriteAll(fd.Get(), bytes) && ::fsync(fd.Get()) == 0;
  ok = ::close(fd.Release()) == 0 && ok;
  if (!ok || ::rename(temp.c_str(), path.c_str()) != 0) {
    ::unlink(temp.c_str());
    return false;
  }
  UniqueFd folder(::open(FolderOfPath(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (folder) ::fsync(folder.Get());
  return true;
}

}  // namespace

std::optional<std::string> FileProfile::Read(const std::string& section, const std::string& key) {
  std::string bytes;
  // A file that cannot be read gives the defaults, as on Windows.
  if (Load(path_, bytes) != Loaded::kRead) return std::nullopt;
  return IniText(std::move(bytes), SystemDbcs()).Get(section, key);
}

void FileProfile::Write(const std::string& section, const std::string& key, const std::string& value) {
  std::string bytes;
  const Loaded loaded = Load(path_, bytes);
  // A file that is there but cannot be read is never replaced by one that
  // would lose its other sections. A read-only file stays as it is, though
  // the rename could replace it.
  mode_t mode = 0600;
  if (loaded == Loaded::kRead) {
    struct stat st;
    if (::stat(path_.c_str(), &st) != 0 || ::faccessat(AT_FDCWD, path_.c_str(), W_OK, AT_EACCESS) != 0)
      Fail(Format(texts::kCannotWriteIni, path_.c_str()));
    mode = st.st_mode & 07777;
  } else if (loaded == Loaded::kFailed) {
    Fail(Format(texts::kCannotWriteIni, path_.c_str()));
  }
  IniText ini(std::move(bytes), SystemDbcs());
  ini.Set(section, key, value);
  if (!Replace(path_, ini.Bytes(), mode)) Fail(Format(texts::kCannotWriteIni, path_.c_str()));
}

}  // namespace vemlo
