#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "base/IniDocument.h"
#include "config/IniFile.h"
#include "support/TestSupport.h"

using vorlane::test::ReadFile;
using vorlane::test::TempDir;
using vorlane::test::WriteFile;

namespace {

// Text with embedded NULs, taken whole.
template <size_t N>
std::string Bytes(const char (&text)[N]) {
  return std::string(text, N - 1);
}

struct ReadCase {
  const char* name;
  std::string text;
  const char* section;
  const char* key;
  std::string expected;
};

}  // namespace

TEST(IniDocument, MatchingRules) {
  const ReadCase cases[] = {
      {"plain", "[GENERAL]\nIE=1\n", "GENERAL", "IE", "1"},
      {"section case", "[general]\nIE=1\n", "GENERAL", "IE", "1"},
      {"key case", "[GENERAL]\nie=1\n", "GENERAL", "IE", "1"},
      {"blanks around names", "  [ GENERAL ]  \n\t IE \t= 1\n", "GENERAL", "IE", "1"},
      {"blanks around value", "[S]\nK=   two words \t\n", "S", "K", "two words"},
      {"quoted value", "[S]\nK=\"  padded  \"\n", "S", "K", "  padded  "},
      {"quote on one side only", "[S]\nK=\"open\n", "S", "K", "\"open"},
      {"single quote kept", "[S]\nK=\"\n", "S", "K", "\""},
      {"text after the equals sign", "[S]\nK=a=b=c\n", "S", "K", "a=b=c"},
      {"comment line", "[S]\n;K=1\nK=2\n", "S", "K", "2"},
      {"commented section", ";[S]\nK=1\n[S]\nK=2\n", "S", "K", "2"},
      {"first duplicate key wins", "[S]\nK=1\nk=2\n", "S", "K", "1"},
      {"first duplicate section wins", "[S]\nA=1\n[s]\nB=2\nA=3\n", "S", "A", "1"},
      {"later duplicate section unseen", "[S]\nA=1\n[s]\nB=2\n", "S", "B", ""},
      {"line without equals ignored", "[S]\nK\nK=5\n", "S", "K", "5"},
      {"key before any section", "K=1\n[S]\n", "S", "K", ""},
      {"other section", "[A]\nK=1\n[B]\nK=2\n", "B", "K", "2"},
      {"crlf", "[S]\r\nK=v\r\nL=w\r\n", "S", "L", "w"},
      {"no final newline", "[S]\nK=last", "S", "K", "last"},
      {"empty value", "[S]\nK=\n", "S", "K", ""},
      {"empty key name ignored", "[S]\n=x\n", "S", "", ""},
      {"missing section", "[S]\nK=1\n", "T", "K", ""},
      {"missing key", "[S]\nK=1\n", "S", "L", ""},
      {"header with trailing text", "[S] ; note\nK=1\n", "S", "K", "1"},
      {"header without bracket is no header", "[S\nK=1\n", "S", "K", ""},
      {"utf-8 bom", "\xEF\xBB\xBF[S]\nK=v\n", "S", "K", "v"},
      {"utf-16le bom", Bytes("\xFF\xFE[\0S\0]\0\n\0K\0=\0\xE4\0\n\0"), "S", "K", "\xC3\xA4"},
      {"utf-16be bom", Bytes("\xFE\xFF\0[\0S\0]\0\n\0K\0=\xD8\x3D\xDE\x00"), "S", "K",
       "\xF0\x9F\x98\x80"},
      {"utf-16 lone surrogate", Bytes("\xFF\xFE[\0S\0]\0\n\0K\0=\0\x00\xD8"), "S", "K",
       "\xEF\xBF\xBD"},
      {"utf-8 values kept", "[S]\nK=Русский\n", "S", "K", "Русский"},
  };
  for (const ReadCase& c : cases) {
    EXPECT_EQ(IniDocument::Parse(c.text).Get(c.section, c.key), c.expected) << c.name;
  }
}

TEST(IniDocument, LongValuesAreCutAtCharacterBoundaries) {
  const std::string ascii(3000, 'x');
  EXPECT_EQ(IniDocument::Parse("[S]\nK=" + ascii + "\n").Get("S", "K"),
            std::string(MaxIniValueLength, 'x'));
  const std::string exact(MaxIniValueLength, 'y');
  EXPECT_EQ(IniDocument::Parse("[S]\nK=" + exact + "\n").Get("S", "K"), exact);

  // 3000 two-byte characters: the cut counts characters, not bytes.
  std::string cyrillic;
  for (int i = 0; i < 3000; ++i) cyrillic += "\xD0\xB6";
  const std::string cut = IniDocument::Parse("[S]\nK=" + cyrillic + "\n").Get("S", "K");
  EXPECT_EQ(cut, cyrillic.substr(0, 2 * MaxIniValueLength));
}

struct WriteCase {
  const char* name;
  std::string before;
  const char* section;
  const char* key;
  const char* value;
  std::string after;
};

TEST(IniDocument, SetKeepsEveryOtherLine) {
  const WriteCase cases[] = {
      {"new file", "", "GENERAL", "IE", "1", "[GENERAL]\nIE=1\n"},
      {"replace in place keeps spelling and spacing", "; top\n[general]\n  Ie =  0  ; x\nB=2\n",
       "GENERAL", "IE", "1", "; top\n[general]\n  Ie =  1\nB=2\n"},
      {"new key after the section's last key", "[A]\nx=1\n; about B\n\n[B]\ny=2\n", "A", "z", "3",
       "[A]\nx=1\nz=3\n; about B\n\n[B]\ny=2\n"},
      {"new key in an empty section", "[A]\n[B]\ny=2\n", "A", "z", "3", "[A]\nz=3\n[B]\ny=2\n"},
      {"new section after unknown ones", "[Mine]\nkeep = me\n", "GENERAL", "IE", "1",
       "[Mine]\nkeep = me\n[GENERAL]\nIE=1\n"},
      {"no final newline, new key", "[A]\nx=1", "A", "y", "2", "[A]\nx=1\ny=2\n"},
      {"no final newline, new section", "[A]\nx=1", "B", "y", "2", "[A]\nx=1\n[B]\ny=2\n"},
      {"no final newline, replace", "[A]\nx=", "A", "x", "9", "[A]\nx=9"},
      {"crlf file gets crlf lines", "[A]\r\nx=1\r\n", "A", "y", "2", "[A]\r\nx=1\r\ny=2\r\n"},
      {"only the first duplicate changes", "[A]\nx=1\n[a]\nx=2\n", "a", "X", "5",
       "[A]\nx=5\n[a]\nx=2\n"},
      {"blanks kept by quoting", "", "S", "K", " a ", "[S]\nK=\" a \"\n"},
      {"quotes kept by quoting", "", "S", "K", "\"q\"", "[S]\nK=\"\"q\"\"\n"},
      {"line breaks become spaces", "", "S", "K", "a\r\nb", "[S]\nK=a  b\n"},
      {"utf-8 bom kept", "\xEF\xBB\xBF[S]\nK=1\n", "S", "K", "2", "\xEF\xBB\xBF[S]\nK=2\n"},
      {"utf-16 written as utf-8", Bytes("\xFF\xFE[\0S\0]\0\n\0"), "S", "K", "2", "[S]\nK=2\n"},
  };
  for (const WriteCase& c : cases) {
    IniDocument document = IniDocument::Parse(c.before);
    ASSERT_TRUE(document.Set(c.section, c.key, c.value)) << c.name;
    EXPECT_EQ(document.Serialize(), c.after) << c.name;
    // What was written reads back, from memory and after a fresh parse.
    std::string expected = c.value;
    for (char& ch : expected) ch = (ch == '\r' || ch == '\n') ? ' ' : ch;
    EXPECT_EQ(document.Get(c.section, c.key), expected) << c.name;
    EXPECT_EQ(IniDocument::Parse(document.Serialize()).Get(c.section, c.key), expected) << c.name;
  }
}

TEST(IniDocument, ManySetsKeepFirstWrittenOrder) {
  IniDocument document = IniDocument::Parse("[B]\nold=1\n");
  document.Set("A", "one", "1");
  document.Set("B", "two", "2");
  document.Set("A", "three", "3");
  document.Set("B", "old", "changed");
  document.Set("A", "one", "again");
  EXPECT_EQ(document.Serialize(), "[B]\nold=changed\ntwo=2\n[A]\none=again\nthree=3\n");
  EXPECT_EQ(document.Get("b", "TWO"), "2");

  // An unterminated last line with an empty value, filled and then followed by a key.
  IniDocument open = IniDocument::Parse("[A]\nx=");
  open.Set("A", "x", "9");
  open.Set("A", "y", "2");
  open.Set("B", "z", "3");
  EXPECT_EQ(open.Serialize(), "[A]\nx=9\ny=2\n[B]\nz=3\n");
}

TEST(IniDocument, RefusesNamesThatCannotBeWritten) {
  IniDocument document = IniDocument::Parse("[S]\nK=1\n");
  for (const auto& [section, key] :
       std::initializer_list<std::pair<const char*, const char*>>{{"S", ""},
                                                                  {"S", "  "},
                                                                  {"S", "a=b"},
                                                                  {"S", "a\nb"},
                                                                  {"S", "[x]"},
                                                                  {"S", ";x"},
                                                                  {"a]b", "K"},
                                                                  {"a\nb", "K"}}) {
    EXPECT_FALSE(document.Set(section, key, "v")) << section << "/" << key;
  }
  EXPECT_EQ(document.Serialize(), "[S]\nK=1\n");
}

TEST(IniDocument, HostileInputsStayBounded) {
  // Binary garbage: parses, answers, and a write keeps the garbage byte for byte.
  std::string garbage;
  uint32_t state = 12345;
  for (int i = 0; i < 200000; ++i) {
    state = state * 1103515245 + 12345;
    garbage += static_cast<char>(state >> 24);
  }
  IniDocument document = IniDocument::Parse(garbage);
  document.Get("GENERAL", "Language");
  ASSERT_TRUE(document.Set("GENERAL", "Language", "x"));
  const std::string written = document.Serialize();
  EXPECT_EQ(IniDocument::Parse(written).Get("GENERAL", "Language"), "x");

  // 100 000 keys: the last one is still found.
  std::string many = "[S]\n";
  for (int i = 0; i < 100000; ++i) many += "k" + std::to_string(i) + "=" + std::to_string(i) + "\n";
  EXPECT_EQ(IniDocument::Parse(many).Get("S", "k99999"), "99999");

  // A 1 MB line without a line end.
  const std::string longLine = "[S]\nK=" + std::string(1 << 20, 'z');
  EXPECT_EQ(IniDocument::Parse(longLine).Get("S", "K").size(), MaxIniValueLength);

  // More entries than the index holds: early keys answer, the text survives a write.
  std::string huge = "[S]\nfirst=1\n";
  for (size_t i = 0; i < IniDocument::MaxEntries + 10; ++i) huge += "a=\n";
  huge += "last=2\n";
  IniDocument big = IniDocument::Parse(huge);
  EXPECT_EQ(big.Get("S", "first"), "1");
  EXPECT_EQ(big.Get("S", "last"), "");
  EXPECT_TRUE(big.IsCut());
  big.Set("S", "first", "9");
  EXPECT_EQ(big.Serialize().size(), huge.size());

  // Exactly as many entries as the index holds (the section counts): not cut; blank
  // lines and comments past them do not count.
  std::string full = "[S]\n";
  for (size_t i = 1; i < IniDocument::MaxEntries; ++i) full += "a=\n";
  EXPECT_FALSE(IniDocument::Parse(full + "\n; note\n").IsCut());
  EXPECT_TRUE(IniDocument::Parse(full + "b=\n").IsCut());
}

TEST(IniFile, ReadAndWriteFiles) {
  TempDir dir;
  const std::string path = dir / "settings.ini";
  EXPECT_EQ(ReadIniValue(path, "GENERAL", "IE"), "");  // no file: as a missing key
  EXPECT_FALSE(std::filesystem::exists(path));

  WriteFile(path, "[Other]\nmine=1\n; note\n");
  WriteIniValue(path, "GENERAL", "IE", "1");
  WriteIniValue(path, "general", "Maxthon", "0");
  EXPECT_EQ(ReadFile(path), "[Other]\nmine=1\n; note\n[GENERAL]\nIE=1\nMaxthon=0\n");
  EXPECT_EQ(ReadIniValue(path, "GENERAL", "maxthon"), "0");
  EXPECT_EQ(vorlane::test::ListNames(dir.Path()), std::vector<std::string>{"settings.ini"});
}

TEST(IniFile, WritesThatCannotHappenChangeNothing) {
  TempDir dir;
  // A folder that cannot hold the file: a regular file stands where the folder should.
  WriteFile(dir / "plain", "x");
  WriteIniValue(dir / "plain/VOR.cfg", "GENERAL", "IE", "1");
  EXPECT_EQ(ReadFile(dir / "plain"), "x");

  // An existing file too large to read is never replaced by a one-key file.
  const std::string large = dir / "large.ini";
  WriteFile(large, "[GENERAL]\nIE=0\n");
  std::filesystem::resize_file(large, IniDocument::MaxFileSize + 1);
  EXPECT_EQ(ReadIniValue(large, "GENERAL", "IE"), "");
  WriteIniValue(large, "GENERAL", "IE", "1");
  EXPECT_EQ(std::filesystem::file_size(large), IniDocument::MaxFileSize + 1);
  EXPECT_EQ(ReadFile(large).substr(0, 15), "[GENERAL]\nIE=0\n");

  // A folder where the file should be.
  std::filesystem::create_directory(dir / "folder.ini");
  EXPECT_EQ(ReadIniValue(dir / "folder.ini", "S", "K"), "");
  WriteIniValue(dir / "folder.ini", "S", "K", "v");
  EXPECT_TRUE(std::filesystem::is_directory(dir / "folder.ini"));
}

TEST(IniFile, IntegersReadLikeTheCLibrary) {
  const std::pair<const char*, int32_t> cases[] = {
      {"100", 100},
      {"  42", 42},
      {"\t-7", -7},
      {"+8", 8},
      {"12abc", 12},
      {"abc", 0},
      {"", 0},
      {"-", 0},
      {"- 5", 0},
      {"300", 300},
      {"0x10", 0},
      {"2147483647", 2147483647},
      {"2147483648", 2147483647},
      {"-2147483648", -2147483647 - 1},
      {"-99999999999999999999", -2147483647 - 1},
      {"00012", 12},
  };
  for (const auto& [text, expected] : cases) EXPECT_EQ(IniValueToInt32(text), expected) << text;
}
