#include "SettingsFile.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <optional>
#include <tlhelp32.h>
#include <vector>

#include "Exception.h"

namespace {

struct HandleCloser {
  void operator()(HANDLE h) const { CloseHandle(h); }
};
using UniqueHandle = std::unique_ptr<void, HandleCloser>;

std::string ReadBytes(const std::wstring& path) {
  UniqueHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
  EXPECT_NE(file.get(), INVALID_HANDLE_VALUE) << "cannot open " << std::string(path.begin(), path.end());
  std::string bytes(1 << 16, '\0');
  DWORD got = 0;
  EXPECT_TRUE(ReadFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr));
  bytes.resize(got);
  return bytes;
}

void WriteBytes(const std::wstring& path, const std::string& bytes) {
  UniqueHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
  ASSERT_NE(file.get(), INVALID_HANDLE_VALUE);
  DWORD written = 0;
  ASSERT_TRUE(WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr));
  ASSERT_EQ(written, bytes.size());
}

// The message a failed read or store raised; empty when nothing was thrown.
template <class F>
std::wstring ThrownMessage(F&& f) {
  try {
    f();
  } catch (const Exception& e) {
    return e.Message;
  }
  return {};
}

// The Unix form of a path, as Wine maps it; empty outside Wine.
std::string UnixPath(const std::wstring& path) {
  using Convert = char*(CDECL*)(const wchar_t*);
  const auto convert = reinterpret_cast<Convert>(
      reinterpret_cast<void (*)()>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
  char* unix = convert ? convert(path.c_str()) : nullptr;
  if (!unix) return {};
  std::string result = unix;
  HeapFree(GetProcessHeap(), 0, unix);
  return result;
}

std::string ShellWord(const std::string& text) {
  std::string word = "'";
  for (char c : text) word += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return word + "'";
}

// Runs a shell script on the Linux side (Wine starts Linux programs by their Windows
// path) and waits until it has finished; what it printed, or nothing when it never ran.
std::optional<std::string> Shell(const std::string& script) {
  // A folder of its own: the test's folder may be the one that takes no new files.
  wchar_t temp[MAX_PATH];
  GetTempPathW(MAX_PATH, temp);
  const std::wstring folder = std::wstring(temp) + L"morvel-shell-" + std::to_wstring(GetCurrentProcessId()) + L"\\";
  CreateDirectoryW(folder.c_str(), nullptr);
  const std::wstring file = folder + L"script.sh", done = folder + L"script.out";
  DeleteFileW(done.c_str());
  const std::string unixDone = UnixPath(done);
  if (unixDone.empty()) return std::nullopt;
  WriteBytes(file, "(" + script + ") >" + ShellWord(unixDone + ".tmp") + " 2>&1; mv " + ShellWord(unixDone + ".tmp") +
                       " " + ShellWord(unixDone) + "\n");
  const std::string unixFile = UnixPath(file);
  std::wstring commandLine = L"/bin/sh \"" + std::wstring(unixFile.begin(), unixFile.end()) + L"\"";
  STARTUPINFOW si{sizeof(si)};
  PROCESS_INFORMATION pi{};
  if (!CreateProcessW(L"Z:\\bin\\sh", commandLine.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr,
                      &si, &pi))
    return std::nullopt;
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  // A Linux child gives nothing to wait on: poll for the file it writes last.
  for (int i = 0; i < 1000 && GetFileAttributesW(done.c_str()) == INVALID_FILE_ATTRIBUTES; ++i) Sleep(10);
  if (GetFileAttributesW(done.c_str()) == INVALID_FILE_ATTRIBUTES) return std::nullopt;
  std::string out = ReadBytes(done);
  DeleteFileW(done.c_str());
  DeleteFileW(file.c_str());
  RemoveDirectoryW(folder.c_str());
  return out;
}

std::wstring FinalPath(const std::wstring& path) {
  UniqueHandle file(CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  wchar_t final[1024] = {};
  if (file.get() == INVALID_HANDLE_VALUE || !GetFinalPathNameByHandleW(file.get(), final, 1024, 0)) return {};
  return final;
}

// A fresh folder of real files per test, removed with everything in it afterwards.
class SettingsFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    wchar_t temp[MAX_PATH];
    ASSERT_NE(GetTempPathW(MAX_PATH, temp), 0u);
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    const std::string name = info->name();
    folder_ = std::wstring(temp) + L"morvel-ini-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
              std::wstring(name.begin(), name.end()) + L"\\";
    ASSERT_TRUE(CreateDirectoryW(folder_.c_str(), nullptr));
    path_ = folder_ + L"Morvel 設定.ini";
  }
  void TearDown() override {
    std::error_code ignored;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder_, ignored))
      SetFileAttributesW(entry.path().c_str(), FILE_ATTRIBUTE_NORMAL);
    std::filesystem::remove_all(folder_, ignored);
  }
  std::vector<std::wstring> FolderContents() const {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW((folder_ + L"*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return names;
    do {
      if (std::wstring_view(data.cFileName) != L"." && std::wstring_view(data.cFileName) != L"..")
        names.push_back(data.cFileName);
    } while (FindNextFileW(find, &data));
    FindClose(find);
    return names;
  }
  std::wstring folder_, path_;
};

// The keys and values of a first run, which every check below stores.
IniImage SampleImage() {
  IniImage image;
  image.WriteInteger(u"Main", u"X", -20);
  image.WriteInteger(u"Main", u"W", 640);
  image.WriteString(u"Main", u"Dir", u"C:\\写真\\旅行");
  image.WriteInteger(u"Option", u"X", 300);
  image.WriteString(u"Option", u"FileExt", u".zip");
  image.WriteBool(u"Option", u"DelFile", true);
  image.WriteString(u"Option", u"7zCommandLine", u"a -tzip -mx=9 -mfb=64 -mpass=4 -r");
  image.WriteString(u"Option", u"7zCommandLine3", u"");
  image.WriteInteger(u"Option", u"7zCommandLineSelect", -1);
  return image;
}

const std::wstring kCreateError = L"を作成できません。";

TEST_F(SettingsFileTest, MissingFileOrFolderGivesEmptyImage) {
  EXPECT_TRUE(ReadSettingsFile(path_).Sections.empty());
  EXPECT_TRUE(ReadSettingsFile(folder_ + L"no such folder\\Morvel.ini").Sections.empty());
}

TEST_F(SettingsFileTest, StoreWritesTheImageAndReadBringsItBack) {
  WriteBytes(path_, std::string(5000, 'x'));  // a longer old file must not leave a tail
  const IniImage image = SampleImage();
  StoreSettingsFile(image, path_);
  EXPECT_EQ(ReadBytes(path_), image.Serialize());
  EXPECT_EQ(ReadSettingsFile(path_), image);
  EXPECT_EQ(FolderContents(), std::vector<std::wstring>{L"Morvel 設定.ini"}) << "a temporary file was left behind";
}

TEST_F(SettingsFileTest, PathIsTheExecutablesWithIni) {
  wchar_t module[MAX_PATH];
  const DWORD length = GetModuleFileNameW(nullptr, module, MAX_PATH);
  ASSERT_GT(length, 4u);
  const std::wstring exe(module, length);
  ASSERT_EQ(exe.substr(exe.size() - 4), L".exe");
  const std::wstring expected = exe.substr(0, exe.size() - 4) + L".ini";
  EXPECT_EQ(SettingsFilePath(), expected);

  // The default location is used when none is given.
  DeleteFileW(expected.c_str());
  StoreSettingsFile(SampleImage());
  EXPECT_EQ(ReadSettingsFile(), SampleImage());
  EXPECT_EQ(ReadSettingsFile(expected), SampleImage());
  EXPECT_TRUE(DeleteFileW(expected.c_str()));
}

// Windows' own reader must understand what Morvel writes.
TEST_F(SettingsFileTest, PeerReaderAgrees) {
  const IniImage image = SampleImage();
  StoreSettingsFile(image, path_);
  for (const auto& section : image.Sections) {
    const std::wstring name(section.Name.begin(), section.Name.end());
    for (const auto& entry : section.Entries) {
      const std::wstring key(entry.Key.begin(), entry.Key.end());
      wchar_t text[512];
      const DWORD length =
          GetPrivateProfileStringW(name.c_str(), key.c_str(), L"<missing>", text, 512, path_.c_str());
      EXPECT_EQ(std::u16string(reinterpret_cast<const char16_t*>(text), length), entry.Value)
          << "[" << std::string(name.begin(), name.end()) << "] " << std::string(key.begin(), key.end());
      if (const auto number = ParseIniInteger(entry.Value)) {
        EXPECT_EQ(static_cast<int>(GetPrivateProfileIntW(name.c_str(), key.c_str(), 12345, path_.c_str())),
                  *number)
            << std::string(key.begin(), key.end());
      }
    }
  }
}

TEST_F(SettingsFileTest, ReadOnlyFileIsNotReplaced) {
  const std::string old = IniImage::Parse("").Serialize() + "old";
  WriteBytes(path_, old);
  ASSERT_TRUE(SetFileAttributesW(path_.c_str(), FILE_ATTRIBUTE_READONLY));

  const std::wstring message = ThrownMessage([&] { StoreSettingsFile(SampleImage(), path_); });
  const std::wstring prefix = L"ファイル \"" + path_ + L"\" " + kCreateError;
  ASSERT_TRUE(message.starts_with(prefix)) << "no create error";
  EXPECT_GT(message.size(), prefix.size()) << "the system's reason is missing";
  EXPECT_GT(message.back(), L' ') << "the system's line end was not trimmed";
  EXPECT_EQ(ReadBytes(path_), old);
  EXPECT_EQ(FolderContents(), std::vector<std::wstring>{L"Morvel 設定.ini"});
  EXPECT_EQ(ReadSettingsFile(path_), IniImage::Parse(old)) << "a read-only file still reads";
}

// Another program holds the file open without sharing: neither reading nor storing may
// get through, and a failed store leaves the old content whole.
TEST_F(SettingsFileTest, LockedFile) {
  const std::string old = SampleImage().Serialize();
  WriteBytes(path_, old);
  {
    UniqueHandle lock(CreateFileW(path_.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_NE(lock.get(), INVALID_HANDLE_VALUE);

    const std::wstring readError = ThrownMessage([&] { ReadSettingsFile(path_); });
    const std::wstring prefix = L"ファイル " + path_ + L" は開けません。 ";
    ASSERT_TRUE(readError.starts_with(prefix)) << "no read error";
    ASSERT_GT(readError.size(), prefix.size() + 1) << "the system's reason is missing";
    EXPECT_EQ(readError.back(), L' ');
    EXPECT_GT(readError[readError.size() - 2], L' ') << "the system's line end was not trimmed";

    IniImage changed = SampleImage();
    changed.WriteString(u"Main", u"Dir", u"D:\\");
    const std::wstring storeError = ThrownMessage([&] { StoreSettingsFile(changed, path_); });
    EXPECT_TRUE(storeError.starts_with(L"ファイル \"" + path_ + L"\" " + kCreateError)) << "no create error";
  }
  EXPECT_EQ(ReadBytes(path_), old) << "the failed store damaged the old file";
  EXPECT_EQ(FolderContents(), std::vector<std::wstring>{L"Morvel 設定.ini"}) << "a temporary file was left behind";
}

// A file edited by hand in another encoding is read with its values, and the next
// store writes those values back as UTF-16LE with its mark.
TEST_F(SettingsFileTest, OtherEncodingsAreReadAndStoredBackAsUtf16) {
  // "café" in the system's ANSI code page, whichever that is here.
  wchar_t cafe[8] = {};
  ASSERT_EQ(MultiByteToWideChar(CP_ACP, 0, "caf\xE9", 4, cafe, 8), 4);
  struct Case {
    const char* what;
    std::string bytes;
    std::u16string dir;
  };
  const Case cases[] = {
      {"UTF-8 with its mark", "\xEF\xBB\xBF[Main]\r\nDir=C:\\\xE5\x86\x99\xE7\x9C\x9F\r\n", u"C:\\写真"},
      {"UTF-8 without a mark", "[Main]\r\nDir=C:\\\xE5\x86\x99\xE7\x9C\x9F\r\n", u"C:\\写真"},
      {"ANSI", "[Main]\r\nDir=C:\\caf\xE9\r\n", u"C:\\" + std::u16string(reinterpret_cast<const char16_t*>(cafe), 4)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    WriteBytes(path_, c.bytes);
    IniImage image = ReadSettingsFile(path_);
    EXPECT_EQ(image.ReadString(u"Main", u"Dir", u"(default)"), c.dir);
    StoreSettingsFile(image, path_);
    const std::string stored = ReadBytes(path_);
    EXPECT_EQ(DetectIniEncoding(stored), IniEncoding::Utf16WithMark);
    EXPECT_EQ(ReadSettingsFile(path_).ReadString(u"Main", u"Dir", u"(default)"), c.dir);
  }
}

TEST_F(SettingsFileTest, StoreIntoMissingFolderFails) {
  const std::wstring path = folder_ + L"gone\\Morvel.ini";
  const std::wstring message = ThrownMessage([&] { StoreSettingsFile(SampleImage(), path); });
  EXPECT_TRUE(message.starts_with(L"ファイル \"" + path + L"\" " + kCreateError)) << "no create error";
  EXPECT_TRUE(FolderContents().empty());
}

// The settings file as a symbolic link to a file elsewhere, as people keep their
// settings in one place: the store replaces the target, and the link stays a link.
TEST_F(SettingsFileTest, SymbolicLinkStaysALinkToTheStoredFile) {
  const std::wstring elsewhere = folder_ + L"elsewhere\\";
  ASSERT_TRUE(CreateDirectoryW(elsewhere.c_str(), nullptr));
  const std::wstring target = elsewhere + L"real.ini";
  WriteBytes(target, IniImage().Serialize());
  const auto made = Shell("ln -s " + ShellWord(UnixPath(target)) + " " + ShellWord(UnixPath(path_)));
  // Wine deletes a link's target, not the link: the link goes the Linux way.
  struct Unlink {
    std::string link;
    ~Unlink() { Shell("rm -f " + link); }
  } unlink{ShellWord(UnixPath(path_))};
  ASSERT_EQ(made, std::optional<std::string>("")) << "the link could not be made";
  ASSERT_EQ(FinalPath(path_), FinalPath(target));

  const IniImage image = SampleImage();
  StoreSettingsFile(image, path_);
  EXPECT_EQ(FinalPath(path_), FinalPath(target)) << "the link was replaced by a file";
  EXPECT_EQ(ReadBytes(target), image.Serialize());
  EXPECT_EQ(ReadSettingsFile(path_), image);
  EXPECT_EQ(Shell("test -L " + ShellWord(UnixPath(path_)) + " && echo link"), std::optional<std::string>("link\n"));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(elsewhere), std::filesystem::directory_iterator()), 1)
      << "a temporary file was left beside the target";
}

// Where no file can be made beside the settings file but the file itself is writable,
// it is rewritten in place; a missing file there still gives the create error.
void ExpectStoredInPlace(const std::wstring& path, const std::wstring& missing) {
  WriteBytes(path, "old");
  const IniImage image = SampleImage();
  EXPECT_EQ(ThrownMessage([&] { StoreSettingsFile(image, path); }), L"");
  EXPECT_EQ(ReadBytes(path), image.Serialize());
  const std::wstring message = ThrownMessage([&] { StoreSettingsFile(image, missing); });
  EXPECT_TRUE(message.starts_with(L"ファイル \"" + missing + L"\" " + kCreateError)) << "no create error";
}

TEST_F(SettingsFileTest, FolderThatTakesNoNewFilesGetsTheFileRewrittenInPlace) {
  WriteBytes(path_, "old");
  const std::string folder = ShellWord(UnixPath(folder_));
  // chattr needs a file system and the right to use it; without them this cannot be set up.
  const auto locked =
      Shell("chattr +i " + folder + " || exit 0; touch " + folder + "/probe 2>/dev/null; echo touch=$?");
  struct Unlock {
    std::string unix;
    ~Unlock() { Shell("chattr -i " + unix); }
  } unlock{folder};
  if (!locked || locked->find("touch=1") == std::string::npos ||
      GetFileAttributesW((folder_ + L"probe").c_str()) != INVALID_FILE_ATTRIBUTES)
    GTEST_SKIP() << "the folder could not be made immutable here (chattr +i): " << locked.value_or("(no shell)");
  ExpectStoredInPlace(path_, folder_ + L"other.ini");
  EXPECT_EQ(FolderContents(), std::vector<std::wstring>{L"Morvel 設定.ini"});
}

TEST_F(SettingsFileTest, TemporaryNameTakenGetsTheFileRewrittenInPlace) {
  const std::wstring temp = path_ + L"." + std::to_wstring(GetCurrentProcessId()) + L".tmp";
  ASSERT_TRUE(CreateDirectoryW(temp.c_str(), nullptr));
  const std::wstring missing = folder_ + L"other.ini";
  ASSERT_TRUE(CreateDirectoryW((missing + L"." + std::to_wstring(GetCurrentProcessId()) + L".tmp").c_str(), nullptr));
  ExpectStoredInPlace(path_, missing);
}

// A store that was interrupted left its temporary file; the next store removes it,
// but not one that a running copy of the program may still be writing, nor files
// that only look alike.
TEST_F(SettingsFileTest, StaleTemporaryFilesAreRemoved) {
  DWORD live = 0;
  UniqueHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  PROCESSENTRY32W entry{sizeof(entry)};
  for (BOOL more = Process32FirstW(snapshot.get(), &entry); more && !live; more = Process32NextW(snapshot.get(), &entry))
    if (entry.th32ProcessID != GetCurrentProcessId() && entry.th32ProcessID != 0) live = entry.th32ProcessID;
  ASSERT_NE(live, 0u) << "no other process to stand for a running copy";
  DWORD gone = 4000000;  // no process has this id
  while (UniqueHandle(OpenProcess(SYNCHRONIZE, FALSE, gone)).get()) gone += 4;

  const std::wstring name = L"Morvel 設定.ini";
  const std::wstring stale = name + L"." + std::to_wstring(gone) + L".tmp";
  const std::wstring own = name + L"." + std::to_wstring(GetCurrentProcessId()) + L".tmp";
  const std::wstring running = name + L"." + std::to_wstring(live) + L".tmp";
  const std::vector<std::wstring> kept = {running, name + L".backup.tmp", L"other.ini.12.tmp", name + L".12.txt"};
  for (const auto& file : kept) WriteBytes(folder_ + file, "keep");
  WriteBytes(folder_ + stale, "half a file");
  WriteBytes(folder_ + own, "half a file");
  StoreSettingsFile(SampleImage(), path_);

  std::vector<std::wstring> expected = kept;
  expected.push_back(name);
  std::vector<std::wstring> contents = FolderContents();
  std::sort(expected.begin(), expected.end());
  std::sort(contents.begin(), contents.end());
  EXPECT_EQ(contents, expected);
  EXPECT_EQ(ReadSettingsFile(path_), SampleImage());
}

}  // namespace
