// The About box's version line, read through the Windows version functions
// from real executables with and without version resources; the resources
// that vemlo.exe carries (version, manifest, icons, menu images); and the
// Windows directory with its final backslash.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "res/resource.h"
#include "support/test_support.h"
#include "util/bios.h"
#include "util/version_info.h"
#include "util/win_handles.h"

namespace vemlo {
namespace {

// The sample programs that tests/win/version_samples builds.
std::string Sample(const std::string& name) {
  return test::NativePath(std::string(VEMLO_VERSION_SAMPLES) + "/" + name + ".exe");
}

// The project's version in the four parts a file version has.
std::string FourPartVersion() {
  std::string version = VEMLO_PROJECT_VERSION;
  for (size_t dots = std::count(version.begin(), version.end(), '.'); dots < 3; ++dots) version += ".0";
  return version;
}

struct TextCase {
  const char* name;
  std::string path;
  int index;
  std::string expected;
};

void ExpectTexts(const std::vector<TextCase>& cases) {
  for (const TextCase& c : cases) {
    EXPECT_EQ(GetVersionInfoText(c.path, c.index), c.expected) << "[" << c.name << "] " << c.path;
  }
}

TEST(GetVersionInfoText, ReadsTheEntryFromTheTableOfTheFirstTranslation) {
  const std::string japanese = Sample("japanese");
  const std::string english = Sample("english");
  ExpectTexts({
      {"FileVersion, index 2", japanese, 2, "FileVersion : 1.0.0.7"},
      {"index 8 is FileVersion", japanese, 8, "FileVersion : 1.0.0.7"},
      {"index 100 is FileVersion", japanese, 100, "FileVersion : 1.0.0.7"},
      {"index -1 is FileVersion", japanese, -1, "FileVersion : 1.0.0.7"},
      {"INT_MIN is FileVersion", japanese, INT_MIN, "FileVersion : 1.0.0.7"},
      {"INT_MAX is FileVersion", japanese, INT_MAX, "FileVersion : 1.0.0.7"},
      {"ProductVersion, index 7", japanese, 7, "ProductVersion : 1.0"},
      // The ANSI view gives the value in the machine's code page: Shift-JIS.
      {"Japanese FileDescription as Shift-JIS", japanese, 1, "FileDescription : ログ保管テスト"},
      {"CompanyName absent", japanese, 0, "CompanyName : None"},
      {"InternalName absent", japanese, 3, "InternalName : None"},
      {"LegalCopyright absent", japanese, 4, "LegalCopyright : None"},
      {"OriginalFilename absent", japanese, 5, "OriginalFilename : None"},
      {"ProductName absent", japanese, 6, "ProductName : None"},
      {"040904B0, not the Japanese table beside it", english, 2, "FileVersion : 2.5.0.1"},
      {"CompanyName from 040904B0", english, 0, "CompanyName : Example Corp."},
      {"absent from 040904B0", english, 7, "ProductVersion : None"},
      // Only the first translation counts, though the second names a table
      // that holds the entry.
      {"first translation's table missing", Sample("first_translation_only"), 2, "FileVersion : None"},
  });
}

TEST(GetVersionInfoText, IsUnidentifiedWithoutVersionInformationOrTranslation) {
  test::TempDir dir;
  const std::string text = dir / "readme.txt";
  test::WriteBytes(text, "not a program\r\n");
  const std::string fake = dir / "fake.exe";
  test::WriteBytes(fake, "MZ");
  const struct {
    const char* name;
    std::string path;
  } files[] = {
      {"program without a version resource", Sample("no_version")},
      {"string table without translation", Sample("no_translation")},
      {"translation of two bytes", Sample("short_translation")},
      {"text file", text},
      {"two bytes named .exe", fake},
      {"missing file", dir / "missing.exe"},
      {"folder", dir.Path()},
      {"empty path", ""},
  };
  for (const auto& file : files) {
    for (int index : {0, 2, 7, 8, -1}) {
      EXPECT_EQ(GetVersionInfoText(file.path, index), "unidentified")
          << "[" << file.name << ", index " << index << "] " << file.path;
    }
  }
}

TEST(GetVersionInfoText, GivesEveryEntryOfVemloExe) {
  const std::string program = Sample("vemlo_resources");
  const std::string version = FourPartVersion();
  ExpectTexts({
      {"CompanyName", program, 0, "CompanyName : Brantor"},
      {"FileDescription", program, 1, "FileDescription : Vemlo"},
      {"FileVersion", program, 2, "FileVersion : " + version},
      {"InternalName", program, 3, "InternalName : vemlo"},
      {"LegalCopyright", program, 4, "LegalCopyright : Copyright (C) 2026 Brantor"},
      {"OriginalFilename", program, 5, "OriginalFilename : vemlo.exe"},
      {"ProductName", program, 6, "ProductName : Vemlo"},
      {"ProductVersion", program, 7, "ProductVersion : " + version},
      {"the About box's index", program, 99, "FileVersion : " + version},
  });
}

// The sample's resources, loaded as data: nothing of it runs.
class VemloResources : public testing::Test {
 protected:
  void SetUp() override {
    module_.Reset(::LoadLibraryExA(Sample("vemlo_resources").c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
    ASSERT_TRUE(module_) << ::GetLastError();
  }
  HMODULE Module() const { return module_.Get(); }

  std::string Bytes(LPCSTR name, LPCSTR type) const {
    HRSRC found = ::FindResourceA(Module(), name, type);
    if (found == nullptr) return "";
    HGLOBAL loaded = ::LoadResource(Module(), found);
    const void* data = loaded ? ::LockResource(loaded) : nullptr;
    return data ? std::string(static_cast<const char*>(data), ::SizeofResource(Module(), found)) : "";
  }

 private:
  UniqueModule module_;
};

// Explorer's "File version" comes from the fixed part, not from the string
// table; both must say the same.
TEST_F(VemloResources, FixedFileVersionMatchesTheText) {
  const std::string program = Sample("vemlo_resources");
  DWORD ignored = 0;
  std::vector<char> info(::GetFileVersionInfoSizeA(program.c_str(), &ignored));
  ASSERT_FALSE(info.empty());
  ASSERT_TRUE(::GetFileVersionInfoA(program.c_str(), 0, static_cast<DWORD>(info.size()), info.data()));
  void* fixed = nullptr;
  UINT length = 0;
  ASSERT_TRUE(::VerQueryValueA(info.data(), "\\", &fixed, &length));
  ASSERT_GE(length, sizeof(VS_FIXEDFILEINFO));
  const auto* f = static_cast<const VS_FIXEDFILEINFO*>(fixed);
  const auto text = [](DWORD ms, DWORD ls) {
    return std::to_string(HIWORD(ms)) + "." + std::to_string(LOWORD(ms)) + "." + std::to_string(HIWORD(ls)) + "." +
           std::to_string(LOWORD(ls));
  };
  EXPECT_EQ(text(f->dwFileVersionMS, f->dwFileVersionLS), FourPartVersion()) << "[file version]";
  EXPECT_EQ(text(f->dwProductVersionMS, f->dwProductVersionLS), FourPartVersion()) << "[product version]";
  EXPECT_EQ(f->dwFileType, static_cast<DWORD>(VFT_APP));
}

struct IconImage {
  int size, bits, colours;
  bool operator==(const IconImage& o) const { return size == o.size && bits == o.bits && colours == o.colours; }
};

// The images of an icon group (GRPICONDIR with its 14-byte entries).
std::vector<IconImage> IconGroup(const std::string& bytes) {
  std::vector<IconImage> images;
  if (bytes.size() < 6) return images;
  WORD count = 0;
  std::memcpy(&count, bytes.data() + 4, 2);
  for (size_t i = 0; i < count && 6 + 14 * (i + 1) <= bytes.size(); ++i) {
    const unsigned char* e = reinterpret_cast<const unsigned char*>(bytes.data()) + 6 + 14 * i;
    WORD bits = 0;
    std::memcpy(&bits, e + 6, 2);
    images.push_back({e[0] == 0 ? 256 : e[0], bits, e[2]});
  }
  return images;
}

BOOL CALLBACK CollectName(HMODULE, LPCSTR, LPSTR name, LONG_PTR list) {
  reinterpret_cast<std::vector<std::string>*>(list)->push_back(
      IS_INTRESOURCE(name) ? "#" + std::to_string(reinterpret_cast<ULONG_PTR>(name)) : name);
  return TRUE;
}

std::ostream& operator<<(std::ostream& out, const IconImage& i) {
  return out << i.size << "x" << i.size << " " << i.bits << " bpp " << i.colours << " colours";
}

TEST_F(VemloResources, AppIconComesFirstWithTwoSizesAndTheTrayIconHasSixteenColours) {
  std::vector<std::string> groups;
  ::EnumResourceNamesA(Module(), RT_GROUP_ICON, CollectName, reinterpret_cast<LONG_PTR>(&groups));
  ASSERT_FALSE(groups.empty());
  // Explorer and the task bar show the first group: named ones sort first.
  EXPECT_EQ(groups.front(), "#" + std::to_string(IDI_APP));

  const struct {
    const char* name;
    int id;
    std::vector<IconImage> images;
  } cases[] = {
      {"IDI_APP", IDI_APP, {{32, 32, 0}, {16, 32, 0}}},
      {"IDI_TRAY", IDI_TRAY, {{16, 4, 16}}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(IconGroup(Bytes(MAKEINTRESOURCEA(c.id), RT_GROUP_ICON)), c.images) << "[" << c.name << "]";
    for (const IconImage& image : c.images) {
      UniqueIcon icon(
          static_cast<HICON>(::LoadImageA(Module(), MAKEINTRESOURCEA(c.id), IMAGE_ICON, image.size, image.size, 0)));
      EXPECT_TRUE(icon) << "[" << c.name << " " << image.size << "]";
    }
  }
}

struct DcTraits {
  static HDC Empty() { return nullptr; }
  static void Close(HDC h) { ::DeleteDC(h); }
};
// A 32-bit top-down picture filled with one colour, to draw on and look at.
class Canvas {
 public:
  Canvas(int width, int height, COLORREF background) : width_(width) {
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    dc_.Reset(::CreateCompatibleDC(nullptr));
    bitmap_.Reset(::CreateDIBSection(dc_.Get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    bits_ = static_cast<const DWORD*>(bits);
    old_ = ::SelectObject(dc_.Get(), bitmap_.Get());
    UniqueGdiObject brush(::CreateSolidBrush(background));
    RECT all = {0, 0, width, height};
    ::FillRect(dc_.Get(), &all, static_cast<HBRUSH>(brush.Get()));
  }
  ~Canvas() { ::SelectObject(dc_.Get(), old_); }
  HDC Dc() const { return dc_.Get(); }
  bool Ready() const { return bits_ != nullptr; }
  COLORREF At(int x, int y) const {
    ::GdiFlush();
    const DWORD p = bits_[y * width_ + x];
    return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
  }
  int Count(int top, int bottom, const std::function<bool(COLORREF)>& match) const {
    int n = 0;
    for (int y = top; y < bottom; ++y)
      for (int x = 0; x < width_; ++x) n += match(At(x, y)) ? 1 : 0;
    return n;
  }

 private:
  int width_;
  Unique<HDC, DcTraits> dc_;
  UniqueGdiObject bitmap_;
  const DWORD* bits_ = nullptr;
  HGDIOBJ old_ = nullptr;
};

constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kRed = RGB(255, 0, 0);
constexpr COLORREF kGreen = RGB(0, 255, 0);

TEST_F(VemloResources, TrayIconIsAWhiteSquareFramedInBlackWithRedLettersBelow) {
  UniqueIcon icon(static_cast<HICON>(::LoadImageA(Module(), MAKEINTRESOURCEA(IDI_TRAY), IMAGE_ICON, 16, 16, 0)));
  ASSERT_TRUE(icon);
  Canvas canvas(16, 16, kGreen);
  ASSERT_TRUE(canvas.Ready());
  ASSERT_TRUE(::DrawIconEx(canvas.Dc(), 0, 0, icon.Get(), 16, 16, 0, nullptr, DI_NORMAL));
  for (int i = 0; i < 16; ++i) {
    for (auto [x, y] : {std::pair{i, 0}, {i, 15}, {0, i}, {15, i}}) {
      EXPECT_EQ(canvas.At(x, y), kBlack) << "[frame] " << x << "," << y;
    }
  }
  const auto white = [](COLORREF c) { return c == kWhite; };
  const auto red = [](COLORREF c) { return c == kRed; };
  const auto other = [](COLORREF c) { return c != kWhite && c != kRed && c != kBlack; };
  EXPECT_EQ(canvas.Count(1, 8, white), 7 * 14) << "[upper half]";
  EXPECT_EQ(canvas.Count(0, 16, red), canvas.Count(8, 15, red)) << "[letters in the lower half]";
  EXPECT_GE(canvas.Count(8, 15, red), 20) << "[letters]";
  EXPECT_EQ(canvas.Count(0, 16, other), 0) << "[colours]";
}

// The strip's pixels, top row first, as COLORREF values.
std::vector<COLORREF> Pixels(HBITMAP bitmap, int width, int height) {
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  std::vector<DWORD> bits(static_cast<size_t>(width) * height);
  Unique<HDC, DcTraits> dc(::CreateCompatibleDC(nullptr));
  if (::GetDIBits(dc.Get(), bitmap, 0, height, bits.data(), &info, DIB_RGB_COLORS) != height) return {};
  std::vector<COLORREF> pixels;
  for (DWORD p : bits) pixels.push_back(RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF));
  return pixels;
}

// The shell's way to the menu images: one strip into a masked image list.
// Drawn, every image shows its own pixels and lets the background through
// where the strip has the mask colour.
TEST_F(VemloResources, MenuStripGivesSevenMaskedImages) {
  constexpr int kSize = res::kMenuImageSize;
  constexpr int kWidth = kSize * res::kMenuImageCount;
  UniqueGdiObject strip(::LoadImageA(Module(), MAKEINTRESOURCEA(IDB_MENU), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
  ASSERT_TRUE(strip);
  BITMAP info = {};
  ASSERT_TRUE(::GetObjectA(strip.Get(), sizeof info, &info));
  ASSERT_EQ(info.bmWidth, kWidth);
  ASSERT_EQ(info.bmHeight, kSize);
  const std::vector<COLORREF> source = Pixels(static_cast<HBITMAP>(strip.Get()), kWidth, kSize);
  ASSERT_EQ(source.size(), static_cast<size_t>(kWidth * kSize));

  UniqueImageList list(::ImageList_Create(kSize, kSize, ILC_COLOR24 | ILC_MASK, 9, 4));
  ASSERT_TRUE(list);
  EXPECT_EQ(::ImageList_AddMasked(list.Get(), static_cast<HBITMAP>(strip.Get()), res::kMenuMaskColour), 0);
  ASSERT_EQ(::ImageList_GetImageCount(list.Get()), res::kMenuImageCount);

  for (int i = 0; i < res::kMenuImageCount; ++i) {
    Canvas canvas(kSize, kSize, kGreen);
    ASSERT_TRUE(canvas.Ready());
    ASSERT_TRUE(::ImageList_Draw(list.Get(), i, canvas.Dc(), 0, 0, ILD_TRANSPARENT)) << "[image " << i << "]";
    int transparent = 0, wrong = 0;
    for (int y = 0; y < kSize; ++y) {
      for (int x = 0; x < kSize; ++x) {
        const COLORREF own = source[y * kWidth + i * kSize + x];
        const bool clear = own == res::kMenuMaskColour;
        transparent += clear ? 1 : 0;
        const COLORREF expected = clear ? kGreen : own;
        if (canvas.At(x, y) != expected && wrong++ < 3) {
          ADD_FAILURE() << "[image " << i << "] pixel " << x << "," << y << ": " << std::hex << canvas.At(x, y)
                        << " instead of " << expected;
        }
      }
    }
    EXPECT_EQ(wrong, 0) << "[image " << i << "] pixels drawn wrong";
    EXPECT_GT(transparent, 0) << "[image " << i << "] no transparent pixel";
    EXPECT_LT(transparent, kSize * kSize) << "[image " << i << "] nothing drawn";
  }
}

DWORD RunToEnd(const std::string& program) {
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  std::string command = "\"" + program + "\"";
  if (!::CreateProcessA(program.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process)) {
    return 1000 + ::GetLastError();
  }
  UniqueHandle owner(process.hProcess), thread(process.hThread);
  if (::WaitForSingleObject(owner.Get(), 60000) != WAIT_OBJECT_0) return 999;
  DWORD code = 998;
  ::GetExitCodeProcess(owner.Get(), &code);
  return code;
}

TEST_F(VemloResources, ManifestAsksForCommonControlsSixAndGetsThem) {
  const std::string manifest = Bytes(MAKEINTRESOURCEA(1), RT_MANIFEST);
  for (const char* part : {"name=\"Microsoft.Windows.Common-Controls\"", "version=\"6.0.0.0\"",
                           "processorArchitecture=\"x86\"", "publicKeyToken=\"6595b64144ccf1df\""}) {
    EXPECT_NE(manifest.find(part), std::string::npos) << "[" << part << "]\n" << manifest;
  }
  // The samples exit with the version of the common controls they got.
  EXPECT_EQ(RunToEnd(Sample("vemlo_resources")), 6u) << "[with the manifest]";
  EXPECT_EQ(RunToEnd(Sample("no_version")), 5u) << "[without a manifest]";
}

TEST(AddBackslash, AppendsOneUnlessTheLastCharacterIsABackslash) {
  const struct {
    const char* name;
    std::string text, expected;
  } cases[] = {
      {"folder", "C:\\WINDOWS", "C:\\WINDOWS\\"},
      {"drive root", "C:\\", "C:\\"},
      {"ends in a backslash", "C:\\WINDOWS\\", "C:\\WINDOWS\\"},
      {"two backslashes stay two", "\\\\", "\\\\"},
      {"drive without folder", "C:", "C:\\"},
      {"one backslash", "\\", "\\"},
      {"empty stays empty", "", ""},
      // In Shift-JIS the second byte of ソ and 表 is 0x5C.
      {"ends in ソ", "C:\\ソ", "C:\\ソ\\"},
      {"ends in 表", "D:\\表", "D:\\表\\"},
      {"ソ then a backslash", "C:\\ソ\\", "C:\\ソ\\"},
      {"double-byte text only", "ソ", "ソ\\"},
  };
  ASSERT_EQ(std::string("ソ"), "\x83\x5C") << "the test runs with the Shift-JIS execution character set";
  for (const auto& c : cases) EXPECT_EQ(AddBackslash(c.text), c.expected) << "[" << c.name << "]";
}

TEST(GetWinDir, IsTheWindowsDirectoryWithOneFinalBackslash) {
  const std::string dir = GetWinDir();
  ASSERT_GE(dir.size(), 4u) << dir;
  EXPECT_EQ(dir.back(), '\\') << dir;
  EXPECT_NE(dir[dir.size() - 2], '\\') << dir;
  char system[MAX_PATH] = {};
  ASSERT_GT(::GetWindowsDirectoryA(system, MAX_PATH), 0u);
  EXPECT_EQ(dir, std::string(system) + "\\");
  // The open-log-folder command puts "explorer.exe " right after it.
  EXPECT_NE(::GetFileAttributesA((dir + "explorer.exe").c_str()), INVALID_FILE_ATTRIBUTES) << dir;
}

}  // namespace
}  // namespace vemlo
