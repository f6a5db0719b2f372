#include "collect/day_list.h"

#include <cstring>

#include "collect/lines.h"

namespace vemlo {

uint64_t HashBytes(std::string_view bytes) {
  // Eight bytes at a time with a multiply-xorshift mix: fast and well spread
  // for lines that share long prefixes (time stamps).
  uint64_t h = 0x9E3779B97F4A7C15ull ^ bytes.size();
  size_t i = 0;
  for (; i + 8 <= bytes.size(); i += 8) {
    uint64_t chunk;
    std::memcpy(&chunk, bytes.data() + i, 8);
    h = (h ^ chunk) * 0xBF58476D1CE4E5B9ull;
    h ^= h >> 31;
  }
  uint64_t tail = 0;
  if (i < bytes.size()) std::memcpy(&tail, bytes.data() + i, bytes.size() - i);
  h = (h ^ tail) * 0x94D049BB133111EBull;
  h ^= h >> 29;
  return h;
}

void DayList::Clear() {
  text_.clear();
  lines_.clear();
  slots_.clear();
}

void DayList::AssignFileBytes(std::string_view bytes) {
  Clear();
  text_.reserve(bytes.size() + bytes.size() / 16 + 2);
  // Size the index once for the file's lines instead of growing it step by step.
  size_t breaks = 0;
  for (char c : bytes) breaks += c == '\n';
  lines_.reserve(breaks + 1);
  size_t slots = 64;
  while (slots < (breaks + 1) * 2) slots *= 2;
  slots_.assign(slots, 0);
  ForEachLine(bytes, [&](std::string_view line) {
    keyer_.Key(line, key_);
    Append(line, HashBytes(key_));
  });
}

bool DayList::AddUnlessPresent(std::string_view line) {
  keyer_.Key(line, key_);
  const uint64_t hash = HashBytes(key_);
  if (Contains(hash)) return false;
  Append(line, hash);
  return true;
}

bool DayList::Contains(uint64_t hash) const {
  if (slots_.empty()) return false;
  const size_t mask = slots_.size() - 1;
  for (size_t s = hash & mask;; s = (s + 1) & mask) {
    const uint32_t slot = slots_[s];
    if (slot == 0) return false;
    const Entry& e = lines_[slot - 1];
    if (e.hash != hash) continue;
    keyer_.Key(std::string_view(text_).substr(e.offset, e.length), otherKey_);
    if (otherKey_ == key_) return true;
  }
}

void DayList::Append(std::string_view line, uint64_t hash) {
  lines_.push_back({text_.size(), line.size(), hash});
  text_.append(line.data(), line.size());
  text_ += "\r\n";
  if (lines_.size() * 2 > slots_.size()) {
    Grow();
    return;
  }
  const size_t mask = slots_.size() - 1;
  size_t s = hash & mask;
  while (slots_[s] != 0) s = (s + 1) & mask;
  slots_[s] = static_cast<uint32_t>(lines_.size());
}

void DayList::Grow() {
  size_t size = slots_.empty() ? 64 : slots_.size();
  while (lines_.size() * 2 > size) size *= 2;
  slots_.assign(size, 0);
  const size_t mask = size - 1;
  for (size_t i = 0; i < lines_.size(); ++i) {
    size_t s = lines_[i].hash & mask;
    while (slots_[s] != 0) s = (s + 1) & mask;
    slots_[s] = static_cast<uint32_t>(i + 1);
  }
}

}  // namespace vemlo
