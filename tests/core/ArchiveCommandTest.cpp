#include "ArchiveCommand.h"

#include <gtest/gtest.h>

#include <optional>

#include "Utf8.h"

namespace {

constexpr char16_t kT16[] = u"a -tzip -mx=9 -mfb=64 -mpass=4 -r";

struct CommandCase {
  const char* what;
  JobForm form;
  std::u16string templ;
  std::u16string source;
  std::u16string ext;
  std::optional<std::u16string> dest;
  std::u16string archive;  // UTF-16 text of the archive path
  std::string command;     // the exact bytes handed to the library
};

bool IsFolder(JobForm form) { return form != JobForm::File; }

TEST(ArchiveCommand, BytesOfEveryForm) {
  const std::optional<std::u16string> beside;
  const CommandCase cases[] = {
      // The worked examples.
      {"file next to the source", JobForm::File, kT16, u"C:\\data\\report.txt", u".zip", beside,
       u"C:\\data\\report.zip", R"(a -tzip -mx=9 -mfb=64 -mpass=4 -r "C:\data\report.zip" "C:\data\" "report.txt")"},
      {"file into D:\\out", JobForm::File, kT16, u"C:\\data\\report.txt", u".zip", u"D:\\out", u"D:\\out\\report.zip",
       R"(a -tzip -mx=9 -mfb=64 -mpass=4 -r "D:\out\report.zip" "C:\data\" "report.txt")"},
      {"file into a drive root", JobForm::File, kT16, u"C:\\data\\report.txt", u".zip", u"D:\\", u"D:\\report.zip",
       R"(a -tzip -mx=9 -mfb=64 -mpass=4 -r "D:\report.zip" "C:\data\" "report.txt")"},
      {"folder with its top folder", JobForm::FolderWithTop, kT16, u"C:\\data\\photos", u".zip", beside,
       u"C:\\data\\photos.zip", R"(a -tzip -mx=9 -mfb=64 -mpass=4 -r "C:\data\photos.zip" "C:\data\" "photos\*")"},
      {"folder contents only", JobForm::FolderContents, kT16, u"C:\\data\\photos", u".zip", beside,
       u"C:\\data\\photos.zip", R"(a -tzip -mx=9 -mfb=64 -mpass=4 -r "C:\data\photos.zip" "C:\data\photos\" *)"},
      // The separator rule looks at the UTF-8 length of DestFolder and nothing else.
      {"DestFolder ending in a separator gets a second one", JobForm::File, u"a", u"C:\\data\\report.txt", u".zip",
       u"D:\\out\\", u"D:\\out\\\\report.zip", R"(a "D:\out\\report.zip" "C:\data\" "report.txt")"},
      {"empty DestFolder", JobForm::File, u"a", u"C:\\data\\report.txt", u".zip", u"", u"\\report.zip",
       R"(a "\report.zip" "C:\data\" "report.txt")"},
      {"two-byte DestFolder", JobForm::File, u"a", u"C:\\data\\report.txt", u".zip", u"D:", u"D:\\report.zip",
       R"(a "D:\report.zip" "C:\data\" "report.txt")"},
      {"one kana is three bytes, like a drive root", JobForm::File, u"a", u"C:\\data\\report.txt", u".zip", u"あ",
       u"あreport.zip", "a \"\xE3\x81\x82report.zip\" \"C:\\data\\\" \"report.txt\""},
      {"folder into DestFolder keeps its whole name", JobForm::FolderWithTop, u"a", u"C:\\data\\photos.2010", u".zip",
       u"D:\\out", u"D:\\out\\photos.2010.zip", R"(a "D:\out\photos.2010.zip" "C:\data\" "photos.2010\*")"},
      // Extensions.
      {"FileExt without a dot, file", JobForm::File, u"a", u"C:\\data\\notes.txt", u"zip", beside,
       u"C:\\data\\noteszip", R"(a "C:\data\noteszip" "C:\data\" "notes.txt")"},
      {"FileExt without a dot, folder", JobForm::FolderContents, u"a", u"C:\\data\\photos", u"zip", beside,
       u"C:\\data\\photoszip", R"(a "C:\data\photoszip" "C:\data\photos\" *)"},
      {"empty FileExt, file", JobForm::File, u"a", u"C:\\data\\notes.txt", u"", beside, u"C:\\data\\notes",
       R"(a "C:\data\notes" "C:\data\" "notes.txt")"},
      {"empty FileExt, folder is its own path", JobForm::FolderWithTop, u"a", u"C:\\data\\photos", u"", beside,
       u"C:\\data\\photos", R"(a "C:\data\photos" "C:\data\" "photos\*")"},
      {"a file already bearing FileExt", JobForm::File, u"a", u"C:\\data\\broken.zip", u".zip", beside,
       u"C:\\data\\broken.zip", R"(a "C:\data\broken.zip" "C:\data\" "broken.zip")"},
      {"last dot only", JobForm::File, u"a", u"C:\\a.tar.gz", u".zip", beside, u"C:\\a.tar.zip",
       R"(a "C:\a.tar.zip" "C:\" "a.tar.gz")"},
      {"no dot", JobForm::File, u"a", u"C:\\README", u".zip", beside, u"C:\\README.zip",
       R"(a "C:\README.zip" "C:\" "README")"},
      {"only dot first", JobForm::File, u"a", u"C:\\.config", u".zip", beside, u"C:\\.zip",
       R"(a "C:\.zip" "C:\" ".config")"},
      {"dot in a folder part is no extension", JobForm::File, u"a", u"C:\\dir.x\\file", u".zip", beside,
       u"C:\\dir.x\\file.zip", R"(a "C:\dir.x\file.zip" "C:\dir.x\" "file")"},
      // Drive roots and bare names.
      {"drive root, contents", JobForm::FolderContents, u"a", u"C:\\", u".zip", beside, u"C:\\.zip",
       R"(a "C:\.zip" "C:\\" *)"},
      {"drive root, top folder", JobForm::FolderWithTop, u"a", u"C:\\", u".zip", beside, u"C:\\.zip",
       R"(a "C:\.zip" "C:\" "\*")"},
      {"bare file name", JobForm::File, u"a", u"report.txt", u".zip", beside, u"report.zip",
       R"(a "report.zip" "" "report.txt")"},
      {"bare folder name, top folder", JobForm::FolderWithTop, u"a", u"photos", u".zip", beside, u"photos.zip",
       R"(a "photos.zip" "" "photos\*")"},
      // Templates.
      {"no profile selected: the text starts with the blank", JobForm::File, u"", u"C:\\data\\report.txt", u".zip",
       beside, u"C:\\data\\report.zip", R"( "C:\data\report.zip" "C:\data\" "report.txt")"},
      {"second default template", JobForm::FolderContents, u"a -tzip -mx=0 -r", u"C:\\d", u".zip", beside,
       u"C:\\d.zip", R"(a -tzip -mx=0 -r "C:\d.zip" "C:\d\" *)"},
      // Non-ASCII reaches the library as UTF-8.
      {"three kana take nine bytes", JobForm::File, u"a", u"C:\\data\\かなカ.txt", u".zip", beside,
       u"C:\\data\\かなカ.zip",
       "a \"C:\\data\\\xE3\x81\x8B\xE3\x81\xAA\xE3\x82\xAB.zip\" \"C:\\data\\\" "
       "\"\xE3\x81\x8B\xE3\x81\xAA\xE3\x82\xAB.txt\""},
      {"a character beyond the BMP", JobForm::File, u"a", u"C:\\\U0001F600.txt", u".zip", beside,
       u"C:\\\U0001F600.zip", "a \"C:\\\xF0\x9F\x98\x80.zip\" \"C:\\\" \"\xF0\x9F\x98\x80.txt\""},
      {"quotes inside a template are not escaped", JobForm::File, u"a -p\"x y\"", u"C:\\r.txt", u".zip", beside,
       u"C:\\r.zip", R"(a -p"x y" "C:\r.zip" "C:\" "r.txt")"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const ArchivePath archive =
        MakeArchivePath(IsFolder(c.form), c.source, c.ext,
                        c.dest ? std::optional<std::u16string_view>(*c.dest) : std::nullopt);
    EXPECT_EQ(archive.Text(), c.archive);
    EXPECT_EQ(archive.Utf8(), ToUtf8(c.archive));
    EXPECT_EQ(ComposeCommand(c.form, ToUtf8(c.templ), archive.Utf8(), c.source), c.command);
  }
}

TEST(ArchiveCommand, EachPieceIsConvertedOnItsOwn) {
  // An unpaired surrogate at the end of DestFolder stays unpaired even though
  // the name that follows starts with a low surrogate: the pieces are not joined
  // before the conversion.
  const std::u16string dest = u"D:\\\xD83D";
  const ArchivePath archive = MakeArchivePath(true, u"C:\\\xDE00", u".zip", std::u16string_view(dest));
  EXPECT_EQ(archive.Utf8(), "D:\\\xEF\xBF\xBD\\\xEF\xBF\xBD.zip");
}

TEST(ArchiveCommand, LongCommandIsNeverCut) {
  const std::u16string name(3000, u'n');
  const std::u16string source = u"C:\\data\\" + name;
  const ArchivePath archive = MakeArchivePath(false, source, u".zip", std::nullopt);
  const std::string command = ComposeCommand(JobForm::File, "a", archive.Utf8(), source);
  const std::string name8(3000, 'n');
  EXPECT_EQ(command, "a \"C:\\data\\" + name8 + ".zip\" \"C:\\data\\\" \"" + name8 + "\"");
  EXPECT_GT(command.size(), 2047u);
}

}  // namespace
