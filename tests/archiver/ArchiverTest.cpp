// 7-ZIP32.DLL called the way Morvel calls it: loaded with LoadLibraryW, entry
// points found by name, on real trees in a temporary folder whose path holds
// blanks and Japanese. Every archive is read back with unzip, 7zz and Python's
// zipfile, on the Linux side (Wine starts /bin/sh for that).
#include "ArchiverTestSupport.h"

namespace {

using namespace archtest;

// --- the three forms, each profile ----------------------------------------------

TEST_F(ArchiverTest, MorvelsThreeFormsPackExactlyWhatTheyName) {
  struct Profile {
    const char* text;
    const wchar_t* ext;
  } profiles[] = {{"a -tzip -mx=9 -mfb=64 -mpass=4 -r", L".zip"}, {"a -tzip -mx=0 -r", L".zip"},
                  {"a -t7z -mx=9 -r", L".7z"}};
  struct Form {
    const wchar_t* name;
    std::string tail;  // base folder and names
    std::set<std::string> entries;
  } forms[] = {
      // The file form: report.txt only, not other\report.txt.
      {L"file", Q(Data()) + " \"report.txt\"", {"report.txt"}},
      {L"file-ja", Q(Data() + L"photos\\") + " \"日本語.txt\"", {"日本語.txt"}},
      // With the top folder: photos\… but nothing of other\photos.
      {L"top", Q(Data()) + " \"photos\\*\"", Under("photos/", kPhotos)},
      {L"contents", Q(Data() + L"photos\\") + " *", kPhotos},
  };
  int n = 0;
  for (const Profile& p : profiles) {
    for (const Form& f : forms) {
      std::wstring archive = Out(std::wstring(f.name) + L"-" + std::to_wstring(++n) + p.ext);
      std::string command = std::string(p.text) + " " + Q(archive) + " " + f.tail;
      SCOPED_TRACE(command);
      Call c = SevenZipCall(command);
      ASSERT_EQ(c.code, SEVENZIP32_OK) << c.output;
      EXPECT_NE(c.output.find("Everything is Ok"), std::string::npos) << c.output;
      if (std::wstring(p.ext) == L".zip") ExpectZip(archive, f.entries);
      else Expect7z(archive, f.entries);
    }
  }
}

TEST_F(ArchiverTest, NamesBeginningWithAtOrDashAreFiles) {
  for (const char* name : {"@notes.txt", "-x.txt"}) {
    std::wstring archive = Out(L"names-" + Wide(name + 1) + L".zip");
    Call c = SevenZipCall("a -tzip -r " + Q(archive) + " " + Q(Data() + L"names\\") + " \"" + name + "\"");
    ASSERT_EQ(c.code, SEVENZIP32_OK) << c.output;
    ExpectZip(archive, {name});
  }
}

TEST_F(ArchiverTest, WhereTheEngineAnswersItsAnswerStands) {
  // An empty folder packs an empty archive.
  std::wstring empty = Out(L"empty.zip");
  Call c = SevenZipCall("a -tzip -r " + Q(empty) + " " + Q(Data() + L"emptydir\\") + " *");
  ASSERT_EQ(c.code, SEVENZIP32_OK) << c.output;
  ExpectZip(empty, {});
  // A missing archive folder is created.
  std::wstring deep = g_root + L"\\out\\new folder\\新しい\\report.zip";
  c = SevenZipCall("a -tzip -r " + Q(deep) + " " + Q(Data()) + " \"report.txt\"");
  ASSERT_EQ(c.code, SEVENZIP32_OK) << c.output;
  ExpectZip(deep, {"report.txt"});
}

TEST_F(ArchiverTest, AnEngineErrorIsAFailureWithTheEnginesWords) {
  // The archive's folder would have to be made below a plain file.
  Call c = SevenZipCall("a -tzip -r " + Q(Data() + L"report.txt\\sub\\x.zip") + " " + Q(Data()) + " \"report.txt\"");
  EXPECT_EQ(c.code, SEVENZIP32_ENGINE_FAILED);
  EXPECT_NE(c.output.find("7-Zip"), std::string::npos) << c.output;
  EXPECT_NE(c.output.find("7-ZIP32.DLL: the engine failed"), std::string::npos) << c.output;
}

TEST_F(ArchiverTest, BadInputIsRefusedWithAReason) {
  struct Case {
    const char* command;
    const char* reason;
  } cases[] = {
      {nullptr, "no command text"},
      {"", "no command"},
      {"   ", "no command"},
      {"a -tzip -r \"C:\\x.zip", "quote"},
      {"a -tzip -r", "no archive name"},
      {"q \"C:\\x.zip\"", "unknown command"},
  };
  for (const Case& k : cases) {
    std::vector<char> out(256, '\x7f');
    int code = TheLibrary().sevenZip(nullptr, k.command, out.data(), static_cast<DWORD>(out.size()));
    EXPECT_EQ(code, SEVENZIP32_BAD_COMMAND) << (k.command ? k.command : "(null)");
    EXPECT_NE(std::string(out.data()).find(k.reason), std::string::npos) << out.data();
  }
  std::string missing = U8(g_root) + "\\no such folder\\";
  Call c = SevenZipCall("a -tzip -r " + Q(Out(L"never.zip")) + " \"" + missing + "\" \"report.txt\"");
  EXPECT_EQ(c.code, SEVENZIP32_BAD_COMMAND);
  EXPECT_NE(c.output.find("base folder does not exist: " + missing), std::string::npos) << c.output;
  EXPECT_FALSE(Exists(Out(L"never.zip")));
}

TEST_F(ArchiverTest, OutputIsCutToTheBufferAndAlwaysTerminated) {
  // A deterministic text with Japanese in it: the refusal of a missing base folder.
  std::string command = "a -tzip " + Q(Out(L"never.zip")) + " \"" + U8(g_root) + "\\無い\\\" x";
  const std::string full = SevenZipCall(command).output;
  ASSERT_NE(full.find("無い"), std::string::npos);
  for (DWORD size = 1; size <= full.size() + 2; ++size) {
    std::vector<char> out(full.size() + 8, '\x7f');
    EXPECT_EQ(TheLibrary().sevenZip(nullptr, command.c_str(), out.data(), size), SEVENZIP32_BAD_COMMAND);
    size_t n = std::string(out.data()).size();
    ASSERT_LT(n, size);
    EXPECT_EQ(std::string(out.data(), n), full.substr(0, n));
    // The longest prefix that fits and ends between characters.
    size_t expect = std::min<size_t>(size - 1, full.size());
    while (expect > 0 && expect < full.size() && (static_cast<unsigned char>(full[expect]) & 0xC0) == 0x80) --expect;
    EXPECT_EQ(n, expect) << "size " << size;
    for (size_t i = n + 1; i < out.size(); ++i) ASSERT_EQ(out[i], '\x7f') << "written past the terminator, size " << size;
  }
  // No buffer, or a size of 0: the command still runs, nothing is written.
  std::wstring archive = Out(L"nobuffer.zip");
  std::string ok = "a -tzip -r " + Q(archive) + " " + Q(Data()) + " \"report.txt\"";
  EXPECT_EQ(TheLibrary().sevenZip(nullptr, ok.c_str(), nullptr, 0), SEVENZIP32_OK);
  char untouched = '\x7f';
  EXPECT_EQ(TheLibrary().sevenZip(nullptr, ok.c_str(), &untouched, 0), SEVENZIP32_OK);
  EXPECT_EQ(untouched, '\x7f');
  ExpectZip(archive, {"report.txt"});
}

TEST_F(ArchiverTest, BeforeUnicodeModeTheTextIsInTheAnsiCodePage) {
  const std::wstring name = L"café.txt";
  BOOL lossy = FALSE;
  char ansi[64];
  int n = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, name.c_str(), -1, ansi, sizeof ansi, nullptr, &lossy);
  if (n == 0 || lossy || GetACP() == CP_UTF8) GTEST_SKIP() << "the ANSI code page " << GetACP() << " cannot tell";
  // The tree's own path holds Japanese, which the ANSI code page may lack: an ASCII folder.
  const std::wstring folder = g_scratch + L"\\ansi\\";
  MakeDir(folder);
  MakeFile(folder + name);
  MakeFile(folder + L"other.txt");
  const std::wstring archive = folder + L"ansi.zip";
  std::string command = "a -tzip -r \"" + U8(archive) + "\" \"" + U8(folder) + "\" \"" + ansi + "\"";
  TheLibrary().setUnicodeMode(FALSE);
  Call c = SevenZipCall(command);
  TheLibrary().setUnicodeMode(TRUE);
  ASSERT_EQ(c.code, SEVENZIP32_OK) << c.output;
  ExpectZip(archive, {"café.txt"});
  // The output comes back in the ANSI code page too.
  EXPECT_NE(c.output.find(std::string("Creating archive")), std::string::npos) << c.output;
  Shell("rm -rf " + Quote(g_scratchUnix + "/ansi"));
}

TEST_F(ArchiverTest, VersionsAreTheEnginesAndTheLibrarysOwn) {
  ShellResult banner = Shell("7zz | head -3");
  int major = 0, minor = 0;
  size_t at = banner.output.find("7-Zip");
  ASSERT_NE(at, std::string::npos) << banner.output;
  ASSERT_EQ(std::sscanf(banner.output.c_str() + at, "7-Zip (z) %d.%d", &major, &minor), 2) << banner.output;
  EXPECT_EQ(TheLibrary().getVersion(), major * 100 + minor);
  EXPECT_EQ(TheLibrary().getSubVersion(), kSevenZip32Revision);
}

// --- engines that misbehave -----------------------------------------------------

TEST_F(ArchiverTest, EveryKindOfFailureHasItsOwnValue) {
  const std::string file = Q(Data()) + " \"report.txt\"";
  {
    // The add "succeeds" but leaves a broken archive: the check must catch it.
    EnvVar engine(SEVENZIP32_ENGINE_VARIABLE,
                  Wide(FakeLinuxEngine("broken-7zz", "while [ \"$1\" != -- ]; do shift; done\n"
                                                     "printf 'PK\\003\\004 not a zip' >\"$2\"\nexit 0")));
    std::wstring archive = Out(L"broken.zip");
    Call c = SevenZipCall("a -tzip -r " + Q(archive) + " " + file);
    EXPECT_EQ(c.code, SEVENZIP32_CHECK_FAILED) << c.output;
    EXPECT_NE(c.output.find("failed its test"), std::string::npos) << c.output;
    ASSERT_TRUE(Exists(archive));
    EXPECT_NE(ReadBack(archive).tools["7zz-t"], 0) << "the archive was sound after all";
  }
  {
    EnvVar engine(SEVENZIP32_ENGINE_VARIABLE, Wide(FakeLinuxEngine("warning-7zz", "echo 'WARNING: odd'\nexit 1")));
    Call c = SevenZipCall("a -tzip -r " + Q(Out(L"warning.zip")) + " " + file);
    EXPECT_EQ(c.code, SEVENZIP32_ENGINE_WARNING) << c.output;
    EXPECT_NE(c.output.find("WARNING: odd"), std::string::npos) << c.output;
  }
  {
    EnvVar engine(SEVENZIP32_ENGINE_VARIABLE, L"/no/such/7zz");
    Call c = SevenZipCall("a -tzip -r " + Q(Out(L"none.zip")) + " " + file);
    EXPECT_EQ(c.code, SEVENZIP32_NO_ENGINE) << c.output;
    EXPECT_NE(c.output.find("/no/such/7zz"), std::string::npos) << c.output;
    EXPECT_EQ(TheLibrary().getVersion(), 0);
    EXPECT_FALSE(Exists(Out(L"none.zip")));
    // Told once, in the reasons window, with what to install and where it looked.
    Call again = SevenZipCall("a -tzip -r " + Q(Out(L"none2.zip")) + " " + file);
    EXPECT_EQ(again.code, SEVENZIP32_NO_ENGINE) << again.output;
    HWND reasons = FindWindowW(L"Morvel7z32Reasons", nullptr);
    ASSERT_NE(reasons, nullptr) << "no word about the missing engine";
    HWND edit = GetDlgItem(reasons, 100);
    std::wstring said(static_cast<size_t>(GetWindowTextLengthW(edit)) + 1, L'\0');
    said.resize(static_cast<size_t>(GetWindowTextW(edit, said.data(), static_cast<int>(said.size()))));
    const std::wstring heading = L"7-Zip が見つかりません";
    EXPECT_NE(said.find(heading), std::wstring::npos) << U8(said);
    EXPECT_EQ(said.find(heading, said.find(heading) + 1), std::wstring::npos) << "told more than once: " << U8(said);
    EXPECT_NE(said.find(L"/no/such/7zz"), std::wstring::npos) << U8(said);
    EXPECT_NE(said.find(L"7zip"), std::wstring::npos) << U8(said);
    SendMessageW(reasons, WM_CLOSE, 0, 0);
  }
  // The values are distinct, and none of them is success.
  std::set<int> codes = {SEVENZIP32_NO_ENGINE, SEVENZIP32_BAD_COMMAND, SEVENZIP32_ENGINE_WARNING,
                         SEVENZIP32_ENGINE_FAILED, SEVENZIP32_CHECK_FAILED, SEVENZIP32_START_FAILED,
                         SEVENZIP32_INTERNAL, SEVENZIP32_CANCELLED};
  EXPECT_EQ(codes.size(), 8u);
  EXPECT_FALSE(codes.count(SEVENZIP32_OK));
}

// --- names that a shell would act on ---------------------------------------------

TEST_F(ArchiverTest, NoCharacterOfANameIsEverInterpreted) {
  const std::vector<std::string> names = {
      "it's.txt", "$(touch marker).txt", "`touch marker`.txt", "a; touch marker.txt", "a & touch marker.txt",
      "a | touch marker.txt", "100% %PATH%.txt", "bang!.txt", "star*.txt", "new\nline.txt", "-rf.txt",
      "@list.txt", "' ; touch marker ; '.txt", "$HOME \"q\".txt", "tab\there.txt"};
  const std::string nasty = g_rootUnix + "/nasty";
  std::string create = "mkdir -p " + Quote(nasty) + " && cd " + Quote(nasty) + " && python3 -c '\nimport sys\n"
                       "for h in sys.argv[1:]: open(bytes.fromhex(h), \"w\").write(\"x\")\n'";
  for (const std::string& n : names) create += " " + Hex(n);
  ShellResult made = Shell(create);
  ASSERT_EQ(made.code, 0) << made.output;
  const std::wstring base = g_root + L"\\nasty\\";

  int i = 0;
  for (const std::string& n : names) {
    if (n.find('"') != std::string::npos) continue;  // a quote cannot be written inside a quoted name
    SCOPED_TRACE(n);
    std::wstring archive = Out(L"nasty-" + std::to_wstring(++i) + L".zip");
    Call c = SevenZipCall("a -tzip -mx=9 -r " + Q(archive) + " " + Q(base) + " \"" + n + "\"");
    ASSERT_EQ(c.code, SEVENZIP32_OK) << c.output;
    ExpectZip(archive, {n});
  }
  std::wstring all = Out(L"nasty-all.zip");
  Call c = SevenZipCall("a -tzip -r " + Q(all) + " " + Q(base) + " *");
  ASSERT_EQ(c.code, SEVENZIP32_OK) << c.output;
  ExpectZip(all, std::set<std::string>(names.begin(), names.end()));

  ShellResult found = Shell("find " + Quote(g_rootUnix) + " -name 'marker*' -print; ls -a ~ /tmp | grep -x 'marker' || true");
  EXPECT_EQ(found.output, "") << "something ran";
}

// --- a Windows engine -------------------------------------------------------------

struct FakeRun {
  std::string cwd;
  std::vector<std::string> args;
};

std::vector<FakeRun> ReadFakeLog(const std::wstring& folder) {
  std::vector<FakeRun> runs;
  std::string log = ReadFileText(folder + L"fake7z.log");
  size_t pos = 0;
  while (pos < log.size()) {
    size_t end = log.find('\n', pos);
    std::string line = log.substr(pos, end - pos);
    pos = end + 1;
    FakeRun r;
    size_t start = 0;
    bool first = true;
    while (start <= line.size()) {
      size_t blank = line.find(' ', start);
      if (blank == std::string::npos) blank = line.size();
      std::string word = line.substr(start, blank - start);
      std::string text = word == "-" ? "" : Unhex(word);
      if (first) r.cwd = text;
      else r.args.push_back(text);
      first = false;
      start = blank + 1;
    }
    runs.push_back(r);
  }
  return runs;
}

std::wstring InstallFake(const std::wstring& folder, const wchar_t* name) {
  // Each level of the folder, which may be nested.
  for (size_t at = folder.find(L'\\', g_root.size() + 1); at != std::wstring::npos; at = folder.find(L'\\', at + 1))
    MakeDir(folder.substr(0, at));
  std::wstring exe = folder + name;
  EXPECT_TRUE(CopyFileW(DosPath(FAKE_ENGINE).c_str(), exe.c_str(), FALSE)) << U8(exe);
  DeleteFileW((folder + L"fake7z.log").c_str());
  return exe;
}

TEST_F(ArchiverTest, AWindowsEngineGetsTheArgumentsAndItsExitCodeCounts) {
  const std::wstring folder = g_root + L"\\Program Files\\7-Zip ほか\\";  // blanks: no C:\Program.exe trap
  EnvVar engine(SEVENZIP32_ENGINE_VARIABLE, InstallFake(folder, L"7z.exe"));
  EXPECT_EQ(TheLibrary().getVersion(), 2408);

  const std::wstring archive = Out(L"windows engine.zip");
  const std::string command = "a -tzip -r " + Q(archive) + " " + Q(Data()) + " \"report.txt\" \"photos\\*\"";
  struct Case {
    const wchar_t* addExit;
    const wchar_t* testExit;
    int code;
    size_t runs;
  } cases[] = {
      {L"0", L"0", SEVENZIP32_OK, 2},
      {L"1", L"0", SEVENZIP32_ENGINE_WARNING, 1},
      {L"2", L"0", SEVENZIP32_ENGINE_FAILED, 1},
      {L"0", L"2", SEVENZIP32_CHECK_FAILED, 2},
  };
  for (const Case& k : cases) {
    DeleteFileW((folder + L"fake7z.log").c_str());
    EnvVar add(L"FAKE7Z_EXIT", k.addExit), test(L"FAKE7Z_TEST_EXIT", k.testExit);
    Call c = SevenZipCall(command);
    EXPECT_EQ(c.code, k.code) << c.output;
    // What the engine printed, both streams, reaches the output buffer.
    EXPECT_NE(c.output.find("fake engine"), std::string::npos) << c.output;
    EXPECT_NE(c.output.find("fake stderr line"), std::string::npos) << c.output;
    ASSERT_EQ(ReadFakeLog(folder).size(), k.runs);
  }
  std::vector<FakeRun> runs = ReadFakeLog(folder);
  const std::string dataFolder = U8(Data().substr(0, Data().size() - 1));
  EXPECT_EQ(runs[0].cwd, dataFolder);
  // Report and errors to the output, progress alone to its own stream.
  EXPECT_EQ(runs[0].args, (std::vector<std::string>{"a", "-tzip", "-r", "-sccUTF-8", "-ir-!report.txt", "-bso1",
                                                     "-bse1", "-bsp2", "--", U8(archive), "photos\\*"}));
  EXPECT_EQ(runs[1].args, (std::vector<std::string>{"t", "-sccUTF-8", "-bso1", "-bse1", "-bsp2", "--", U8(archive)}));
}

TEST_F(ArchiverTest, APlanted7zExeInTheCurrentFolderIsNeverRun) {
  const std::wstring planted = g_root + L"\\planted\\";
  InstallFake(planted, L"7z.exe");
  wchar_t oldCwd[MAX_PATH];
  GetCurrentDirectoryW(MAX_PATH, oldCwd);
  ASSERT_TRUE(SetCurrentDirectoryW(planted.c_str()));
  {
    // Empty and relative PATH entries both mean the current folder.
    EnvVar path(L"PATH", L";.;planted;C:\\windows\\system32");
    EXPECT_NE(TheLibrary().getVersion(), 2408);
    std::wstring archive = Out(L"planted.zip");
    Call c = SevenZipCall("a -tzip -r " + Q(archive) + " \"\" \"7z.exe\"");
    EXPECT_EQ(c.code, SEVENZIP32_OK) << c.output;
    ExpectZip(archive, {"7z.exe"});
  }
  SetCurrentDirectoryW(oldCwd);
  EXPECT_FALSE(Exists(planted + L"fake7z.log")) << "the planted 7z.exe ran";
}

TEST_F(ArchiverTest, A7zExeBesideTheLibraryComesFirst) {
  const std::wstring beside = g_root + L"\\beside\\";
  InstallFake(beside, L"7z.exe");
  ASSERT_TRUE(CopyFileW(DosPath(ARCHIVER_DLL).c_str(), (beside + L"7-ZIP32.DLL").c_str(), FALSE));
  Library copy(beside + L"7-ZIP32.DLL");
  ASSERT_TRUE(copy.Complete());
  ASSERT_NE(copy.module, TheLibrary().module) << "the loader handed back the first copy";
  EXPECT_EQ(copy.getVersion(), 2408);
  EXPECT_NE(TheLibrary().getVersion(), 2408);
}

}  // namespace
