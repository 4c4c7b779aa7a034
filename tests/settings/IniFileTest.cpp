#include "IniFile.h"

#include <gtest/gtest.h>

#include <climits>

using namespace std::literals;

namespace {

// The bytes of a UTF-16LE file holding text, with or without the byte-order mark.
std::string FileBytes(std::u16string_view text, bool bom = true) {
  std::string bytes = bom ? "\xFF\xFE" : "";
  for (const char16_t c : text) {
    bytes += static_cast<char>(c & 0xFF);
    bytes += static_cast<char>(c >> 8);
  }
  return bytes;
}

// One line per section heading and entry, so an expected image reads like a file.
std::u16string Dump(const IniImage& image) {
  std::u16string out;
  for (const auto& section : image.Sections) {
    out += u"[" + section.Name + u"]\n";
    for (const auto& entry : section.Entries) out += entry.HasValue ? entry.Key + u"=" + entry.Value + u"\n" : entry.Key + u"\n";
  }
  return out;
}

IniImage ParseText(std::u16string_view text) { return IniImage::Parse(FileBytes(text)); }

TEST(IniParse, LinesBecomeSectionsAndEntries) {
  struct Case {
    const char* what;
    std::u16string_view text;
    std::u16string_view image;
  };
  const Case cases[] = {
      {"comments, blank lines and lines before the first section are dropped",
       u"top=1\r\n; note\r\n[A]\r\n;k=1\r\n\r\n  \t \r\nk=2\r\n", u"[A]\nk=2\n"},
      {"blanks and control characters around key, '=' and value are dropped",
       u"[A]\r\n \t key \t=\x01 v a l \x1F\r\n", u"[A]\nkey=v a l\n"},
      {"a value keeps every '=' after the first", u"[A]\r\n7zCommandLine = a -mx=9 -r = \r\n",
       u"[A]\n7zCommandLine=a -mx=9 -r =\n"},
      {"empty value and empty key", u"[A]\r\nDir=\r\n=x\r\n", u"[A]\nDir=\n=x\n"},
      {"a line without '=' is kept as it stands", u"[A]\r\n  loose  text \r\n", u"[A]\nloose  text\n"},
      {"section names are trimmed, kept in their spelling, and may repeat",
       u" [ Option ] \r\n[]\r\n[option]\r\n", u"[Option]\n[]\n[option]\n"},
      {"a lone '[' or an unclosed heading is an ordinary line", u"[A]\r\n[\r\n[B\r\n", u"[A]\n[\n[B\n"},
      {"CR, LF and CR LF all end lines; the last line needs no end",
       u"[A]\ra=1\nb=2\r\nc=3\n\rd=4", u"[A]\na=1\nb=2\nc=3\nd=4\n"},
      {"a NUL ends the text", u"[A]\r\na=1\0\r\nb=2\r\n"sv, u"[A]\na=1\n"},
      {"nothing at all", u"", u""},
  };
  for (const auto& c : cases) EXPECT_EQ(Dump(ParseText(c.text)), c.image) << c.what;
}

// Stands in for the system's ANSI code page: Shift-JIS "メイン" and, for every other byte, its code.
std::u16string TestAnsi(std::string_view bytes) {
  std::u16string text;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    if (bytes.substr(i, 6) == "\x83\x81\x83\x43\x83\x93") {
      text += u"メイン";
      i += 5;
    } else {
      text += static_cast<char16_t>(static_cast<unsigned char>(bytes[i]));
    }
  }
  return text;
}

TEST(IniParse, EncodingIsTakenFromTheBytes) {
  struct Case {
    const char* what;
    std::string bytes;
    IniEncoding encoding;
  };
  const std::u16string text = u"[Main]\r\nX=5\r\nDir=C:\\写真\r\n";
  const std::string utf8 = "[Main]\r\nX=5\r\nDir=C:\\\xE5\x86\x99\xE7\x9C\x9F\r\n";
  const Case cases[] = {
      {"UTF-16LE with its mark", FileBytes(text), IniEncoding::Utf16WithMark},
      {"UTF-16LE without a mark (it holds NUL bytes)", FileBytes(text, false), IniEncoding::Utf16},
      {"UTF-8 with its mark, as Notepad writes it", "\xEF\xBB\xBF" + utf8, IniEncoding::Utf8WithMark},
      {"UTF-8 without a mark", utf8, IniEncoding::Utf8},
      {"UTF-16LE with its mark and an odd last byte", FileBytes(text) + "\x41", IniEncoding::Utf16WithMark},
  };
  const IniImage expected = ParseText(text);
  ASSERT_EQ(expected.ReadString(u"Main", u"Dir", u""), u"C:\\写真");
  for (const auto& c : cases) {
    EXPECT_EQ(DetectIniEncoding(c.bytes), c.encoding) << c.what;
    EXPECT_EQ(IniImage::Parse(c.bytes), expected) << c.what;
    EXPECT_EQ(IniImage::Parse(c.bytes).Serialize(), FileBytes(u"[Main]\r\nX=5\r\nDir=C:\\写真\r\n\r\n"))
        << c.what << ": written back as UTF-16LE with its mark";
  }

  // Neither marked, nor UTF-16, nor valid UTF-8: the system's ANSI code page.
  const std::string shiftJis = "[\x83\x81\x83\x43\x83\x93]\r\nX=7\r\n";
  EXPECT_EQ(DetectIniEncoding(shiftJis), IniEncoding::Ansi);
  EXPECT_EQ(IniImage::Parse(shiftJis, TestAnsi).ReadInteger(u"メイン", u"X", 0), 7);
  EXPECT_EQ(IniImage::Parse("[A]\r\nk=caf\xE9\r\n").ReadString(u"A", u"k", u""), u"café")
      << "without a decoder each byte is its own character";

  EXPECT_TRUE(IniImage::Parse(FileBytes(u"\uFEFF[Main]\r\nX=5\r\n")).Sections.empty())
      << "only one mark is skipped; a second one is text, and no blank";
  EXPECT_EQ(Dump(IniImage::Parse("\xEF\xBB\xBF[A]\r\na=\xFF\r\n")), u"[A]\na=\uFFFD\n")
      << "after a UTF-8 mark a malformed byte is a replacement character";
  EXPECT_EQ(Dump(IniImage::Parse("\xEF\xBB\xBF[A]\r\na=1\0b=2\r\n"s)), u"[A]\na=1\n") << "a NUL ends UTF-8 text too";
  EXPECT_EQ(DetectIniEncoding("[A]\r\n\xFF"s + '\0'), IniEncoding::Utf16) << "a NUL byte decides before UTF-8";
  EXPECT_EQ(DetectIniEncoding("\xFF\xFE\xEF\xBB\xBF"), IniEncoding::Utf16WithMark);
  EXPECT_EQ(DetectIniEncoding(""), IniEncoding::Utf8);
  EXPECT_TRUE(IniImage::Parse("").Sections.empty());
  EXPECT_TRUE(IniImage::Parse("\xFF").Sections.empty());
  EXPECT_TRUE(IniImage::Parse("\xFF\xFE").Sections.empty());
}

TEST(IniValues, IntegerSyntax) {
  struct Case {
    std::u16string_view text;
    std::optional<std::int32_t> value;
  };
  const Case cases[] = {
      {u"0", 0}, {u"2", 2}, {u"+7", 7}, {u"-15", -15}, {u"000000000000012", 12},
      {u"2147483647", INT32_MAX}, {u"-2147483648", INT32_MIN},
      {u"2147483648", {}}, {u"-2147483649", {}}, {u"99999999999999999999", {}},
      {u"0x1", 1}, {u"0X1f", 31}, {u"$12C", 300}, {u"$12c", 300}, {u"0xFFFFFFFF", -1},
      {u"$80000000", INT32_MIN}, {u"$00000001", 1},
      {u"$123456789", {}}, {u"0x000000001", {}}, {u"0x", {}}, {u"$", {}}, {u"-0x1", {}}, {u"0x-1", {}},
      {u"$+1", {}}, {u"0xG", {}},
      {u"", {}}, {u"-", {}}, {u"+", {}}, {u"yes", {}}, {u"12a", {}}, {u"1 2", {}}, {u"1.0", {}},
      {u"x1", {}}, {u"\uFF11", {}} /* fullwidth one */,
  };
  for (const auto& c : cases) {
    const std::string shown(c.text.begin(), c.text.end());
    EXPECT_EQ(ParseIniInteger(c.text), c.value) << shown;
  }
  EXPECT_EQ(FormatIniInteger(0), u"0");
  EXPECT_EQ(FormatIniInteger(-300), u"-300");
  EXPECT_EQ(FormatIniInteger(INT32_MIN), u"-2147483648");
}

TEST(IniValues, ReadThroughTheImage) {
  const IniImage image = ParseText(
      u"[Option]\r\nDelFile=yes\r\nA=2\r\nB=0x1\r\nC=0\r\nD=\r\nX=$12C\r\nFileExt=.7z\r\nBig=2147483648\r\n");
  struct Case {
    std::u16string_view key;
    bool withFalse, withTrue;  // ReadBool under either default
  };
  const Case bools[] = {{u"DelFile", false, true}, {u"A", true, true},  {u"B", true, true},
                        {u"C", false, false},      {u"D", false, true}, {u"Missing", false, true}};
  for (const auto& c : bools) {
    const std::string shown(c.key.begin(), c.key.end());
    EXPECT_EQ(image.ReadBool(u"Option", c.key, false), c.withFalse) << shown;
    EXPECT_EQ(image.ReadBool(u"Option", c.key, true), c.withTrue) << shown;
  }
  EXPECT_EQ(image.ReadInteger(u"Option", u"X", 7), 300);
  EXPECT_EQ(image.ReadInteger(u"Option", u"Big", 7), 7);
  EXPECT_EQ(image.ReadInteger(u"Option", u"FileExt", 7), 7);
  EXPECT_EQ(image.ReadString(u"Option", u"FileExt", u".zip"), u".7z");
  EXPECT_EQ(image.ReadString(u"Option", u"Dir", u"none"), u"none");
  EXPECT_EQ(image.ReadString(u"Main", u"X", u"none"), u"none") << "missing section";
}

TEST(IniLookup, CaseAndDuplicates) {
  IniImage image = ParseText(
      u"[option]\r\nfileext=.7z\r\nk=1\r\nother=x\r\nK=2\r\nloose k\r\n"
      u"[Dup]\r\nv=first\r\n[DUP]\r\nv=second\r\n");
  EXPECT_EQ(image.ReadString(u"Option", u"FileExt", u""), u".7z");
  EXPECT_EQ(image.ReadString(u"OPTION", u"k", u""), u"2") << "the later of two entries is read";
  EXPECT_EQ(image.ReadString(u"option", u"loose k", u"none"), u"none") << "a line without '=' never matches";
  EXPECT_EQ(image.ReadString(u"dup", u"v", u""), u"second") << "the later of two sections is read";

  image.WriteString(u"Option", u"FileExt", u".zip");
  image.WriteInteger(u"Option", u"k", 3);
  image.WriteString(u"Dup", u"V", u"third");
  EXPECT_EQ(Dump(image),
            u"[option]\nFileExt=.zip\nk=1\nother=x\nk=3\nloose k\n"
            u"[Dup]\nv=first\n[DUP]\nV=third\n")
      << "replaced in place with the program's spelling; headings and earlier duplicates unchanged";
}

TEST(IniWrite, UnknownKeysStayAndMissingOnesFollow) {
  IniImage image = ParseText(u"[Option]\r\nX=1\r\nCustom=keep me\r\n[Main]\r\nW=3\r\n");
  image.WriteInteger(u"Option", u"X", -5);
  image.WriteString(u"Option", u"FileExt", u".zip");
  image.WriteBool(u"Option", u"DelFile", true);
  image.WriteBool(u"Option", u"AutoClose", false);
  image.WriteInteger(u"Main", u"H", 4);
  image.WriteString(u"Extra", u"Dir", u"C:\\a=b");
  EXPECT_EQ(Dump(image),
            u"[Option]\nX=-5\nCustom=keep me\nFileExt=.zip\nDelFile=1\nAutoClose=0\n"
            u"[Main]\nW=3\nH=4\n[Extra]\nDir=C:\\a=b\n");
}

TEST(IniWrite, ValueStaysOnOneLine) {
  IniImage image;
  image.WriteString(u"Main", u"Dir", u"C:\\x\r\n[Option]\r\nDelFile=1");
  image.WriteString(u"Main", u"Lf", u"a\nb");
  image.WriteString(u"Main", u"Nul", u"a\0b"sv);
  EXPECT_EQ(Dump(IniImage::Parse(image.Serialize())), u"[Main]\nDir=C:\\x\nLf=a\nNul=a\n");
}

TEST(IniSerialize, FormatAndRoundTrip) {
  const IniImage image = IniImage::Parse(FileBytes(
      u"; gone\r\n[ A ]\r\n k = v=w \r\nloose\r\n\r\n[B]\r\n[ ]\r\n=x\r\n", false));
  const std::string bytes = image.Serialize();
  EXPECT_EQ(bytes, FileBytes(u"[A]\r\nk=v=w\r\nloose\r\n\r\n[B]\r\n\r\n[]\r\n=x\r\n\r\n"));
  EXPECT_EQ(IniImage::Parse(bytes), image);
  EXPECT_EQ(IniImage().Serialize(), "\xFF\xFE");
}

// What the program writes at the end of its first run, keys in the order it writes them.
TEST(IniSerialize, FirstRunFileByteForByte) {
  IniImage image;
  image.WriteInteger(u"Main", u"X", 100);
  image.WriteInteger(u"Main", u"Y", 100);
  image.WriteInteger(u"Main", u"W", 300);
  image.WriteInteger(u"Main", u"H", 300);
  image.WriteString(u"Main", u"Dir", u"");
  image.WriteInteger(u"Option", u"X", 100);
  image.WriteInteger(u"Option", u"Y", 100);
  image.WriteString(u"Option", u"FileExt", u".zip");
  image.WriteBool(u"Option", u"DelFile", false);
  image.WriteBool(u"Option", u"TopFolderCompress", false);
  image.WriteString(u"Option", u"7zCommandLine", u"a -tzip -mx=9 -mfb=64 -mpass=4 -r");
  image.WriteString(u"Option", u"7zCommandLine2", u"a -tzip -mx=0 -r");
  image.WriteString(u"Option", u"7zCommandLine3", u"");
  image.WriteString(u"Option", u"7zCommandLine4", u"");
  image.WriteString(u"Option", u"7zCommandLine5", u"");
  image.WriteInteger(u"Option", u"7zCommandLineSelect", 0);
  image.WriteString(u"Option", u"DestFolder", u"");
  image.WriteBool(u"Option", u"AutoClose", false);
  image.WriteInteger(u"Option", u"DeleteMode", 1);
  image.WriteInteger(u"Option", u"DestFolderMode", 1);

  const std::string expected =
      "\xFF\xFE" + FileBytes(
                       u"[Main]\r\nX=100\r\nY=100\r\nW=300\r\nH=300\r\nDir=\r\n\r\n"
                       u"[Option]\r\nX=100\r\nY=100\r\nFileExt=.zip\r\nDelFile=0\r\nTopFolderCompress=0\r\n"
                       u"7zCommandLine=a -tzip -mx=9 -mfb=64 -mpass=4 -r\r\n7zCommandLine2=a -tzip -mx=0 -r\r\n"
                       u"7zCommandLine3=\r\n7zCommandLine4=\r\n7zCommandLine5=\r\n7zCommandLineSelect=0\r\n"
                       u"DestFolder=\r\nAutoClose=0\r\nDeleteMode=1\r\nDestFolderMode=1\r\n\r\n",
                       false);
  EXPECT_EQ(image.Serialize(), expected);

  // A second exit over that file changes nothing.
  IniImage again = IniImage::Parse(expected);
  again.WriteInteger(u"Main", u"X", 100);
  again.WriteString(u"Option", u"DestFolder", u"");
  EXPECT_EQ(again.Serialize(), expected);
}

}  // namespace
