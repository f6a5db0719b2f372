#include <windows.h>

#include "util/error.h"
#include "util/file_system.h"
#include "util/texts.h"
#include "util/win_handles.h"

namespace vemlo {
namespace {

class WinFileSystem : public FileSystem {
 public:
  PathRules Rules() const override { return PathRules::Windows(SystemDbcs()); }

  bool IsFile(const std::string& path) override {
    WIN32_FIND_DATAA data;
    UniqueFind find(::FindFirstFileA(path.c_str(), &data));
    if (find) return (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
    // Only "no such file" means absent: a day file that cannot be looked at
    // must not pass for an empty day and be saved over.
    const DWORD error = ::GetLastError();
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND || error == ERROR_INVALID_NAME) return false;
    Fail(Format(texts::kFileCannotOpen, path.c_str()));
  }

  bool IsFolder(const std::string& path) override {
    const DWORD attributes = ::GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  }

  bool MakeFolder(const std::string& path) override { return ::CreateDirectoryA(path.c_str(), nullptr) != FALSE; }

  std::string ReadFile(const std::string& path, size_t maxBytes) override {
    UniqueFile file(::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) Fail(Format(texts::kFileCannotOpen, path.c_str()));
    std::string bytes;
    char buffer[65536];
    for (;;) {
      DWORD n = 0;
      if (!::ReadFile(file.Get(), buffer, sizeof buffer, &n, nullptr)) Fail(Format(texts::kFileCannotOpen, path.c_str()));
      if (n == 0) break;
      if (bytes.size() + n > maxBytes) Fail(Format(texts::kFileTooLarge, path.c_str()));
      bytes.append(buffer, n);
    }
    return bytes;
  }

  void ReplaceFile(const std::string& path, std::string_view bytes) override {
    const std::string temp = TemporaryPathFor(path);
    {
      // No sharing while it is written, as for the day file itself.
      UniqueFile file(::CreateFileA(temp.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
      if (!file) Fail(Format(texts::kFileCannotCreate, path.c_str()));
      if (!WriteAll(file.Get(), bytes) || !::FlushFileBuffers(file.Get())) {
        file.Reset();
        ::DeleteFileA(temp.c_str());
        Fail(texts::kStreamWriteError);
      }
    }
    // MoveFileEx rather than ReplaceFile: Wine's ReplaceFile deletes the
    // target before renaming, leaving a moment with no day file at all.
    if (!::MoveFileExA(temp.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
      ::DeleteFileA(temp.c_str());
      Fail(Format(texts::kFileCannotCreate, path.c_str()));
    }
  }

 private:
  static bool WriteAll(HANDLE file, std::string_view bytes) {
    while (!bytes.empty()) {
      const DWORD chunk = bytes.size() > 0x10000000 ? 0x10000000 : static_cast<DWORD>(bytes.size());
      DWORD written = 0;
      if (!::WriteFile(file, bytes.data(), chunk, &written, nullptr) || written == 0) return false;
      bytes.remove_prefix(written);
    }
    return true;
  }
};

}  // namespace

FileSystem& SystemFileSystem() {
  static WinFileSystem fs;
  return fs;
}

}  // namespace vemlo
