#include "shell/accelerators.h"

#include <cstring>

namespace vemlo {
namespace {

char Upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 0x20) : c; }

bool Usable(char c) { return c != '\0' && std::strchr(kAcceleratorChars, Upper(c)) != nullptr; }

// Byte index of the "&" that marks the accelerator, or npos.
size_t MarkOf(const std::string& caption, const Dbcs& dbcs) {
  for (size_t i = 0; i < caption.size(); ++i) {
    if (dbcs.IsLead(static_cast<unsigned char>(caption[i]))) {
      ++i;
      continue;
    }
    if (caption[i] != '&') continue;
    if (i + 1 >= caption.size()) return std::string::npos;
    if (caption[i + 1] == '&') {
      ++i;  // "&&" is a plain "&"
      continue;
    }
    return i;
  }
  return std::string::npos;
}

bool HoldsDoubleByte(const std::string& caption, const Dbcs& dbcs) {
  for (char c : caption)
    if (dbcs.IsLead(static_cast<unsigned char>(c))) return true;
  return false;
}

}  // namespace

char AcceleratorOf(const std::string& caption, const Dbcs& dbcs) {
  const size_t mark = MarkOf(caption, dbcs);
  return mark == std::string::npos ? '\0' : Upper(caption[mark + 1]);
}

void AssignAccelerators(std::vector<std::string>& captions, const Dbcs& dbcs, bool doubleByteCodePage) {
  std::string claimed;
  std::vector<bool> has(captions.size(), false);
  for (size_t i = 0; i < captions.size(); ++i) {
    std::string& caption = captions[i];
    if (caption == kSeparatorCaption) continue;
    const size_t mark = MarkOf(caption, dbcs);
    if (mark == std::string::npos) continue;
    const char c = Upper(caption[mark + 1]);
    if (claimed.find(c) != std::string::npos) {
      caption.erase(mark, 1);  // taken by an earlier item
    } else {
      claimed += c;
      has[i] = true;
    }
  }
  for (size_t i = 0; i < captions.size(); ++i) {
    std::string& caption = captions[i];
    if (caption == kSeparatorCaption || has[i]) continue;
    size_t at = std::string::npos;
    for (size_t j = 0; j < caption.size(); ++j) {
      if (dbcs.IsLead(static_cast<unsigned char>(caption[j]))) {
        ++j;
        continue;
      }
      if (Usable(caption[j]) && claimed.find(Upper(caption[j])) == std::string::npos) {
        at = j;
        break;
      }
    }
    if (doubleByteCodePage && HoldsDoubleByte(caption, dbcs)) {
      char c = '\0';
      if (at != std::string::npos) {
        c = Upper(caption[at]);
      } else {
        for (const char* p = kAcceleratorChars + std::strlen(kAcceleratorChars); p != kAcceleratorChars;)
          if (claimed.find(*--p) == std::string::npos) {
            c = *p;
            break;
          }
      }
      if (c == '\0') continue;
      const std::string suffix = std::string("(&") + c + ")";
      const size_t dots = caption.size() >= 3 && caption.compare(caption.size() - 3, 3, "...") == 0
                              ? caption.size() - 3
                              : caption.size();
      caption.insert(dots, suffix);
      claimed += c;
    } else if (at != std::string::npos) {
      claimed += Upper(caption[at]);
      caption.insert(at, "&");
    }
  }
}

}  // namespace vemlo
