#pragma once
// The settings file as the program sees it: one key read or written at a
// time, with the rules of the Windows profile functions (see IniText).
#include <optional>
#include <string>

namespace vemlo {

class Profile {
 public:
  virtual ~Profile() = default;
  // The key's value (cut to kMaxIniValueBytes), or nothing when the file, the
  // section or the key is missing. Reading never fails on a missing or
  // malformed file.
  virtual std::optional<std::string> Read(const std::string& section, const std::string& key) = 0;
  // Writes one key, creating the file and the section when they are missing,
  // and changes no other key. Throws Error "%s に書き込めません" with the
  // file's path when the file cannot be written.
  virtual void Write(const std::string& section, const std::string& key, const std::string& value) = 0;
};

// The profile of one file. Windows: GetPrivateProfileStringA and
// WritePrivateProfileStringA. POSIX: IniText over the file, which each write
// replaces as a whole (a new file beside it, flushed and renamed over it); a
// new file gets mode 0600, since it holds a password.
class FileProfile : public Profile {
 public:
  explicit FileProfile(std::string path) : path_(std::move(path)) {}
  const std::string& Path() const { return path_; }

  std::optional<std::string> Read(const std::string& section, const std::string& key) override;
  void Write(const std::string& section, const std::string& key, const std::string& value) override;

 private:
  std::string path_;
};

// The two defaults the Windows reading passes, one after the other when the
// first comes back: a value that equals one of them still reads as present.
inline constexpr char kAbsentProbeA[] = "\x01vemlo-absent-a\x01";
inline constexpr char kAbsentProbeB[] = "\x02vemlo-absent-b\x02";

}  // namespace vemlo
