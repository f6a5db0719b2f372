#pragma once
// The lines of one day file while a cycle works on it: the lines as read,
// then the lines added, held as the bytes the day file will get (each line
// followed by CR LF), with a hash index of their keys so that the duplicate
// test costs the same for the first line of a day and the hundred-thousandth.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "collect/line_key.h"

namespace vemlo {

class DayList {
 public:
  explicit DayList(const LineKeyer& keyer) : keyer_(keyer) {}

  void Clear();
  // Replaces the content by the lines of a day file's bytes.
  void AssignFileBytes(std::string_view bytes);
  // Appends line unless an equal line (by the keyer) is present.
  // Returns whether it was appended.
  bool AddUnlessPresent(std::string_view line);

  size_t Count() const { return lines_.size(); }
  std::string_view Line(size_t i) const { return std::string_view(text_).substr(lines_[i].offset, lines_[i].length); }
  // The day file's bytes: every line followed by CR LF.
  const std::string& FileBytes() const { return text_; }

 private:
  struct Entry {
    size_t offset;
    size_t length;
    uint64_t hash;
  };

  void Append(std::string_view line, uint64_t hash);
  bool Contains(uint64_t hash) const;
  void Grow();

  const LineKeyer& keyer_;
  std::string text_;
  std::vector<Entry> lines_;
  std::vector<uint32_t> slots_;  // index + 1 into lines_, 0 for a free slot
  mutable std::string key_, otherKey_;
};

uint64_t HashBytes(std::string_view bytes);

}  // namespace vemlo
