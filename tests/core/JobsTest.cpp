#include "Jobs.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "Archiver.h"
#include "WinTestSupport.h"

namespace {

using namespace test;

constexpr char kT[] = "a -tzip -mx=9 -mfb=64 -mpass=4 -r";

std::string U8(const std::wstring& s) {
  if (s.empty()) return {};
  const int n = WideCharToMultiByte(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), nullptr, 0, nullptr, nullptr);
  std::string out(n, '\0');
  WideCharToMultiByte(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), out.data(), n, nullptr, nullptr);
  return out;
}

std::wstring Env(const wchar_t* name) {
  wchar_t value[1024] = {};
  GetEnvironmentVariableW(name, value, 1024);
  return value;
}

class JobsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    DeleteFileW((ExecutableFolder() + L"7-ZIP32.DLL").c_str());
    library = std::make_unique<InstalledLibrary>(L"full", ExecutableFolder());
    StartupFailed = false;
    ShowMessageBox = RecordBox;
    LoadArchiver(host);
    ASSERT_FALSE(StartupFailed);
    host.log.clear();
    host.events.clear();
    LastJobSucceeded = true;
    dir = FreshFolder();
    SetEnv(L"MORVEL_FAKE7Z_RESULT", L"");
    SetEnv(L"MORVEL_FAKE7Z_CREATE", L"");
  }
  void TearDown() override {
    SetEnv(L"MORVEL_FAKE7Z_RESULT", L"");
    SetEnv(L"MORVEL_FAKE7Z_CREATE", L"");
    ShowMessageBox = MessageBoxW;
    library.reset();
  }
  std::vector<FakeCall> SevenZipCalls() const {
    std::vector<FakeCall> out;
    for (const auto& c : fake.Calls())
      if (c.header.rfind("SevenZip ", 0) == 0) out.push_back(c);
    return out;
  }
  // The trash is real: make sure it is the test's own and start it empty.
  // Wine keeps HOME to its Unix side, hence the marker that ctest sets with it.
  void UseOwnTrash() {
    ASSERT_FALSE(Env(L"MORVEL_TEST_OWN_HOME").empty()) << "run through ctest: the deletion tests need their own HOME";
    EmptyTrash();
  }

  FakeLog fake;
  TestHost host;
  std::unique_ptr<InstalledLibrary> library;
  std::wstring dir;
};

TEST_F(JobsTest, ClassifyRealFiles) {
  std::filesystem::create_directories(dir + L"\\backup.zip");
  WriteBytes(dir + L"\\zip", "PK\x03\x04rest");
  WriteBytes(dir + L"\\doc.docx", "PK");
  WriteBytes(dir + L"\\seven", "7z\xBC\xAF\x27\x1C");
  WriteBytes(dir + L"\\lower", "pk..");
  WriteBytes(dir + L"\\swapped", "KP..");
  WriteBytes(dir + L"\\one", "P");
  WriteBytes(dir + L"\\empty", "");
  WriteBytes(dir + L"\\text.txt", "hello");
  WriteBytes(dir + L"\\held", "PK..");
  const HANDLE held = CreateFileW((dir + L"\\held").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  WriteBytes(dir + L"\\shared", "7z");
  const HANDLE shared = CreateFileW((dir + L"\\shared").c_str(), GENERIC_READ | GENERIC_WRITE,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(shared, INVALID_HANDLE_VALUE);
  // Open elsewhere for deletion: sharing reads and writes only, as classifying does, refuses it.
  WriteBytes(dir + L"\\deleting", "PK..");
  const HANDLE deleting = CreateFileW((dir + L"\\deleting").c_str(), DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(deleting, INVALID_HANDLE_VALUE);

  const struct {
    std::wstring path;
    PathKind kind;
  } cases[] = {
      {dir + L"\\backup.zip", PathKind::Folder},
      {dir, PathKind::Folder},
      {dir + L"\\", PathKind::Folder},
      {dir + L"\\zip", PathKind::ZipArchive},
      {dir + L"\\doc.docx", PathKind::ZipArchive},
      {dir + L"\\seven", PathKind::SevenZipArchive},
      {dir + L"\\lower", PathKind::PlainFile},
      {dir + L"\\swapped", PathKind::PlainFile},
      {dir + L"\\one", PathKind::PlainFile},
      {dir + L"\\empty", PathKind::PlainFile},
      {dir + L"\\text.txt", PathKind::PlainFile},
      {dir + L"\\shared", PathKind::SevenZipArchive},  // open elsewhere, but sharing reads and writes
      {dir + L"\\held", PathKind::Unreadable},         // open elsewhere without read sharing
      {dir + L"\\deleting", PathKind::Unreadable},     // open elsewhere with delete access
      {dir + L"\\missing", PathKind::Unreadable},
      {L"", PathKind::Unreadable},
  };
  for (const auto& c : cases)
    EXPECT_EQ(ClassifyPath(c.path), c.kind) << U8(c.path);
  CloseHandle(held);
  CloseHandle(shared);
  CloseHandle(deleting);
}

TEST_F(JobsTest, CompressionCommandsReachTheLibraryByteForByte) {
  const std::wstring out = dir + L"\\out";
  std::filesystem::create_directories(out);
  const std::string d = U8(dir);
  const std::string longTemplate = std::string(kT) + " -w" + std::string(2100, 'x');
  struct Case {
    const char* what;
    std::wstring name;
    bool folder;
    bool top;
    int profile;
    std::string templ;  // profile 4's text when profile == 4
    std::wstring dest;  // empty: next to the source
    std::string command;
    std::wstring line, caption;
  };
  const Case cases[] = {
      {"file", L"report.txt", false, false, 0, "", L"",
       std::string(kT) + " \"" + d + "\\report.zip\" \"" + d + "\\\" \"report.txt\"", L"[FileOK] report.txt",
       L"[圧縮中/File] report.txt"},
      {"three kana", L"かなカ.txt", false, false, 0, "", L"",
       std::string(kT) + " \"" + d + "\\\xE3\x81\x8B\xE3\x81\xAA\xE3\x82\xAB.zip\" \"" + d +
           "\\\" \"\xE3\x81\x8B\xE3\x81\xAA\xE3\x82\xAB.txt\"",
       L"[FileOK] かなカ.txt", L"[圧縮中/File] かなカ.txt"},
      {"file into DestFolder", L"report.txt", false, false, 0, "", out,
       std::string(kT) + " \"" + d + "\\out\\report.zip\" \"" + d + "\\\" \"report.txt\"", L"[FileOK] report.txt",
       L"[圧縮中/File] report.txt"},
      {"folder with its top folder", L"photos", true, true, 0, "", L"",
       std::string(kT) + " \"" + d + "\\photos.zip\" \"" + d + "\\\" \"photos\\*\"", L"[DirectoryOK] photos",
       L"[圧縮中/Directory] photos"},
      {"folder contents", L"photos", true, false, 1, "", L"",
       "a -tzip -mx=0 -r \"" + d + "\\photos.zip\" \"" + d + "\\photos\\\" *", L"[DirectoryOK] photos",
       L"[圧縮中/Directory] photos"},
      {"a folder named like an archive", L"backup.zip", true, false, 0, "", L"",
       std::string(kT) + " \"" + d + "\\backup.zip.zip\" \"" + d + "\\backup.zip\\\" *", L"[DirectoryOK] backup.zip",
       L"[圧縮中/Directory] backup.zip"},
      {"no profile selected", L"report.txt", false, false, -1, "", L"",
       " \"" + d + "\\report.zip\" \"" + d + "\\\" \"report.txt\"", L"[FileOK] report.txt",
       L"[圧縮中/File] report.txt"},
      {"a command beyond 2047 bytes", L"report.txt", false, false, 4, longTemplate, L"",
       longTemplate + " \"" + d + "\\report.zip\" \"" + d + "\\\" \"report.txt\"", L"[FileOK] report.txt",
       L"[圧縮中/File] report.txt"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const std::wstring source = dir + L"\\" + c.name;
    if (c.folder)
      std::filesystem::create_directories(source);
    else
      WriteBytes(source, "plain text");
    host.settings.topFolderCompress = c.top;
    host.settings.profileIndex = c.profile;
    host.settings.profiles[4] = std::wstring(c.templ.begin(), c.templ.end());
    host.settings.destFolderMode = c.dest.empty() ? DestFolderMode::SameAsSource : DestFolderMode::SpecifiedFolder;
    host.settings.destFolder = c.dest;
    host.events.clear();
    const size_t before = SevenZipCalls().size();
    LastJobSucceeded = false;

    ProcessPath(host, source);

    const auto calls = SevenZipCalls();
    ASSERT_EQ(calls.size(), before + 1);
    EXPECT_EQ(calls.back().command, c.command);
    // During the call: the full output buffer offered, the window disabled, the job's caption up.
    EXPECT_EQ(calls.back().header, "SevenZip size=65535 enabled=0 caption=" + U8(c.caption) +
                                       " length=" + std::to_string(c.command.size()));
    EXPECT_EQ(host.events, (std::vector<std::wstring>{L"caption " + c.caption, L"disable", L"library call",
                                                      L"library returned", L"log " + c.line, L"enable",
                                                      L"caption 完了."}));
    EXPECT_TRUE(LastJobSucceeded);
    EXPECT_EQ(host.window.Caption(), L"完了.");
    EXPECT_TRUE(IsWindowEnabled(host.window.Handle()));
  }
}

TEST_F(JobsTest, AnyNonzeroResultIsAFailureAndKeepsTheSource) {
  const std::wstring source = dir + L"\\report.txt";
  WriteBytes(source, "plain");
  host.settings.delFile = true;
  host.settings.deleteMode = DeleteMode::DeleteDirectly;
  for (const wchar_t* code : {L"1", L"-1", L"32768"}) {
    SetEnv(L"MORVEL_FAKE7Z_RESULT", code);
    host.events.clear();
    LastJobSucceeded = true;
    ProcessPath(host, source);
    EXPECT_FALSE(LastJobSucceeded);
    EXPECT_EQ(host.events, (std::vector<std::wstring>{L"caption [圧縮中/File] report.txt", L"disable",
                                                      L"library call", L"library returned",
                                                      L"log [FileNG] report.txt", L"enable", L"caption 完了."}));
    EXPECT_TRUE(Exists(source));
  }
}

TEST_F(JobsTest, LastJobSucceededFollowsTheLastJobOnly) {
  const std::wstring a = dir + L"\\a.txt", b = dir + L"\\b.txt", missing = dir + L"\\missing";
  WriteBytes(a, "a");
  WriteBytes(b, "b");
  ProcessPath(host, missing);
  EXPECT_TRUE(LastJobSucceeded) << "a batch of unreadable paths leaves the initial value";
  SetEnv(L"MORVEL_FAKE7Z_RESULT", L"1");
  ProcessPath(host, a);
  SetEnv(L"MORVEL_FAKE7Z_RESULT", L"");
  ProcessPath(host, b);
  EXPECT_TRUE(LastJobSucceeded);
  SetEnv(L"MORVEL_FAKE7Z_RESULT", L"1");
  ProcessPath(host, a);
  ProcessPath(host, missing);
  EXPECT_FALSE(LastJobSucceeded) << "an unreadable path keeps the failure before it";
  EXPECT_EQ(host.log, (std::vector<std::wstring>{L"[FileNG] a.txt", L"[FileOK] b.txt", L"[FileNG] a.txt"}));
}

TEST_F(JobsTest, SettingsAreReadAfterPendingMessagesRan) {
  const std::wstring source = dir + L"\\report.txt";
  WriteBytes(source, "plain");
  host.onProcessMessages = [&] { host.settings.fileExt = L".7z"; };  // as if the dialog had just been closed
  ProcessPath(host, source);
  ASSERT_EQ(SevenZipCalls().size(), 1u);
  EXPECT_NE(SevenZipCalls()[0].command.find("\\report.7z\""), std::string::npos) << SevenZipCalls()[0].command;
}

TEST_F(JobsTest, ClosingDuringTheDispatchStopsThePath) {
  const std::wstring source = dir + L"\\report.txt";
  WriteBytes(source, "plain");
  host.onProcessMessages = [&] { host.closing = true; };
  LastJobSucceeded = false;
  ProcessPath(host, source);
  EXPECT_TRUE(host.log.empty());
  EXPECT_TRUE(SevenZipCalls().empty());
  EXPECT_FALSE(LastJobSucceeded);
}

TEST_F(JobsTest, WindowClosingDuringTheCallKeepsTheSource) {
  const std::wstring source = dir + L"\\report.txt";
  WriteBytes(source, "plain");
  host.settings.delFile = true;
  host.settings.deleteMode = DeleteMode::DeleteDirectly;
  host.onEvent = [&](const std::wstring& what) {
    if (what == L"library call") host.closing = true;  // a close that arrives while the library works
  };
  ProcessPath(host, source);
  EXPECT_EQ(host.log, (std::vector<std::wstring>{L"[FileOK] report.txt"}));
  EXPECT_TRUE(Exists(source));
}

TEST_F(JobsTest, RenameArchives) {
  struct Case {
    const char* what;
    std::wstring name, bytes, ext, exists;  // exists: a file already there
    std::wstring line, after;               // after: the name it bears afterwards
    bool ok;
  };
  const Case cases[] = {
      {"7z archive gets FileExt", L"old.7z", L"7z", L".zip", L"", L"[RenameOK] old.7z", L"old.zip", true},
      {"office document is a ZIP", L"sheet.xlsx", L"PK", L".zip", L"", L"[RenameOK] sheet.xlsx", L"sheet.zip", true},
      {"target exists", L"a.7z", L"7z", L".zip", L"a.zip", L"[RenameNG] a.7z", L"a.7z", false},
      {"empty FileExt removes the extension", L"b.zip", L"PK", L"", L"", L"[RenameOK] b.zip", L"b", true},
      {"kana name", L"写真.7z", L"7z", L".zip", L"", L"[RenameOK] 写真.7z", L"写真.zip", true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const std::wstring path = dir + L"\\" + c.name;
    WriteBytes(path, U8(c.bytes) + "payload");
    if (!c.exists.empty()) WriteBytes(dir + L"\\" + c.exists, "other");
    host.settings.fileExt = c.ext;
    host.SetCaption(L"untouched");
    host.events.clear();
    LastJobSucceeded = !c.ok;
    ProcessPath(host, path);
    EXPECT_EQ(host.events, (std::vector<std::wstring>{L"log " + c.line}));
    EXPECT_EQ(LastJobSucceeded, c.ok);
    EXPECT_TRUE(Exists(dir + L"\\" + c.after));
    if (!c.exists.empty()) {
      std::ifstream in(std::filesystem::path(dir + L"\\" + c.exists), std::ios::binary);
      std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
      EXPECT_EQ(text, "other") << "the existing file must not be replaced";
    }
  }
  EXPECT_EQ(host.window.Caption(), L"untouched");
  EXPECT_TRUE(SevenZipCalls().empty()) << "renaming never calls the library";

  // Onto its own name: the line follows the platform's answer, and the file stays.
  const std::wstring same = dir + L"\\same.zip";
  WriteBytes(same, "PK");
  host.settings.fileExt = L".zip";
  host.log.clear();
  const bool platform = MoveFileW(same.c_str(), same.c_str()) != FALSE;
  ProcessPath(host, same);
  EXPECT_EQ(host.log, (std::vector<std::wstring>{platform ? L"[RenameOK] same.zip" : L"[RenameNG] same.zip"}));
  EXPECT_TRUE(Exists(same));
}

TEST_F(JobsTest, SuccessfulJobDeletesItsSourceAfterTheLine) {
  ASSERT_NO_FATAL_FAILURE(UseOwnTrash());
  // To the recycle bin: a file.
  const std::wstring file = dir + L"\\report.txt";
  WriteBytes(file, "plain");
  host.settings.delFile = true;
  host.watch = file;
  ProcessPath(host, file);
  EXPECT_EQ(host.events,
            (std::vector<std::wstring>{L"caption [圧縮中/File] report.txt (source there)", L"disable (source there)",
                                       L"library call (source there)", L"library returned (source there)",
                                       L"log [FileOK] report.txt (source there)", L"enable (source gone)",
                                       L"caption 完了. (source gone)"}));
  EXPECT_TRUE(Exists(TrashFiles() + L"\\report.txt")) << "not in the trash";

  // Directly: a folder with contents, gone without a trace.
  const std::wstring folder = dir + L"\\photos";
  std::filesystem::create_directories(folder + L"\\inner");
  WriteBytes(folder + L"\\inner\\a.jpg", "jpg");
  host.settings.deleteMode = DeleteMode::DeleteDirectly;
  host.settings.destFolderMode = DestFolderMode::SpecifiedFolder;
  host.settings.destFolder = dir + L"\\elsewhere";
  host.watch = folder;
  host.events.clear();
  ProcessPath(host, folder);
  ASSERT_EQ(host.events.size(), 7u);
  EXPECT_EQ(host.events[4], L"log [DirectoryOK] photos (source there)");
  EXPECT_EQ(host.events[5], L"enable (source gone)");
  EXPECT_FALSE(Exists(TrashFiles() + L"\\photos"));
  EXPECT_FALSE(Exists(folder));
}

TEST_F(JobsTest, SourceHoldingTheNewArchiveIsKept) {
  ASSERT_NO_FATAL_FAILURE(UseOwnTrash());
  struct Case {
    const char* what;
    std::wstring source;  // relative to dir
    bool folder;
    std::wstring dest;     // relative to dir; empty: next to the source
    std::wstring archive;  // where the library writes, relative to dir
    std::wstring line;
  };
  const Case cases[] = {
      {"DestFolder is the folder itself", L"p1", true, L"p1", L"p1\\p1.zip", L"[DirectoryOK] p1"},
      {"DestFolder is a subfolder", L"p2", true, L"p2\\sub", L"p2\\sub\\p2.zip", L"[DirectoryOK] p2"},
      {"DestFolder in other case with a trailing separator", L"p3", true, L"P3\\", L"p3\\p3.zip", L"[DirectoryOK] p3"},
      {"folder given with a trailing separator", L"p4\\", true, L"", L"p4\\.zip", L"[DirectoryOK] "},
      {"archive path is the file itself", L"broken.zip", false, L"", L"broken.zip", L"[FileOK] broken.zip"},
  };
  host.settings.delFile = true;
  for (const DeleteMode mode : {DeleteMode::RecycleBin, DeleteMode::DeleteDirectly}) {
    host.settings.deleteMode = mode;
    for (const auto& c : cases) {
      SCOPED_TRACE(c.what);
      const std::wstring source = dir + L"\\" + c.source;
      if (c.folder) {
        std::filesystem::create_directories(source);
        std::filesystem::create_directories(dir + L"\\" + c.source + L"\\sub");
        WriteBytes(source + L"\\keep.txt", "data");
      } else {
        WriteBytes(source, "not a zip");
      }
      host.settings.destFolderMode = c.dest.empty() ? DestFolderMode::SameAsSource : DestFolderMode::SpecifiedFolder;
      host.settings.destFolder = c.dest.empty() ? L"" : dir + L"\\" + c.dest;
      SetEnv(L"MORVEL_FAKE7Z_CREATE", dir + L"\\" + c.archive);
      host.log.clear();
      ProcessPath(host, source);
      EXPECT_EQ(host.log, (std::vector<std::wstring>{c.line}));
      EXPECT_TRUE(LastJobSucceeded);
      EXPECT_TRUE(Exists(dir + L"\\" + c.archive)) << "the new archive was lost";
      EXPECT_TRUE(Exists(source));
    }
  }
  EXPECT_TRUE(std::filesystem::is_empty(TrashFiles())) << "nothing may have gone to the trash";

  // The guard must not stop the ordinary case: archive beside the folder.
  const std::wstring plain = dir + L"\\plain";
  std::filesystem::create_directories(plain);
  host.settings.destFolderMode = DestFolderMode::SameAsSource;
  host.settings.deleteMode = DeleteMode::RecycleBin;
  SetEnv(L"MORVEL_FAKE7Z_CREATE", dir + L"\\plain.zip");
  ProcessPath(host, plain);
  EXPECT_FALSE(Exists(plain));
  EXPECT_TRUE(Exists(TrashFiles() + L"\\plain"));
  EXPECT_TRUE(Exists(dir + L"\\plain.zip"));
}

// The shell call is replaced by a recorder here: a guard that failed must not
// be able to delete anything real.
std::vector<std::wstring> shellDeletes;
int WINAPI RecordFileOperation(LPSHFILEOPSTRUCTW op) {
  shellDeletes.push_back(op->pFrom);
  return 0;
}

TEST_F(JobsTest, DeleteSourceRefusesPathsThatDoNotNameTheItem) {
  std::filesystem::create_directories(dir + L"\\sub");
  WriteBytes(dir + L"\\a.txt", "a");
  TSHOperation::ShellFileOperation = RecordFileOperation;
  shellDeletes.clear();
  for (const std::wstring& path : {std::wstring(), dir + L"\\*", dir + L"\\a.tx?", dir + L"\\sub\\..",
                                   dir + L"\\sub\\.", dir + L"\\sub\\", std::wstring(L"C:\\"), std::wstring(L"Z:\\"),
                                   std::wstring(L"C:"), dir + L"\\missing.txt"}) {
    DeleteSource(host, path);
    EXPECT_TRUE(shellDeletes.empty()) << "deleted for " << U8(path);
    shellDeletes.clear();
  }
  DeleteSource(host, dir + L"\\a.txt");
  EXPECT_EQ(shellDeletes, (std::vector<std::wstring>{dir + L"\\a.txt"})) << "a proper path must still go through";
  TSHOperation::ShellFileOperation = SHFileOperationW;
}

TEST_F(JobsTest, ShellIsToldAboutTheSourceFolder) {
  host.window.WatchShellUpdates();
  const std::wstring sub = dir + L"\\src";
  const std::wstring out = dir + L"\\out";
  std::filesystem::create_directories(sub);
  std::filesystem::create_directories(out);
  WriteBytes(sub + L"\\report.txt", "plain");
  host.settings.destFolderMode = DestFolderMode::SpecifiedFolder;
  host.settings.destFolder = out;
  const auto seen = [&](const std::wstring& folder) {
    return std::find_if(host.window.updates.begin(), host.window.updates.end(), [&](const std::wstring& u) {
             return _wcsicmp(u.c_str(), folder.c_str()) == 0;
           }) != host.window.updates.end();
  };

  ProcessPath(host, dir + L"\\gone\\missing.txt");  // Unreadable: still notified
  EXPECT_TRUE(PumpUntil([&] { return seen(dir + L"\\gone"); }))
      << "no SHCNE_UPDATEDIR for the folder of an unreadable path";
  ProcessPath(host, sub + L"\\report.txt");
  EXPECT_TRUE(PumpUntil([&] { return seen(sub); })) << "no SHCNE_UPDATEDIR for the source folder";
  EXPECT_FALSE(seen(out)) << "the destination is not what is notified";
}

}  // namespace
