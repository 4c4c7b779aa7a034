// 7-ZIP32.DLL called the way Morvel calls it: loaded with LoadLibraryW, entry
// points found by name, on real trees in a temporary folder whose path holds
// blanks and Japanese. Every archive is read back with unzip, 7zz and Python's
// zipfile, on the Linux side (Wine starts /bin/sh for that).
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "SevenZip32.h"
#include "Utf8.h"
#include "WideText.h"

namespace {

std::string U8(std::wstring_view s) { return ToUtf8(U16(s)); }
std::wstring Wide(std::string_view s) { return W(FromUtf8(s)); }

std::string Unhex(const std::string& hex) {
  std::string r;
  for (size_t i = 0; i + 1 < hex.size(); i += 2) r += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
  return r;
}
std::string Hex(std::string_view s) {
  static const char digits[] = "0123456789abcdef";
  std::string r;
  for (unsigned char c : s) {
    r += digits[c >> 4];
    r += digits[c & 15];
  }
  return r;
}

// --- Wine's path conversions and the Linux side ---------------------------------

std::string UnixPath(const std::wstring& path) {
  using Proc = char*(CDECL*)(LPCWSTR);
  static Proc toUnix = reinterpret_cast<Proc>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
  if (!toUnix) return {};
  char* u = toUnix(path.c_str());
  if (!u) return {};
  std::string r = u;
  HeapFree(GetProcessHeap(), 0, u);
  return r;
}

std::wstring DosPath(const std::string& path) {
  using Proc = WCHAR*(CDECL*)(LPCSTR);
  static Proc toDos = reinterpret_cast<Proc>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_dos_file_name")));
  if (!toDos) return {};
  WCHAR* d = toDos(path.c_str());
  if (!d) return {};
  std::wstring r = d;
  HeapFree(GetProcessHeap(), 0, d);
  return r;
}

std::string Quote(const std::string& s) {  // for /bin/sh
  std::string r = "'";
  for (char c : s) r += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return r + "'";
}

std::string ReadFileText(const std::wstring& path) {
  std::string data;
  HANDLE f = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                         OPEN_EXISTING, 0, nullptr);
  if (f == INVALID_HANDLE_VALUE) return data;
  char buf[65536];
  DWORD got;
  while (ReadFile(f, buf, sizeof buf, &got, nullptr) && got) data.append(buf, got);
  CloseHandle(f);
  return data;
}

void WriteFileText(const std::wstring& path, const std::string& text) {
  HANDLE f = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  ASSERT_NE(f, INVALID_HANDLE_VALUE) << U8(path);
  DWORD wrote;
  WriteFile(f, text.data(), static_cast<DWORD>(text.size()), &wrote, nullptr);
  CloseHandle(f);
}

bool Exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::wstring g_root;     // the test tree, a Windows path with blanks and Japanese
std::string g_rootUnix;  // the same folder for the Linux side
std::wstring g_scratch;  // the shell scripts' own files, apart from the tree
std::string g_scratchUnix;

struct ShellResult {
  int code = -1;
  std::string output;
};

// Runs a script with /bin/sh and waits for the file it writes last, for at most two minutes.
ShellResult Shell(const std::string& script) {
  static int counter = 0;
  std::wstring name = g_scratch + L"\\shell-" + std::to_wstring(++counter);
  std::string u = g_scratchUnix + "/shell-" + std::to_string(counter);
  // Wine reuses process ids: a result left by an earlier run that crashed must not count.
  DeleteFileW((name + L".rc").c_str());
  WriteFileText(name + L".sh", "(\n" + script + "\n) >" + Quote(u + ".out") + " 2>&1 </dev/null\necho $? >" +
                                   Quote(u + ".part") + "\nmv " + Quote(u + ".part") + " " + Quote(u + ".rc") + "\n");
  std::wstring sh = DosPath("/bin/sh");
  std::wstring line = L"\"" + sh + L"\" \"" + Wide(u) + L".sh\"";
  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  ShellResult r;
  if (!CreateProcessW(sh.c_str(), line.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr, &si, &pi)) {
    ADD_FAILURE() << "cannot start /bin/sh";
    return r;
  }
  if (pi.hProcess) CloseHandle(pi.hProcess);
  if (pi.hThread) CloseHandle(pi.hThread);
  const ULONGLONG deadline = GetTickCount64() + 120000;
  while (!Exists(name + L".rc")) {
    if (GetTickCount64() > deadline) {
      ADD_FAILURE() << "the shell script never finished:\n" << script;
      return r;
    }
    Sleep(5);
  }
  r.code = std::stoi(ReadFileText(name + L".rc"));
  r.output = ReadFileText(name + L".out");
  return r;
}

// --- the library, as Morvel uses it ---------------------------------------------

struct Library {
  HMODULE module = nullptr;
  SevenZipProc sevenZip = nullptr;
  SevenZipGetVersionProc getVersion = nullptr;
  SevenZipGetSubVersionProc getSubVersion = nullptr;
  SevenZipSetUnicodeModeProc setUnicodeMode = nullptr;

  explicit Library(const std::wstring& path) {
    module = LoadLibraryW(path.c_str());
    if (!module) return;
    sevenZip = reinterpret_cast<SevenZipProc>(reinterpret_cast<void*>(GetProcAddress(module, "SevenZip")));
    getVersion =
        reinterpret_cast<SevenZipGetVersionProc>(reinterpret_cast<void*>(GetProcAddress(module, "SevenZipGetVersion")));
    getSubVersion = reinterpret_cast<SevenZipGetSubVersionProc>(
        reinterpret_cast<void*>(GetProcAddress(module, "SevenZipGetSubVersion")));
    setUnicodeMode = reinterpret_cast<SevenZipSetUnicodeModeProc>(
        reinterpret_cast<void*>(GetProcAddress(module, "SevenZipSetUnicodeMode")));
  }
  ~Library() {
    if (module) FreeLibrary(module);
  }
  bool Complete() const { return module && sevenZip && getVersion && getSubVersion && setUnicodeMode; }
};

Library& TheLibrary() {
  static Library lib(DosPath(ARCHIVER_DLL));
  return lib;
}

struct Call {
  int code = -1;
  std::string output;
};

Call SevenZipCall(const std::string& command) {
  // Morvel's buffer: 65536 bytes offered as 65535.
  std::vector<char> out(65536, '\x7f');
  Call c;
  c.code = TheLibrary().sevenZip(nullptr, command.c_str(), out.data(), 65535);
  c.output = out.data();
  return c;
}

// Sets an environment variable for one test and puts the old value back.
class EnvVar {
 public:
  EnvVar(const wchar_t* name, const std::wstring& value) : name_(name) {
    wchar_t old[32768];
    DWORD n = GetEnvironmentVariableW(name, old, 32768);
    had_ = n > 0;
    if (had_) old_.assign(old, n);
    SetEnvironmentVariableW(name, value.c_str());
  }
  ~EnvVar() { SetEnvironmentVariableW(name_, had_ ? old_.c_str() : nullptr); }

 private:
  const wchar_t* name_;
  bool had_ = false;
  std::wstring old_;
};

// --- reading archives back ------------------------------------------------------

struct Listing {
  std::map<std::string, int> tools;     // exit codes of unzip -t and 7zz t
  bool zipfileOk = false;
  std::set<std::string> zipNames;       // folders end in '/'
  std::set<std::string> utf8Flagged;
  std::set<std::string> sevenNames;
  std::string raw;
};

Listing ReadBack(const std::wstring& archive) {
  Listing l;
  ShellResult r = Shell("python3 " + Quote(READ_ARCHIVE_SCRIPT) + " " + Quote(UnixPath(archive)));
  l.raw = r.output;
  EXPECT_EQ(r.code, 0) << r.output;
  size_t pos = 0;
  while (pos < r.output.size()) {
    size_t end = r.output.find('\n', pos);
    if (end == std::string::npos) end = r.output.size();
    std::string line = r.output.substr(pos, end - pos);
    pos = end + 1;
    char a[64] = {}, b[8] = {};
    int num = 0;
    if (line.rfind("tool ", 0) == 0 && std::sscanf(line.c_str(), "tool %63s %d", a, &num) == 2) {
      l.tools[a] = num;
    } else if (line.rfind("zipfile-test ", 0) == 0) {
      l.zipfileOk = line == "zipfile-test ok";
    } else if (line.rfind("zipfile ", 0) == 0) {
      std::vector<char> hex(line.size());
      if (std::sscanf(line.c_str(), "zipfile %7s %s %d", b, hex.data(), &num) == 3) {
        std::string name = Unhex(hex.data()) + (b[0] == 'D' ? "/" : "");
        l.zipNames.insert(name);
        if (num) l.utf8Flagged.insert(name);
      }
    } else if (line.rfind("7zz ", 0) == 0) {
      std::vector<char> hex(line.size());
      if (std::sscanf(line.c_str(), "7zz %7s %s", b, hex.data()) == 2)
        l.sevenNames.insert(Unhex(hex.data()) + (b[0] == 'D' ? "/" : ""));
    }
  }
  return l;
}

bool IsAscii(const std::string& s) {
  for (unsigned char c : s)
    if (c >= 0x80) return false;
  return true;
}

void ExpectZip(const std::wstring& archive, const std::set<std::string>& names) {
  SCOPED_TRACE(U8(archive));
  Listing l = ReadBack(archive);
  // unzip -t calls an archive without entries a warning ("zipfile is empty").
  if (!names.empty()) {
    EXPECT_EQ(l.tools["unzip-t"], 0) << l.raw;
  }
  EXPECT_EQ(l.tools["7zz-t"], 0) << l.raw;
  EXPECT_TRUE(l.zipfileOk) << l.raw;
  EXPECT_EQ(l.zipNames, names);
  // 7zz l shows a line break in a name as '_'; zipfile above has the real name.
  std::set<std::string> shown;
  for (std::string n : names) {
    for (char& ch : n)
      if (ch == '\n') ch = '_';
    shown.insert(n);
  }
  EXPECT_EQ(l.sevenNames, shown);
  for (const std::string& n : names) {
    if (!IsAscii(n)) {
      EXPECT_TRUE(l.utf8Flagged.count(n)) << "no UTF-8 flag on " << n;
    }
  }
}

void Expect7z(const std::wstring& archive, const std::set<std::string>& names) {
  SCOPED_TRACE(U8(archive));
  Listing l = ReadBack(archive);
  EXPECT_EQ(l.tools["7zz-t"], 0) << l.raw;
  EXPECT_EQ(l.tools.count("unzip-t"), 0u) << "not a 7z archive: " << l.raw;
  EXPECT_EQ(l.sevenNames, names);
}

// --- the tree -------------------------------------------------------------------

void MakeDir(const std::wstring& path) { CreateDirectoryW(path.c_str(), nullptr); }
void MakeFile(const std::wstring& path, const std::string& text = "some text\n") { WriteFileText(path, text); }

class Environment : public testing::Environment {
 public:
  void SetUp() override {
    wchar_t temp[MAX_PATH + 1];
    GetTempPathW(MAX_PATH + 1, temp);
    g_root = std::wstring(temp) + L"morvel arch テスト " + std::to_wstring(GetCurrentProcessId());
    g_scratch = std::wstring(temp) + L"morvel-arch-shell-" + std::to_wstring(GetCurrentProcessId());
    MakeDir(g_scratch);
    g_rootUnix = UnixPath(g_root);
    g_scratchUnix = UnixPath(g_scratch);
    ASSERT_FALSE(g_rootUnix.empty());
    ASSERT_FALSE(g_scratchUnix.empty());
    Shell("rm -rf " + Quote(g_rootUnix));  // what an earlier run that crashed left
    MakeDir(g_root);
    const std::wstring d = g_root + L"\\data";
    for (const wchar_t* dir : {L"", L"\\other", L"\\other\\photos", L"\\photos", L"\\photos\\nested",
                               L"\\photos\\nested\\deep", L"\\photos\\empty", L"\\emptydir", L"\\names"})
      MakeDir(d + dir);
    for (const wchar_t* file : {L"\\report.txt", L"\\other\\report.txt", L"\\other\\photos\\q.txt",
                                L"\\photos\\a b.jpg", L"\\photos\\日本語.txt", L"\\photos\\.hidden",
                                L"\\photos\\nested\\deep\\x.txt", L"\\names\\@notes.txt", L"\\names\\-x.txt",
                                L"\\names\\notes.txt", L"\\names\\x.txt"})
      MakeFile(d + file);
    SetFileAttributesW((d + L"\\photos\\.hidden").c_str(), FILE_ATTRIBUTE_HIDDEN);
    MakeDir(g_root + L"\\out");
  }
  void TearDown() override {
    if (!g_rootUnix.empty() && g_rootUnix.find("morvel arch") != std::string::npos)
      Shell("rm -rf " + Quote(g_rootUnix));
    WIN32_FIND_DATAW fd;
    HANDLE find = FindFirstFileW((g_scratch + L"\\*").c_str(), &fd);
    if (find != INVALID_HANDLE_VALUE) {
      do {
        DeleteFileW((g_scratch + L"\\" + fd.cFileName).c_str());
      } while (FindNextFileW(find, &fd));
      FindClose(find);
    }
    RemoveDirectoryW(g_scratch.c_str());
  }
};
const auto* g_environment = testing::AddGlobalTestEnvironment(new Environment);

std::string Q(const std::wstring& path) { return "\"" + U8(path) + "\""; }
std::wstring Data() { return g_root + L"\\data\\"; }
std::wstring Out(const std::wstring& name) { return g_root + L"\\out\\" + name; }

class ArchiverTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(TheLibrary().Complete()) << "cannot load " << ARCHIVER_DLL;
    TheLibrary().setUnicodeMode(TRUE);
  }
};

const std::set<std::string> kPhotos = {"a b.jpg", "日本語.txt", ".hidden", "nested/", "nested/deep/",
                                       "nested/deep/x.txt", "empty/"};
std::set<std::string> Under(const std::string& folder, const std::set<std::string>& names) {
  std::set<std::string> r;
  for (const std::string& n : names) r.insert(folder + n);
  return r;
}

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

// A Linux engine made of a script; it hands everything but the add to the real 7zz.
std::string FakeLinuxEngine(const std::string& name, const std::string& onAdd) {
  std::string path = g_rootUnix + "/" + name;
  ShellResult r = Shell("cat >" + Quote(path) + " <<'END'\n#!/bin/sh\nif [ \"$1\" = a ]; then\n" + onAdd +
                        "\nfi\nexec /usr/bin/7zz \"$@\"\nEND\nchmod +x " + Quote(path));
  EXPECT_EQ(r.code, 0) << r.output;
  return path;
}

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
  }
  // The values are distinct, and none of them is success.
  std::set<int> codes = {SEVENZIP32_NO_ENGINE, SEVENZIP32_BAD_COMMAND, SEVENZIP32_ENGINE_WARNING,
                         SEVENZIP32_ENGINE_FAILED, SEVENZIP32_CHECK_FAILED, SEVENZIP32_START_FAILED,
                         SEVENZIP32_INTERNAL};
  EXPECT_EQ(codes.size(), 7u);
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
  EXPECT_EQ(runs[0].args, (std::vector<std::string>{"a", "-tzip", "-r", "-sccUTF-8", "-ir-!report.txt", "--",
                                                     U8(archive), "photos\\*"}));
  EXPECT_EQ(runs[1].args, (std::vector<std::string>{"t", "-sccUTF-8", "--", U8(archive)}));
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
