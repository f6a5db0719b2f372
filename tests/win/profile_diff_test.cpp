// IniText against the system's own profile functions: the same writes and
// reads through WritePrivateProfileStringA/GetPrivateProfileStringA on a real
// file and through IniText in memory, then the files and the values compared.
// Where they must differ the case says why, pins IniText's own result, and
// fails once Wine agrees, so that the mark does not outlive its reason.
#include <gtest/gtest.h>
#include <windows.h>

#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "settings/ini_text.h"
#include "support/test_support.h"

namespace vemlo {
namespace {

using namespace std::string_literals;
using test::ReadBytes;
using test::TempDir;
using test::WriteBytes;

const std::optional<std::string> kAbsent;

struct Op {
  bool write;
  std::string section, key, value;
  // A read whose value Wine gives otherwise: why, and IniText's value.
  const char* wineDiffers = nullptr;
  std::optional<std::string> iniValue = std::nullopt;
};

Op W(std::string section, std::string key, std::string value) { return {true, section, key, value}; }
Op R(std::string section, std::string key) { return {false, section, key, ""}; }
Op R(std::string section, std::string key, const char* why, std::optional<std::string> iniValue) {
  return {false, section, key, "", why, iniValue};
}

struct DiffCase {
  const char* name;
  std::optional<std::string> start;  // nothing: no file
  std::vector<Op> ops;
  // Where Wine's file differs: why, and the bytes IniText gives.
  const char* wineDiffers = nullptr;
  std::string iniBytes = "";
};

std::string Show(const std::optional<std::string>& v) {
  if (!v) return "(absent)";
  std::string out = "\"";
  for (unsigned char c : *v) {
    if (c >= 0x20 && c < 0x7F) {
      out += static_cast<char>(c);
    } else {
      char hex[8];
      snprintf(hex, sizeof hex, "\\x%02X", c);
      out += hex;
    }
  }
  return out + "\"";
}

std::optional<std::string> ApiRead(const std::string& path, const std::string& section, const std::string& key) {
  auto read = [&](const char* fallback) {
    char buffer[2048] = {};
    const DWORD n =
        ::GetPrivateProfileStringA(section.c_str(), key.c_str(), fallback, buffer, sizeof buffer, path.c_str());
    return std::string(buffer, n);
  };
  const std::string value = read("<absent-1>");
  if (value == "<absent-1>" && read("<absent-2>") == "<absent-2>") return std::nullopt;
  return value;
}

void Check(const DiffCase& c) {
  TempDir dir;
  const std::string winePath = dir / "wine.ini";
  if (c.start) WriteBytes(winePath, *c.start);
  IniText ini(c.start.value_or(""), Dbcs::ShiftJis());
  std::set<std::pair<std::string, std::string>> keys;
  for (const Op& op : c.ops) {
    keys.insert({op.section, op.key});
    const std::string what =
        "[" + std::string(c.name) + "] " + (op.write ? "write " : "read ") + op.section + "/" + op.key;
    if (op.write) {
      EXPECT_TRUE(::WritePrivateProfileStringA(op.section.c_str(), op.key.c_str(), op.value.c_str(), winePath.c_str()))
          << what;
      ini.Set(op.section, op.key, op.value);
      continue;
    }
    const std::optional<std::string> wine = ApiRead(winePath, op.section, op.key);
    const std::optional<std::string> mine = ini.Get(op.section, op.key);
    if (!op.wineDiffers) {
      EXPECT_EQ(Show(mine), Show(wine)) << what;
    } else {
      EXPECT_EQ(Show(mine), Show(op.iniValue)) << what << " (" << op.wineDiffers << ")";
      EXPECT_NE(Show(wine), Show(mine)) << what << ": Wine now agrees; drop the mark";
    }
  }
  const std::string wineBytes = test::Exists(winePath) ? ReadBytes(winePath) : "";
  if (!c.wineDiffers) {
    EXPECT_EQ(Show(ini.Bytes()), Show(wineBytes)) << "[" << c.name << "] file";
  } else {
    EXPECT_EQ(Show(ini.Bytes()), Show(c.iniBytes)) << "[" << c.name << "] file (" << c.wineDiffers << ")";
    EXPECT_NE(Show(wineBytes), Show(ini.Bytes())) << "[" << c.name << "] file: Wine now agrees; drop the mark";
  }
  // Whatever the bytes, the system's own reader must find the same in
  // IniText's file as in its own.
  const std::string iniPath = dir / "ini.ini";
  WriteBytes(iniPath, ini.Bytes());
  for (const auto& [section, key] : keys) {
    EXPECT_EQ(Show(ApiRead(iniPath, section, key)), Show(ApiRead(winePath, section, key)))
        << "[" << c.name << "] meaning of " << section << "/" << key;
  }
}

// Wine rewrites the whole file from what it parsed, so it keeps no byte of
// the layout: blank lines, blanks around names and values, text after "]",
// bare CR or LF line ends, bytes after a NUL. IniText changes only the line it
// writes (the Windows profile functions edit the file's text, too).
constexpr char kWineRewrites[] = "Wine rewrites every line of the file";

const std::string k3000(3000, 'a');

std::string Hiragana(int count) {
  std::string text;
  for (int i = 0; i < count; ++i) text += "\x82\xA0";
  return text;
}

TEST(ProfileDiff, IniTextDoesWhatTheSystemDoes) {
  const DiffCase cases[] = {
      {"missing file",
       std::nullopt,
       {W("u", "k", "v"), W("u", "j", "2"), W("v", "a", "1"), R("u", "k"), R("v", "a"), R("w", "a")}},
      {"empty file", "", {W("u", "k", "v"), R("u", "k")}},
      {"other users' sections",
       "[hanako]\r\nSetupTop=5\r\nAtermPassword=hers\r\n[jiro]\r\nSetupTop=7\r\n",
       {W("taro", "SetupTop", "1"), W("taro", "AtermPassword", "mine"), R("hanako", "AtermPassword"),
        R("taro", "AtermPassword"), R("jiro", "AtermPassword")}},
      {"own section among others",
       "[a]\r\nx=1\r\n[taro]\r\nSetupTop=1\r\nSetupWidth=300\r\n[b]\r\ny=2\r\n",
       {W("taro", "SetupTop", "2"), W("taro", "SetupLeft", "3"), R("a", "x"), R("b", "y")}},
      {"duplicate keys", "[u]\r\nk=1\r\nK=2\r\n", {R("u", "k"), W("U", "K", "9"), R("u", "k")}},
      {"duplicate sections", "[u]\r\na=1\r\n[U]\r\nk=3\r\n", {R("u", "k"), W("u", "k", "4"), R("U", "k")}},
      {"blank lines",
       "\r\n[u]\r\nk=1\r\n\r\n\r\n[v]\r\nj=2\r\n\r\n",
       {W("u", "x", "1"), R("v", "j"), R("u", "x")},
       kWineRewrites,
       "\r\n[u]\r\nk=1\r\nx=1\r\n\r\n\r\n[v]\r\nj=2\r\n\r\n"},
      {"comments",
       "; Vemlo\r\n[u]\r\n; the router\r\nk=1\r\n;c=2\r\n#d\r\n",
       {R("u", ";c"), R("u", "#d"), R("u", "k"), W("u", "j", "3")}},
      {"equals sign in a value", "[u]\r\nk=x=y\r\n", {R("u", "k"), W("u", "j", "a=b=c"), R("u", "j")}},
      {"quoted values",
       "[u]\r\nd=\"q\"\r\ns='q'\r\nb= \" a \" \r\nh=\"x\r\ne=\"\"\r\nm=\"a'\r\n",
       {R("u", "d"), R("u", "s"), R("u", "b"), R("u", "h"), R("u", "e"), R("u", "m")}},
      {"quoted value written", "", {W("u", "n", "\"w\""), R("u", "n"), W("u", "o", "'x'"), R("u", "o")}},
      {"very long value written", "", {W("u", "k", k3000), R("u", "k")}},
      {"very long value stored", "[u]\r\nk=" + k3000 + "\r\nq=\"" + k3000 + "\"\r\n", {R("u", "k"), R("u", "q")}},
      {"quoted value of the longest length",
       "[u]\r\nk=\"" + k3000.substr(0, 2047) + "\"\r\n",
       {R("u", "k", "Wine cuts the value before it takes the quotes off, then drops its last byte for the quote",
          k3000.substr(0, 2047))}},
      {"long double-byte value",
       "[u]\r\nk=" + Hiragana(1500) + "\r\n",
       {R("u", "k",
          "Wine's conversion to ANSI overflows and leaves the last byte unset; IniText stops before "
          "the character that does not fit",
          Hiragana(1023))}},
      {"no final line break: new key", "[u]\r\nk=1", {W("u", "j", "2"), R("u", "k")}},
      {"no final line break: new section", "[a]\r\nx=1", {W("u", "k", "v"), R("a", "x")}},
      {"no final line break: changed key", "[u]\r\nk=1", {W("u", "k", "2")}, kWineRewrites, "[u]\r\nk=2"},
      {"letter case of names",
       "[UsEr]\r\nKeY=1\r\n",
       {R("user", "key"), W("USER", "KEY", "2"), W("user", "Other", "3"), R("uSeR", "oTHER")}},
      {"blanks around names and values, already plain",
       "[u]\r\nk=1\r\n",
       {W("u", "j", "   "), W(" u\t", "\tk ", " \t2  "), R("u", "k"), R("u", "j")}},
      {"trailing blanks of a value written before",
       "",
       {W("u", "k", "2  "), W("u", "j", "3"), R("u", "k")},
       "Wine loads the file again for its next call, drops the trailing blanks of k's value as it parses it, and "
       "writes the whole file without them",
       "[u]\r\nk=2  \r\nj=3\r\n"},
      {"blanks around names and values",
       "  [ u ]  \r\n  k \t=  1  \r\n",
       {R("u", "k"), R(" u ", " k "), W(" u ", " j ", "  2  "), R("u", "j"), W("u", "k", "3")},
       kWineRewrites,
       "  [ u ]  \r\n  k \t=3\r\nj=2  \r\n"},
      {"other blanks",
       "[u]\r\nk=\v\x1a"
       "1\x1a\f\r\n",
       {R("u", "k")}},
      {"full-width space is no blank", "[u]\r\nk=\x81\x40v\x81\x40\r\n", {R("u", "k")}},
      {"line without equals sign", "[u]\r\nk\r\nk=1\r\n", {R("u", "k"), W("u", "k", "2"), R("u", "k")}},
      {"LF and CR line ends",
       "[u]\nk=1\rj=2\r\n",
       {R("u", "j"), W("u", "k", "3"), R("u", "k")},
       kWineRewrites,
       "[u]\nk=3\rj=2\r\n"},
      {"text after ]",
       "[u] ; note\r\nk=1\r\n",
       {R("u", "k"), W("u", "k", "2")},
       kWineRewrites,
       "[u] ; note\r\nk=2\r\n"},
      {"header without ]", "[u\r\nk=1\r\n", {R("u", "k"), R("", "k"), W("u", "k", "z"), R("u", "k")}},
      {"keys before the first section",
       "x=1\r\n[u]\r\nk=1\r\n",
       {R("", "x"), W("", "x", "2"), W("", "y", "3"), R("u", "k")}},
      {"NUL byte in a value",
       "[u]\r\nk=a\0b\r\nj=2\r\n"s,
       {R("u", "k"), W("u", "j", "3"), R("u", "j")},
       kWineRewrites,
       "[u]\r\nk=a\0b\r\nj=3\r\n"s},
      {"NUL byte before the equals sign", "[u]\r\nk\0x=1\r\nj\0=2\r\n"s, {R("u", "k"), R("u", "j")}},
      {"NUL byte in a header", "[u\0x]\r\nk=1\r\n"s, {R("u", "k"), R("u\0y"s, "k")}},
      {"blank before a NUL byte", "[u]\r\nk=1 \0 \r\n"s, {R("u", "k")}},
      {"double-byte names",
       "[\x83\x41]\r\nk=1\r\n",
       {R("\x83\x61", "k"), R("\x83\x41", "k"), W("\x83\x61", "k", "2"), R("\x83\x61", "k")}},
      {"full-width letters do not fold", "[\x82\x60]\r\nk=1\r\n", {R("\x82\x81", "k"), R("\x82\x60", "k")}},
      {"trail byte ] closes no header", "[\x83\x5D\r\nk=1\r\n", {R("", "k"), R("\x83\x5D", "k")}},
      {"double-byte values",
       "",
       {W("\x91\xBE\x98\x59", "SaveFolder", "C:\\\x83\x5C\x83\x74\x83\x67\\"), R("\x91\xBE\x98\x59", "SaveFolder")}},
      {"lead byte without its trail byte",
       "[u]\r\nk=\x82\r\n",
       {R("u", "k", "Wine reads the file through Unicode, which turns the lone byte into \"\x81\x45\"", "\x82"s),
        W("u", "j", "1")},
       kWineRewrites,
       "[u]\r\nk=\x82\r\nj=1\r\n"},
      {"UTF-8 byte order mark", "\xEF\xBB\xBF[u]\r\nk=1\r\n", {R("u", "k"), W("u", "j", "2"), R("u", "j")}},
      {"UTF-8 text after a byte order mark",
       "\xEF\xBB\xBF[u]\r\nk=\xE3\x81\x82\r\n",
       {R("u", "k", "Wine converts a file with the UTF-8 byte order mark to ANSI; IniText passes bytes on",
          "\xE3\x81\x82"s)}},
      {"line break in a value written", "", {W("u", "k", "a\r\n[v]\r\nx=1"), R("u", "k"), R("v", "x")}},
      {"same value again", "[u]\r\nk=1\r\n", {W("u", "k", "1"), R("u", "k")}},
      {"empty value", "[u]\r\nk=\r\n", {R("u", "k"), W("u", "j", ""), R("u", "j")}},
  };
  for (const DiffCase& c : cases) Check(c);
}

}  // namespace
}  // namespace vemlo
