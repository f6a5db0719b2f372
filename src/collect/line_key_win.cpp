#include <windows.h>

#include "collect/line_key.h"

namespace vemlo {
namespace {

// Sort keys of LCMapStringA compare equal exactly when CompareStringA with the
// same flags calls the strings equal.
class SortKeyKeyer : public LineKeyer {
 public:
  void Key(std::string_view line, std::string& out) const override {
    if (line.empty()) {
      out.clear();
      return;
    }
    const int length = static_cast<int>(line.size());
    if (out.size() < line.size() * 4 + 16) out.resize(line.size() * 4 + 16);
    int n = ::LCMapStringA(LOCALE_USER_DEFAULT, kFlags, line.data(), length, &out[0], static_cast<int>(out.size()));
    if (n == 0) {
      n = ::LCMapStringA(LOCALE_USER_DEFAULT, kFlags, line.data(), length, nullptr, 0);
      out.resize(n > 0 ? static_cast<size_t>(n) : 0);
      if (n > 0) n = ::LCMapStringA(LOCALE_USER_DEFAULT, kFlags, line.data(), length, &out[0], n);
    }
    if (n <= 0) {
      // No sort key: fall back to the bytes, so the line stays distinct.
      out.assign(line);
      out.insert(out.begin(), '\x01');
      return;
    }
    out.resize(static_cast<size_t>(n));
  }

 private:
  static constexpr DWORD kFlags = LCMAP_SORTKEY | NORM_IGNORECASE;
};

}  // namespace

const LineKeyer& SystemLineKeyer() {
  static const SortKeyKeyer keyer;
  return keyer;
}

}  // namespace vemlo
