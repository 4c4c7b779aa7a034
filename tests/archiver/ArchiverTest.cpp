// 7-ZIP32.DLL called the way Morvel calls it: loaded with LoadLibraryW, entry
// points found by name, on real trees in a temporary folder whose path holds
// blanks and Japanese, with the engine inside the library. Every archive is
// read back with unzip, 7zz and Python's zipfile, on the Linux side (Wine
// starts /bin/sh for that).
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
  EXPECT_EQ(c.code, SEVENZIP32_ENGINE_FAILED) << c.output;
  EXPECT_NE(c.output.find("report.txt\\sub"), std::string::npos) << c.output;
  EXPECT_NE(c.output.find("7-ZIP32.DLL: "), std::string::npos) << c.output;
  // The engine's parser refuses what it does not know, in its own words.
  c = SevenZipCall("a -tzip -zz " + Q(Out(L"never.zip")) + " " + Q(Data()) + " \"report.txt\"");
  EXPECT_EQ(c.code, SEVENZIP32_BAD_COMMAND) << c.output;
  EXPECT_NE(c.output.find("-zz"), std::string::npos) << c.output;
  EXPECT_FALSE(Exists(Out(L"never.zip")));
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
  EXPECT_NE(c.output.find("Everything is Ok"), std::string::npos) << c.output;
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

// --- what can go wrong ------------------------------------------------------------

TEST_F(ArchiverTest, EveryKindOfFailureHasItsOwnValueAndChangesNoArchive) {
  const std::wstring folder = g_root + L"\\failures\\";
  MakeDir(folder);
  MakeFile(folder + L"a.txt", "aaa\n");
  MakeFile(folder + L"busy.txt", "busy\n");
  const std::wstring kept = Out(L"kept.zip");
  ASSERT_EQ(SevenZipCall("a -tzip " + Q(kept) + " " + Q(folder) + " \"a.txt\"").code, SEVENZIP32_OK);
  const std::string before = ReadFileText(kept);

  {
    // A file that cannot be read is left out with a warning naming it; the
    // archive is written without it.
    Locked busy(folder + L"busy.txt");
    ASSERT_NE(busy.h, INVALID_HANDLE_VALUE);
    const std::wstring partial = Out(L"partial.zip");
    Call c = SevenZipCall("a -tzip " + Q(partial) + " " + Q(folder) + " *");
    EXPECT_EQ(c.code, SEVENZIP32_ENGINE_WARNING) << c.output;
    EXPECT_NE(c.output.find("WARNING: "), std::string::npos) << c.output;
    EXPECT_NE(c.output.find("busy.txt"), std::string::npos) << c.output;
    ExpectZip(partial, {"a.txt"});
  }
  {
    // An archive that fails its test never reaches its name: the one there stays.
    EnvVar damage(L"SEVENZIP32_DAMAGE_WRITTEN", L"1");
    Call c = SevenZipCall("a -tzip " + Q(kept) + " " + Q(folder) + " \"busy.txt\"");
    EXPECT_EQ(c.code, SEVENZIP32_CHECK_FAILED) << c.output;
    EXPECT_NE(c.output.find("failed its test"), std::string::npos) << c.output;
    EXPECT_EQ(ReadFileText(kept), before) << "the archive changed";
  }
  {
    // -p without a value asks for a password, which nobody can give here.
    Call c = SevenZipCall("a -tzip -p " + Q(kept) + " " + Q(folder) + " \"busy.txt\"");
    EXPECT_EQ(c.code, SEVENZIP32_NO_PASSWORD) << c.output;
    EXPECT_EQ(ReadFileText(kept), before) << "the archive changed";
    const std::wstring secret = Out(L"secret.zip");
    ASSERT_EQ(SevenZipCall("a -tzip -psesame " + Q(secret) + " " + Q(folder) + " \"a.txt\"").code, SEVENZIP32_OK);
    EXPECT_EQ(SevenZipCall("t " + Q(secret)).code, SEVENZIP32_NO_PASSWORD);
    EXPECT_EQ(SevenZipCall("t -psesame " + Q(secret)).code, SEVENZIP32_OK);
    EXPECT_EQ(SevenZipCall("t -pwrong " + Q(secret)).code, SEVENZIP32_ENGINE_FAILED);
  }
  {
    // Not an archive where one is to be updated: the engine says so, the file stays.
    const std::wstring notZip = Out(L"not a zip.zip");
    MakeFile(notZip, "plain text, not an archive\n");
    Call c = SevenZipCall("a -tzip " + Q(notZip) + " " + Q(folder) + " \"a.txt\"");
    EXPECT_EQ(c.code, SEVENZIP32_ENGINE_FAILED) << c.output;
    EXPECT_EQ(ReadFileText(notZip), "plain text, not an archive\n");
  }
  // No temporary file outlives a failure.
  WIN32_FIND_DATAW fd;
  HANDLE find = FindFirstFileW((g_root + L"\\out\\*.7z32tmp*").c_str(), &fd);
  EXPECT_EQ(find, INVALID_HANDLE_VALUE) << "left behind: " << (find != INVALID_HANDLE_VALUE ? U8(fd.cFileName) : "");
  if (find != INVALID_HANDLE_VALUE) FindClose(find);

  // The values are distinct, and none of them is success.
  std::set<int> codes = {SEVENZIP32_BAD_COMMAND, SEVENZIP32_ENGINE_WARNING, SEVENZIP32_ENGINE_FAILED,
                         SEVENZIP32_CHECK_FAILED, SEVENZIP32_INTERNAL,      SEVENZIP32_CANCELLED,
                         SEVENZIP32_NO_PASSWORD,  SEVENZIP32_IN_CALL};
  EXPECT_EQ(codes.size(), 8u);
  EXPECT_FALSE(codes.count(SEVENZIP32_OK));
}

TEST_F(ArchiverTest, AnUpdateKeepsWhatTheArchiveHadAndALeftoverTemporaryFileGoes) {
  const std::wstring archive = Out(L"grown.zip");
  ASSERT_EQ(SevenZipCall("a -tzip -r " + Q(archive) + " " + Q(Data()) + " \"report.txt\"").code, SEVENZIP32_OK);
  // What a killed call left beside the archive.
  MakeFile(archive + L".7z32tmp", "half an archive");
  Call c = SevenZipCall("a -tzip -r " + Q(archive) + " " + Q(Data() + L"names\\") + " \"x.txt\"");
  ASSERT_EQ(c.code, SEVENZIP32_OK) << c.output;
  ExpectZip(archive, {"report.txt", "x.txt"});
  EXPECT_FALSE(Exists(archive + L".7z32tmp"));
  // d and rn write through the same temporary file.
  ASSERT_EQ(SevenZipCall("d " + Q(archive) + " \"report.txt\"").code, SEVENZIP32_OK);
  ASSERT_EQ(SevenZipCall("rn " + Q(archive) + " \"x.txt\" \"y.txt\"").code, SEVENZIP32_OK);
  ExpectZip(archive, {"y.txt"});
}

TEST_F(ArchiverTest, VolumesAreWrittenTestedAndMovedTogether) {
  const std::wstring folder = g_root + L"\\volumes\\";
  MakeDir(folder);
  std::string noise;
  for (unsigned i = 0, x = 12345; i < 300000; ++i) noise += static_cast<char>('a' + (x = x * 1103515245 + 12345) % 26);
  MakeFile(folder + L"noise.txt", noise);
  const std::wstring archive = Out(L"parts.7z");
  Call c = SevenZipCall("a -t7z -v100k " + Q(archive) + " " + Q(folder) + " \"noise.txt\"");
  ASSERT_EQ(c.code, SEVENZIP32_OK) << c.output;
  EXPECT_TRUE(Exists(archive + L".001"));
  EXPECT_TRUE(Exists(archive + L".002"));
  EXPECT_FALSE(Exists(archive + L".7z32tmp.001"));
  ShellResult t = Shell("7zz t " + Quote(UnixPath(archive + L".001")));
  EXPECT_EQ(t.code, 0) << t.output;
}

TEST_F(ArchiverTest, TestExtractAndListRunInProcessToo) {
  const std::wstring archive = Out(L"to extract.zip");
  ASSERT_EQ(SevenZipCall("a -tzip -r " + Q(archive) + " " + Q(Data()) + " \"photos\\*\"").code, SEVENZIP32_OK);
  EXPECT_EQ(SevenZipCall("t " + Q(archive)).code, SEVENZIP32_OK);
  Call l = SevenZipCall("l " + Q(archive));
  ASSERT_EQ(l.code, SEVENZIP32_OK) << l.output;
  EXPECT_NE(l.output.find("photos\\日本語.txt"), std::string::npos) << l.output;

  const std::wstring into = g_root + L"\\extracted\\";
  Call x = SevenZipCall("x -o" + Q(into) + " " + Q(archive));
  ASSERT_EQ(x.code, SEVENZIP32_OK) << x.output;
  EXPECT_EQ(ReadFileText(into + L"photos\\日本語.txt"), "some text\n");
  // Nobody can be asked whether to replace a file: without a switch that
  // says so, the engine's refusal is a failure, and the file stays.
  MakeFile(into + L"photos\\a b.jpg", "changed\n");
  x = SevenZipCall("x -o" + Q(into) + " " + Q(archive));
  EXPECT_EQ(x.code, SEVENZIP32_ENGINE_FAILED) << x.output;
  EXPECT_NE(x.output.find("already exists"), std::string::npos) << x.output;
  EXPECT_EQ(ReadFileText(into + L"photos\\a b.jpg"), "changed\n");
  x = SevenZipCall("x -y -o" + Q(into) + " " + Q(archive));
  ASSERT_EQ(x.code, SEVENZIP32_OK) << x.output;
  EXPECT_EQ(ReadFileText(into + L"photos\\a b.jpg"), "some text\n");
}

TEST_F(ArchiverTest, ASwitchOfOneCallDoesNotOutliveIt) {
  // -ssc makes names case-sensitive; the next call is back to Windows' rule.
  const std::wstring first = Out(L"case-1.zip"), second = Out(L"case-2.zip");
  ASSERT_EQ(SevenZipCall("a -tzip -ssc " + Q(first) + " " + Q(Data()) + " \"*.TXT\"").code, SEVENZIP32_OK);
  ExpectZip(first, {});
  ASSERT_EQ(SevenZipCall("a -tzip " + Q(second) + " " + Q(Data()) + " \"*.TXT\"").code, SEVENZIP32_OK);
  ExpectZip(second, {"report.txt"});
}

TEST_F(ArchiverTest, CallsFromTwoThreadsTakeTurns) {
  std::vector<Call> calls(2);
  std::vector<std::thread> threads;
  for (int i = 0; i < 2; ++i)
    threads.emplace_back([&calls, i] {
      calls[static_cast<size_t>(i)] = SevenZipCall("a -tzip -r " + Q(Out(L"turn-" + std::to_wstring(i) + L".zip")) +
                                                   " " + Q(Data()) + " \"photos\\*\"");
    });
  for (std::thread& t : threads) t.join();
  for (int i = 0; i < 2; ++i) {
    EXPECT_EQ(calls[static_cast<size_t>(i)].code, SEVENZIP32_OK) << calls[static_cast<size_t>(i)].output;
    ExpectZip(Out(L"turn-" + std::to_wstring(i) + L".zip"), Under("photos/", kPhotos));
  }
}

// --- names that a shell would act on ---------------------------------------------

TEST_F(ArchiverTest, NoCharacterOfANameIsEverInterpreted) {
  // Every character a Windows file name may hold that a shell or a parser
  // would act on (| * ? " < > : and control characters cannot be in one).
  const std::vector<std::string> names = {
      "it's.txt", "$(touch marker).txt", "`touch marker`.txt", "a; touch marker.txt", "a & touch marker.txt",
      "100% %PATH%.txt", "bang!.txt", "-rf.txt", "@list.txt", "' ; touch marker ; '.txt", "$HOME {q}.txt",
      "[brackets] (1).txt", "~tilde^caret=.txt"};
  const std::string nasty = g_rootUnix + "/nasty";
  std::string create = "mkdir -p " + Quote(nasty) + " && cd " + Quote(nasty) + " && python3 -c '\nimport sys\n"
                       "for h in sys.argv[1:]: open(bytes.fromhex(h), \"w\").write(\"x\")\n'";
  for (const std::string& n : names) create += " " + Hex(n);
  ShellResult made = Shell(create);
  ASSERT_EQ(made.code, 0) << made.output;
  const std::wstring base = g_root + L"\\nasty\\";

  int i = 0;
  for (const std::string& n : names) {
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

}  // namespace
