// The INI rules of IniText on tables of files, and edits that must keep every
// byte they do not change.
#include "settings/ini_text.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

namespace vemlo {
namespace {

using namespace std::string_literals;

const std::optional<std::string> kAbsent;

std::string Show(const std::optional<std::string>& v) { return v ? "\"" + *v + "\"" : "(absent)"; }

struct GetCase {
  const char* name;
  std::string file;
  std::string section;
  std::string key;
  std::optional<std::string> expected;
  bool shiftJis = false;
};

TEST(IniTextGet, FollowsTheProfileRules) {
  const std::string a3000(3000, 'a');
  std::string hiragana;
  for (int i = 0; i < 1500; ++i) hiragana += "\x82\xA0";
  const GetCase cases[] = {
      {"empty file", "", "u", "k", kAbsent},
      {"plain key", "[u]\r\nk=1\r\n", "u", "k", "1"},
      {"missing section", "[u]\r\nk=1\r\n", "v", "k", kAbsent},
      {"missing key", "[u]\r\nk=1\r\n", "u", "j", kAbsent},
      {"key of another section", "[v]\r\nk=1\r\n[u]\r\nj=2\r\n", "u", "k", kAbsent},
      {"letter case of names", "[UsEr]\r\nKeY=1\r\n", "uSeR", "kEy", "1"},
      {"blanks around everything", "  [ u ]  \r\n \t k \t=\t v  w \t\r\n", "u", "k", "v  w"},
      {"blanks around the asked names", "[u]\r\nk=1\r\n", " \tu ", " k\t", "1"},
      {"other blanks", "[u]\r\nk=\v\f\x1a v \x1a\f\v\r\n", "u", "k", "v"},
      {"equals sign in the value", "[u]\r\nk=a=b==\r\n", "u", "k", "a=b=="},
      {"empty value", "[u]\r\nk=\r\n", "u", "k", ""},
      {"blank value", "[u]\r\nk=   \r\n", "u", "k", ""},
      {"line without equals sign", "[u]\r\nk\r\n", "u", "k", kAbsent},
      {"line without equals sign comes first", "[u]\r\nk\r\nk=1\r\n", "u", "k", kAbsent},
      {"duplicate keys: the first counts", "[u]\r\nk=1\r\nK=2\r\n", "u", "k", "1"},
      {"duplicate sections: the first counts", "[u]\r\na=1\r\n[U]\r\nk=3\r\n", "u", "k", kAbsent},
      {"double quotes", "[u]\r\nk=\"q\"\r\n", "u", "k", "q"},
      {"single quotes", "[u]\r\nk='s'\r\n", "u", "k", "s"},
      {"blanks inside quotes stay", "[u]\r\nk= \" a \" \r\n", "u", "k", " a "},
      {"empty quotes", "[u]\r\nk=\"\"\r\n", "u", "k", ""},
      {"one quote alone", "[u]\r\nk=\"\r\n", "u", "k", "\""},
      {"quotes that do not match", "[u]\r\nk=\"a'\r\n", "u", "k", "\"a'"},
      {"quote at the start only", "[u]\r\nk=\"abc\r\n", "u", "k", "\"abc"},
      {"comment with equals sign is a key", "[u]\r\n;c=1\r\n", "u", ";c", "1"},
      {"comment without equals sign", "[u]\r\n;c\r\n", "u", ";c", kAbsent},
      {"header without ]: no section", "[u\r\nk=1\r\n", "u", "k", kAbsent},
      {"header without ]: its lines stay in the section before", "[u\r\nk=1\r\n", "", "k", "1"},
      {"text after ] is ignored", "[u] ; note\r\nk=1\r\n", "u", "k", "1"},
      {"name up to the last ]", "[a]b]\r\nk=1\r\n", "a]b", "k", "1"},
      {"lines before the first section", "x=1\r\n[u]\r\nx=2\r\n", "", "x", "1"},
      {"LF line ends", "[u]\nk=1\nj=2", "u", "j", "2"},
      {"CR line ends", "[u]\rk=1\rj=2", "u", "j", "2"},
      {"CR alone ends a line", "[u]\r\na=1\rb=2\r\n", "u", "b", "2"},
      {"LF CR is two line ends", "[u]\n\rk=1\n\r", "u", "k", "1"},
      {"no final line break", "[u]\r\nk=1", "u", "k", "1"},
      {"NUL ends the value", "[u]\r\nk=a\0b\r\n"s, "u", "k", "a"},
      {"NUL before the equals sign ends the name", "[u]\r\nk\0x=1\r\n"s, "u", "k", "1"},
      {"NUL in a header ends the name", "[u\0x]\r\nk=1\r\n"s, "u", "k", "1"},
      {"blank before a NUL stays", "[u]\r\nk=1 \0 \r\n"s, "u", "k", "1 "},
      {"NUL ends the asked name", "[u]\r\nk=1\r\n", "u", "k\0zz"s, "1"},
      {"UTF-8 byte order mark", "\xEF\xBB\xBF[u]\r\nk=1\r\n", "u", "k", "1"},
      {"full-width space is no blank", "[u]\r\nk=\x81\x40v\x81\x40\r\n", "u", "k", "\x81\x40v\x81\x40", true},
      {"trail byte is no letter", "[\x83\x41]\r\nk=1\r\n", "\x83\x61", "k", kAbsent, true},
      {"double-byte name", "[\x83\x41]\r\nk=1\r\n", "\x83\x41", "k", "1", true},
      {"single-byte rules fold every byte", "[\x83\x41]\r\nk=1\r\n", "\x83\x61", "k", "1", false},
      {"full-width letters do not fold", "[\x82\x60]\r\nk=1\r\n", "\x82\x81", "k", kAbsent, true},
      {"trail byte ] closes no header", "[\x83\x5D\r\nk=1\r\n", "", "k", "1", true},
      {"single-byte rules see the ]", "[\x83\x5D\r\nk=1\r\n", "", "k", kAbsent, false},
      {"long value", "[u]\r\nk=" + a3000 + "\r\n", "u", "k", std::string(2047, 'a')},
      {"value of the longest length", "[u]\r\nk=" + a3000.substr(0, 2047), "u", "k", a3000.substr(0, 2047)},
      {"long value in quotes", "[u]\r\nk=\"" + a3000 + "\"\r\n", "u", "k", std::string(2047, 'a')},
      {"long value keeps whole characters", "[u]\r\nk=" + hiragana + "\r\n", "u", "k", hiragana.substr(0, 2046), true},
  };
  for (const GetCase& c : cases) {
    const IniText ini(c.file, c.shiftJis ? Dbcs::ShiftJis() : Dbcs::SingleByte());
    EXPECT_EQ(Show(ini.Get(c.section, c.key)), Show(c.expected)) << "[" << c.name << "]";
  }
}

struct Write {
  std::string section, key, value;
};

struct SetCase {
  const char* name;
  std::string file;
  std::vector<Write> writes;
  std::string expected;
};

TEST(IniTextSet, ChangesOnlyWhatItWrites) {
  const SetCase cases[] = {
      {"empty file", "", {{"u", "k", "v"}}, "[u]\r\nk=v\r\n"},
      {"keys in the order written",
       "",
       {{"u", "a", "1"}, {"u", "b", "2"}, {"v", "c", "3"}},
       "[u]\r\na=1\r\nb=2\r\n[v]\r\nc=3\r\n"},
      {"new section at the end, no blank line", "[a]\r\nx=1\r\n", {{"u", "k", "v"}}, "[a]\r\nx=1\r\n[u]\r\nk=v\r\n"},
      {"new section after a last line without break", "[a]\r\nx=1", {{"u", "k", "v"}}, "[a]\r\nx=1\r\n[u]\r\nk=v\r\n"},
      {"new key after a last line without break", "[u]\r\nx=1", {{"u", "k", "v"}}, "[u]\r\nx=1\r\nk=v\r\n"},
      {"new key after a lone header without break", "[u]", {{"u", "k", "v"}}, "[u]\r\nk=v\r\n"},
      {"new key at the end of its section",
       "[u]\r\nx=1\r\n[v]\r\ny=2\r\n",
       {{"u", "k", "v"}},
       "[u]\r\nx=1\r\nk=v\r\n[v]\r\ny=2\r\n"},
      {"new key before trailing blank lines",
       "[u]\r\nx=1\r\n\r\n\r\n[v]\r\n",
       {{"u", "k", "v"}},
       "[u]\r\nx=1\r\nk=v\r\n\r\n\r\n[v]\r\n"},
      {"new key after a comment line",
       "[u]\r\nx=1\r\n; note\r\n\r\n[v]\r\n",
       {{"u", "k", "v"}},
       "[u]\r\nx=1\r\n; note\r\nk=v\r\n\r\n[v]\r\n"},
      {"new key in an empty section", "[u]\r\n\r\n[v]\r\n", {{"u", "k", "v"}}, "[u]\r\nk=v\r\n\r\n[v]\r\n"},
      {"change keeps every other byte",
       "; top\r\n[a]\r\n  x = 1  \r\n\r\n[u]\nk=old\r\nj=2\r\n\r\n",
       {{"u", "k", "new"}},
       "; top\r\n[a]\r\n  x = 1  \r\n\r\n[u]\nk=new\r\nj=2\r\n\r\n"},
      {"change keeps the key's spelling and blanks",
       "[U]\r\n  K \t=  old  \r\n",
       {{"u", "k", "new"}},
       "[U]\r\n  K \t=new\r\n"},
      {"change keeps the line's own line end", "[u]\nk=1\nj=2", {{"u", "k", "2"}}, "[u]\nk=2\nj=2"},
      {"change of a last line without break", "[u]\r\nk=1", {{"u", "k", "2"}}, "[u]\r\nk=2"},
      {"change to an empty value", "[u]\r\nk=1\r\n", {{"u", "k", ""}}, "[u]\r\nk=\r\n"},
      {"duplicate keys: the first changes", "[u]\r\nk=1\r\nk=2\r\n", {{"u", "K", "9"}}, "[u]\r\nk=9\r\nk=2\r\n"},
      {"duplicate sections: the first gets the key",
       "[u]\r\na=1\r\n[U]\r\nk=3\r\n",
       {{"u", "k", "4"}},
       "[u]\r\na=1\r\nk=4\r\n[U]\r\nk=3\r\n"},
      {"line without equals sign gets a value", "[u]\r\nk  \r\nk=1\r\n", {{"u", "k", "v"}}, "[u]\r\nk=v\r\nk=1\r\n"},
      {"leading blanks of the value are dropped", "", {{"u", "k", " \t sp  "}}, "[u]\r\nk=sp  \r\n"},
      {"blank value", "", {{"u", "k", "   "}}, "[u]\r\nk=\r\n"},
      {"equals sign in the value", "", {{"u", "k", "a=b"}}, "[u]\r\nk=a=b\r\n"},
      {"quotes are written as they are", "", {{"u", "k", "\"q\""}}, "[u]\r\nk=\"q\"\r\n"},
      {"blanks around the names are dropped", "", {{" u\t", "\tk ", "v"}}, "[u]\r\nk=v\r\n"},
      {"NUL ends the value written", "", {{"u", "k", "a\0b"s}}, "[u]\r\nk=a\r\n"},
      {"line without equals sign but with a NUL", "[u]\r\nk\0x\r\n"s, {{"u", "k", "v"}}, "[u]\r\nk\0x=v\r\n"s},
      {"text hidden behind a NUL goes with the old value",
       "[u]\r\nk=a\0b\r\nj=1\r\n"s,
       {{"u", "k", "c"}},
       "[u]\r\nk=c\r\nj=1\r\n"},
      {"lines before the first section", "x=1\r\n[u]\r\n", {{"", "x", "2"}, {"", "y", "3"}}, "x=2\r\ny=3\r\n[u]\r\n"},
      {"first key before the first section", "[u]\r\n", {{"", "y", "3"}}, "y=3\r\n[u]\r\n"},
      {"byte order mark stays first",
       "\xEF\xBB\xBF[u]\r\nk=1\r\n",
       {{"u", "j", "2"}, {"", "x", "0"}},
       "\xEF\xBB\xBFx=0\r\n[u]\r\nk=1\r\nj=2\r\n"},
      {"header without ] is a line of the section before",
       "[a]\r\n[u\r\n",
       {{"u", "k", "v"}},
       "[a]\r\n[u\r\n[u]\r\nk=v\r\n"},
  };
  for (const SetCase& c : cases) {
    IniText ini(c.file);
    for (const Write& w : c.writes) ini.Set(w.section, w.key, w.value);
    EXPECT_EQ(ini.Bytes(), c.expected) << "[" << c.name << "]";
  }
}

TEST(IniText, WhatIsWrittenReadsBack) {
  // Field texts of the settings window: no leading or trailing blanks, no
  // line breaks, which the profile rules would not give back.
  const std::string values[] = {
      "admin",
      "",
      "p@ss=w;rd#1",
      "\"quoted\" in the middle",
      "C:\\\x83\x5C\x83\x74\x83\x67\\",
      "http://aterm.me/system.log",
      "10",
      "-5",
      "\x82\xA0\x82\xA2 \x82\xA4",
      std::string(2047, 'z'),
  };
  for (const std::string& value : values) {
    IniText ini("[other]\r\nAtermPassword=theirs\r\n", Dbcs::ShiftJis());
    ini.Set("me", "AtermPassword", "first");
    ini.Set("me", "AtermPassword", value);
    EXPECT_EQ(Show(ini.Get("ME", "atermpassword")), Show(value)) << "[" << value << "]";
    EXPECT_EQ(Show(ini.Get("other", "AtermPassword")), Show("theirs"s)) << "[" << value << "]";
  }
}

// Whether the profile rules take a and b for the same name.
bool SameName(const std::string& a, const std::string& b, const Dbcs& dbcs) {
  return IniText("[s]\r\n" + a + "=1\r\n", dbcs).Get("s", b).has_value();
}

// Files made of the pieces that trip parsers, edited at random: nothing may
// crash, grow more than the write adds, or change a key it did not write.
TEST(IniText, RandomFilesKeepTheKeysNotWritten) {
  const std::string pieces[] = {"[",    "]",    "=", "\r",  "\n",      "\r\n", "\0"s,         " ", "\t",
                                "u",    "U",    "k", "K",   "j",       ";",    "\"",          "'", "\x83",
                                "\x41", "\x5D", "x", "[u]", "[U]\r\n", "k=1",  "\xEF\xBB\xBF"};
  const std::string sections[] = {"u", "U", "v", "", "\x83\x41"};
  const std::string keys[] = {"k", "K", "j", ";c", "\x83\x61", "x"};
  uint32_t seed = 12345;
  auto next = [&seed](size_t n) {
    seed = seed * 1103515245u + 12345u;
    return (seed >> 8) % n;
  };
  for (int round = 0; round < 3000; ++round) {
    std::string file;
    for (size_t i = next(40); i > 0; --i) file += pieces[next(std::size(pieces))];
    for (const bool shiftJis : {false, true}) {
      const Dbcs dbcs = shiftJis ? Dbcs::ShiftJis() : Dbcs::SingleByte();
      IniText ini(file, dbcs);
      const std::string& section = sections[next(std::size(sections))];
      const std::string& key = keys[next(std::size(keys))];
      const std::string value = "v" + std::to_string(round);
      std::vector<std::optional<std::string>> before;
      for (const std::string& s : sections)
        for (const std::string& k : keys) before.push_back(ini.Get(s, k));
      const size_t size = ini.Bytes().size();
      ini.Set(section, key, value);
      const std::string name = "round " + std::to_string(round) + (shiftJis ? " sjis" : "");
      ASSERT_EQ(Show(ini.Get(section, key)), Show(value)) << "[" << name << "]";
      // At most a line break, the section header and the key line.
      ASSERT_LE(ini.Bytes().size(), size + 9 + section.size() + key.size() + value.size()) << "[" << name << "]";
      size_t i = 0;
      for (const std::string& s : sections) {
        for (const std::string& k : keys) {
          if (!SameName(s, section, dbcs) || !SameName(k, key, dbcs)) {
            ASSERT_EQ(Show(ini.Get(s, k)), Show(before[i])) << "[" << name << " " << s << "/" << k << "]";
          }
          ++i;
        }
      }
    }
  }
}

TEST(IniText, HugeLinesAndFiles) {
  const std::string line(4u << 20, 'x');
  IniText ini("[u]\r\nk=" + line + "\r\n" + line + "\r\n[v]\r\nj=1");
  EXPECT_EQ(ini.Get("u", "k")->size(), kMaxIniValueBytes);
  EXPECT_EQ(Show(ini.Get("v", "j")), Show("1"s));
  ini.Set("v", "j", "2");
  ini.Set("u", "k", "short");
  EXPECT_EQ(Show(ini.Get("u", "k")), Show("short"s));
  EXPECT_EQ(ini.Bytes().size(), 5 + 2 + 5 + 2 + line.size() + 2 + 5 + 3);
}

}  // namespace
}  // namespace vemlo
