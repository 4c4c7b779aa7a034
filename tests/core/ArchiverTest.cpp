#include "Archiver.h"

#include <gtest/gtest.h>

#include <optional>

#include "Jobs.h"
#include "WinTestSupport.h"

namespace {

using namespace test;

std::wstring ModulePath(HMODULE module) {
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(module, path, MAX_PATH);
  return path;
}

bool SamePath(const std::wstring& a, const std::wstring& b) { return _wcsicmp(a.c_str(), b.c_str()) == 0; }

class ArchiverTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // Leftovers of an interrupted run would change which library is found.
    DeleteFileW((ExecutableFolder() + L"7-ZIP32.DLL").c_str());
    DeleteFileW((SystemFolder() + L"\\7-ZIP32.DLL").c_str());
    ArchiverModule = nullptr;
    StartupFailed = false;
    recordedBoxes.clear();
    ShowMessageBox = RecordBox;
    SetEnv(L"MORVEL_FAKE7Z_VERSIONS", L"");
  }
  void TearDown() override {
    UnloadArchiver();
    ShowMessageBox = MessageBoxW;
    SetEnv(L"MORVEL_FAKE7Z_VERSIONS", L"");
  }
  TestHost host;
  FakeLog fake;
};

TEST_F(ArchiverTest, TheCopyBesideTheExecutableWinsOverTheSystemFolder) {
  auto system = std::make_optional<InstalledLibrary>(L"system", SystemFolder());
  {
    InstalledLibrary beside(L"full", ExecutableFolder());
    LoadArchiver(host);
    ASSERT_FALSE(StartupFailed);
    EXPECT_TRUE(SamePath(ModulePath(ArchiverModule), beside.Path())) << ModulePath(ArchiverModule);
    EXPECT_EQ(host.log, (std::vector<std::wstring>{L"7-ZIP32.DLL 9.20.0.02", L"Alternate Version 16.02.0.05"}));
    // Switched to UTF-8 first, then each number queried sub-version first.
    EXPECT_EQ(fake.Headers(), (std::vector<std::string>{"SetUnicodeMode 1", "GetSubVersion", "GetVersion",
                                                        "AltGetSubVersion", "AltGetVersion"}));
  }
  host.log.clear();
  LoadArchiver(host);
  ASSERT_FALSE(StartupFailed);
  EXPECT_TRUE(SamePath(ModulePath(ArchiverModule), system->Path())) << ModulePath(ArchiverModule);
  EXPECT_EQ(host.log, (std::vector<std::wstring>{L"7-ZIP32.DLL 12.34.0.56", L"Alternate Version 16.02.0.05"}));
  EXPECT_TRUE(recordedBoxes.empty());
  system.reset();
  EXPECT_FALSE(Exists(SystemFolder() + L"\\7-ZIP32.DLL")) << "the system folder must be left clean";
}

TEST_F(ArchiverTest, LibraryVariants) {
  struct Case {
    const wchar_t* variant;
    const wchar_t* versions;  // MORVEL_FAKE7Z_VERSIONS, or empty for the built-in numbers
    std::vector<std::wstring> log;
    const wchar_t* box;  // the refusal, or null
  };
  const wchar_t* const old = L"UNICODE対応前の7-ZIP32.DLLは使用できません";
  const Case cases[] = {
      {L"full", L"0,0,65535,65535", {L"7-ZIP32.DLL 0.00.0.00", L"Alternate Version 655.35.655.35"}, nullptr},
      {L"noalt", L"", {L"7-ZIP32.DLL 9.20.0.02"}, nullptr},
      {L"altnosub", L"", {L"7-ZIP32.DLL 9.20.0.02"}, nullptr},
      {L"nosevenzip", L"", {L"7-ZIP32.DLL 9.20.0.02", L"Alternate Version 16.02.0.05"}, nullptr},
      {L"nounicode", L"", {}, old},
      {L"noversion", L"", {}, old},
      {L"nosubversion", L"", {}, old},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "variant " << std::string(c.variant, c.variant + wcslen(c.variant)));
    host.log.clear();
    recordedBoxes.clear();
    StartupFailed = false;
    SetEnv(L"MORVEL_FAKE7Z_VERSIONS", c.versions);
    InstalledLibrary library(c.variant, ExecutableFolder());
    LoadArchiver(host);
    EXPECT_EQ(host.log, c.log);
    EXPECT_EQ(StartupFailed, c.box != nullptr);
    if (c.box) {
      ASSERT_EQ(recordedBoxes.size(), 1u);
      EXPECT_EQ(recordedBoxes[0].text, c.box);
      EXPECT_EQ(recordedBoxes[0].caption, L"エラー");
      EXPECT_EQ(recordedBoxes[0].type, 0x10u);
      EXPECT_EQ(recordedBoxes[0].owner, host.window.Handle());
      EXPECT_EQ(ArchiverModule, nullptr);
      EXPECT_EQ(GetModuleHandleW(library.Path().c_str()), nullptr) << "a refused library is unloaded at once";
    } else {
      EXPECT_TRUE(recordedBoxes.empty());
      EXPECT_NE(ArchiverModule, nullptr);
    }
  }
}

TEST_F(ArchiverTest, NoLibraryAnywhere) {
  LoadArchiver(host);
  EXPECT_TRUE(StartupFailed);
  EXPECT_EQ(ArchiverModule, nullptr);
  EXPECT_TRUE(host.log.empty());
  ASSERT_EQ(recordedBoxes.size(), 1u);
  EXPECT_EQ(recordedBoxes[0].text, L"7-ZIP32.DLLをロードできません");
  EXPECT_EQ(recordedBoxes[0].caption, L"エラー");
  EXPECT_EQ(recordedBoxes[0].type, static_cast<UINT>(MB_OK | MB_ICONERROR));
  EXPECT_EQ(recordedBoxes[0].owner, host.window.Handle());
}

TEST_F(ArchiverTest, RealMessageBoxIsShownAndAnswered) {
  ShowMessageBox = MessageBoxW;
  std::vector<std::wstring> texts;
  std::wstring caption;
  DialogWatcher watcher(GetCurrentThreadId(), [&](HWND box) {
    texts = ChildTexts(box, L"Static");
    wchar_t text[256] = {};
    GetWindowTextW(box, text, 256);
    caption = text;
    PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(box, IDOK)));
  });
  LoadArchiver(host);  // blocks in the real box until the watcher presses OK
  watcher.Join();
  ASSERT_TRUE(watcher.Found()) << "no message box appeared";
  EXPECT_EQ(caption, L"エラー");
  EXPECT_NE(std::find(texts.begin(), texts.end(), L"7-ZIP32.DLLをロードできません"), texts.end());
  EXPECT_TRUE(StartupFailed);
  EXPECT_TRUE(host.log.empty());
}

TEST_F(ArchiverTest, JobWithoutSevenZipEntryFails) {
  InstalledLibrary library(L"nosevenzip", ExecutableFolder());
  LoadArchiver(host);
  ASSERT_FALSE(StartupFailed);
  const std::wstring file = FreshFolder() + L"\\report.txt";
  WriteBytes(file, "text");
  host.log.clear();
  host.SetCaption(L"before");
  host.events.clear();
  host.settings.delFile = true;
  EXPECT_FALSE(CompressFile(host, file));
  EXPECT_EQ(host.events, (std::vector<std::wstring>{L"log [FileNG] report.txt"}));
  EXPECT_TRUE(Exists(file));
  EXPECT_TRUE(IsWindowEnabled(host.window.Handle()));
}

TEST_F(ArchiverTest, JobWithoutLibraryFails) {
  // Never looks the entry up in the executable itself (what a null module would mean).
  const std::wstring folder = FreshFolder();
  EXPECT_FALSE(CompressFolder(host, folder));
  EXPECT_EQ(host.log, (std::vector<std::wstring>{L"[DirectoryNG] " + folder.substr(folder.rfind(L'\\') + 1)}));
}

}  // namespace
