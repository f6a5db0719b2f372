#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "util/error.h"
#include "util/file_system.h"
#include "util/texts.h"
#include "util/unique.h"
#include "util/posix_io.h"

namespace vemlo {
namespace {




class PosixFileSystem : public FileSystem {
 public:
  PathRules Rules() const override { return PathRules::Posix(); }

  bool IsFile(const std::string& path) override {
    struct stat st;
    if (::stat(path.c_str(), &st) == 0) return !S_ISDIR(st.st_mode);
    // Only "no such file" means absent: a day file that cannot be looked at
    // must not pass for an empty day and be saved over.
    if (errno == ENOENT || errno == ENOTDIR) return false;
    Fail(Format(texts::kFileCannotOpen, path.c_str()));
  }

  bool IsFolder(const std::string& path) override {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
  }

  bool MakeFolder(const std::string& path) override { return ::mkdir(path.c_str(), 0777) == 0; }

  std::string ReadFile(const std::string& path, size_t maxBytes) override {
    // Non-blocking open and a regular-file check: a FIFO or device in the
    // archive must not hang the cycle.
    UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    struct stat st;
    if (!fd || ::fstat(fd.Get(), &st) != 0 || !S_ISREG(st.st_mode)) Fail(Format(texts::kFileCannotOpen, path.c_str()));
    std::string bytes;
    char buffer[65536];
    for (;;) {
      const ssize_t n = ::read(fd.Get(), buffer, sizeof buffer);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) Fail(Format(texts::kFileCannotOpen, path.c_str()));
      if (n == 0) break;
      if (bytes.size() + static_cast<size_t>(n) > maxBytes) Fail(Format(texts::kFileTooLarge, path.c_str()));
      bytes.append(buffer, static_cast<size_t>(n));
    }
    return bytes;
  }

  void ReplaceFile(const std::string& path, std::string_view bytes) override {
    const std::string temp = TemporaryPathFor(path);
    UniqueFd fd(::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666));
    if (!fd) Fail(Format(texts::kFileCannotCreate, path.c_str()));
    const bool written = WriteAll(fd.Get(), bytes) && ::fsync(fd.Get()) == 0;
    const bool closed = ::close(fd.Release()) == 0;
    if (!written || !closed) {
      ::unlink(temp.c_str());
      Fail(texts::kStreamWriteError);
    }
    if (::rename(temp.c_str(), path.c_str()) != 0) {
      ::unlink(temp.c_str());
      Fail(Format(texts::kFileCannotCreate, path.c_str()));
    }
    // The rename itself is durable only once its folder is flushed.
    UniqueFd folder(::open(FolderOfPath(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder) ::fsync(folder.Get());
  }
};

}  // namespace

FileSystem& SystemFileSystem() {
  static PosixFileSystem fs;
  return fs;
}

}  // namespace vemlo
