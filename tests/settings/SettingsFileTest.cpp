#include "SettingsFile.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
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
    for (const auto& name : FolderContents()) {
      const std::wstring file = folder_ + name;
      SetFileAttributesW(file.c_str(), FILE_ATTRIBUTE_NORMAL);
      DeleteFileW(file.c_str());
    }
    RemoveDirectoryW(folder_.c_str());
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

TEST_F(SettingsFileTest, StoreIntoMissingFolderFails) {
  const std::wstring path = folder_ + L"gone\\Morvel.ini";
  const std::wstring message = ThrownMessage([&] { StoreSettingsFile(SampleImage(), path); });
  EXPECT_TRUE(message.starts_with(L"ファイル \"" + path + L"\" " + kCreateError)) << "no create error";
  EXPECT_TRUE(FolderContents().empty());
}

}  // namespace
