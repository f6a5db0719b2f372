#pragma once
// The archive's only door to the system's files. Paths are byte strings in the
// system's own spelling (see PathRules).
#include <cstddef>
#include <string>
#include <string_view>

#include "util/path_rules.h"

namespace vemlo {

class FileSystem {
 public:
  virtual ~FileSystem() = default;

  virtual PathRules Rules() const = 0;
  // The path names an existing file, not a folder. Throws Error
  // "ファイル %s は開けません" when the system cannot tell (anything but "no
  // such file or folder").
  virtual bool IsFile(const std::string& path) = 0;
  virtual bool IsFolder(const std::string& path) = 0;
  // Creates one folder; false when it could not be made.
  virtual bool MakeFolder(const std::string& path) = 0;
  // The whole file, readers may share it but no writer. Throws Error
  // "ファイル %s は開けません", or the too-large text past maxBytes.
  virtual std::string ReadFile(const std::string& path, size_t maxBytes) = 0;
  // Replaces the file's content as one step: a new file beside it is written,
  // flushed and renamed over it, so a failure leaves the old content as it was
  // and no temporary file behind. Throws Error "ファイル %s を作成できません"
  // when the file cannot be created or replaced, "ストリームへの書き込みエラー"
  // when not every byte could be written.
  virtual void ReplaceFile(const std::string& path, std::string_view bytes) = 0;
};

FileSystem& SystemFileSystem();

// Name of the new file written beside path while it is replaced.
inline std::string TemporaryPathFor(const std::string& path) { return path + ".tmp"; }

}  // namespace vemlo
