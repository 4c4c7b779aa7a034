#include "Shoperation.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "WinTestSupport.h"

namespace {

using namespace test;

// The whole name list as the shell reads it: up to and including the double NUL.
std::wstring Block(const wchar_t* list) {
  if (!list) return L"(null)";
  std::wstring out;
  for (size_t i = 0;; ++i) {
    out += list[i];
    if (list[i] == L'\0' && i > 0 && list[i - 1] == L'\0') return out;
    if (list[i] == L'\0' && i == 0 && list[1] == L'\0') return out + L'\0';
  }
}

template <size_t N>
std::wstring Z(const wchar_t (&text)[N]) {
  return std::wstring(text, N - 1);
}

struct RecordedOp {
  HWND hwnd;
  UINT func;
  std::wstring from, to;
  FILEOP_FLAGS flags;
  BOOL aborted;
  HANDLE mappings;
  LPCWSTR progressTitle;
};
std::vector<RecordedOp> ops;
bool passOn = false;
int fakeResult = 0;

int WINAPI RecordOperation(LPSHFILEOPSTRUCTW op) {
  ops.push_back({op->hwnd, op->wFunc, Block(op->pFrom), Block(op->pTo), op->fFlags, op->fAnyOperationsAborted,
                 op->hNameMappings, op->lpszProgressTitle});
  return passOn ? SHFileOperationW(op) : fakeResult;
}

class ShoperationTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ops.clear();
    passOn = false;
    fakeResult = 0;
    TSHOperation::ShellFileOperation = RecordOperation;
  }
  void TearDown() override {
    TSHOperation::ShellFileOperation = SHFileOperationW;
  }
  TestWindow window;
  TestForm form{window.Handle()};
  TSHOperation* shop = new TSHOperation(&form);  // freed by form
};

TEST_F(ShoperationTest, StartsWithItsInitialValues) {
  EXPECT_EQ(shop->Flags, 65u);
  EXPECT_TRUE(shop->Root.empty() && shop->FolderName.empty() && shop->Title.empty());
  EXPECT_EQ(shop->Owner(), &form);
}

TEST_F(ShoperationTest, FileOperationStructures) {
  const TStringList one{L"C:\\a"}, two{L"C:\\a", L"C:\\b"}, withGap{L"C:\\a", L"", L"C:\\b"};
  const TStringList dests{L"D:\\x", L"D:\\y"}, dest{L"D:\\x"};
  using W = std::wstring;
  struct Case {
    const char* what;
    std::function<bool()> call;
    UINT func;
    W from, to;
    FILEOP_FLAGS flags;
  };
  const W null = L"(null)";
  const Case cases[] = {
      {"Delete", [&] { return shop->Delete(two); }, FO_DELETE, Z(L"C:\\a\0C:\\b\0\0"), null, 0x0054},
      {"DeleteNoUndo", [&] { return shop->DeleteNoUndo(one); }, FO_DELETE, Z(L"C:\\a\0\0"), null, 0x0014},
      {"an empty entry ends the list", [&] { return shop->Delete(withGap); }, FO_DELETE, Z(L"C:\\a\0\0"), null,
       0x0054},
      {"Move, several destinations", [&] { return shop->Move(dests, two); }, FO_MOVE, Z(L"C:\\a\0C:\\b\0\0"),
       Z(L"D:\\x\0D:\\y\0\0"), 0x0041},
      {"Move, one destination", [&] { return shop->Move(dest, two); }, FO_MOVE, Z(L"C:\\a\0C:\\b\0\0"),
       Z(L"D:\\x\0\0"), 0x0040},
      {"Copy, several destinations", [&] { return shop->Copy(dests, two); }, FO_COPY, Z(L"C:\\a\0C:\\b\0\0"),
       Z(L"D:\\x\0D:\\y\0\0"), 0x0041},
      {"Rename list", [&] { return shop->Rename(dest, one); }, FO_RENAME, Z(L"C:\\a\0\0"), Z(L"D:\\x\0\0"),
       0x0040},
      {"Move string", [&] { return shop->Move(W(L"D:\\x"), two); }, FO_MOVE, Z(L"C:\\a\0C:\\b\0\0"),
       Z(L"D:\\x\0\0"), 0x0040},
      {"Copy string", [&] { return shop->Copy(W(L"D:\\x"), one); }, FO_COPY, Z(L"C:\\a\0\0"), Z(L"D:\\x\0\0"),
       0x0040},
      {"Rename string is a move", [&] { return shop->Rename(W(L"D:\\x"), W(L"C:\\a")); }, FO_MOVE,
       Z(L"C:\\a\0\0"), Z(L"D:\\x\0\0"), 0x0040},
  };
  for (const int result : {0, 1}) {
    fakeResult = result;
    for (const auto& c : cases) {
      SCOPED_TRACE(testing::Message() << c.what << ", shell result " << result);
      ops.clear();
      EXPECT_EQ(c.call(), result == 0);
      ASSERT_EQ(ops.size(), 1u);
      EXPECT_EQ(ops[0].hwnd, window.Handle());
      EXPECT_EQ(ops[0].func, c.func);
      EXPECT_EQ(ops[0].from, c.from);
      EXPECT_EQ(ops[0].to, c.to);
      EXPECT_EQ(ops[0].flags, c.flags);
      EXPECT_EQ(ops[0].aborted, TRUE) << "preset to true";
      EXPECT_EQ(ops[0].mappings, nullptr);
      EXPECT_EQ(ops[0].progressTitle, nullptr);
    }
  }
}

TEST_F(ShoperationTest, EmptyListsNeverReachTheShell) {
  const TStringList none, one{L"C:\\a"};
  EXPECT_FALSE(shop->Delete(none));
  EXPECT_FALSE(shop->DeleteNoUndo(none));
  EXPECT_FALSE(shop->Move(none, one));
  EXPECT_FALSE(shop->Move(one, none));
  EXPECT_FALSE(shop->Copy(L"D:\\x", none));
  EXPECT_FALSE(shop->Rename(none, none));
  EXPECT_TRUE(ops.empty());
  EXPECT_EQ(shop->CreateNameList(none), nullptr);
  std::unique_ptr<wchar_t[]> list(shop->CreateNameList(TStringList{L"ab", L"c"}));
  EXPECT_EQ(std::wstring(list.get(), 6), std::wstring(L"ab\0c\0\0", 6));
}

TEST_F(ShoperationTest, DeletesForReal) {
  ASSERT_NE(_wgetenv(L"MORVEL_TEST_OWN_HOME"), nullptr) << "run through ctest: the trash must be the test's own";
  EmptyTrash();
  passOn = true;
  const std::wstring dir = FreshFolder();
  WriteBytes(dir + L"\\to-trash.txt", "x");
  std::filesystem::create_directories(dir + L"\\gone-folder\\inner");
  WriteBytes(dir + L"\\gone-folder\\inner\\f", "y");

  EXPECT_TRUE(shop->Delete(TStringList{dir + L"\\to-trash.txt"}));
  EXPECT_FALSE(Exists(dir + L"\\to-trash.txt"));
  EXPECT_TRUE(Exists(TrashFiles() + L"\\to-trash.txt")) << "not in the trash";

  EXPECT_TRUE(shop->DeleteNoUndo(TStringList{dir + L"\\gone-folder"}));
  EXPECT_FALSE(Exists(dir + L"\\gone-folder"));
  EXPECT_FALSE(Exists(TrashFiles() + L"\\gone-folder")) << "DeleteNoUndo must not use the trash";
}

TEST_F(ShoperationTest, MovesCopiesAndRenamesForReal) {
  passOn = true;
  const std::wstring dir = FreshFolder();
  std::filesystem::create_directories(dir + L"\\x");
  std::filesystem::create_directories(dir + L"\\y");
  for (const wchar_t* n : {L"\\a", L"\\b", L"\\c", L"\\d"}) WriteBytes(dir + n, "data");

  // Several destinations: each source goes to its own target name.
  EXPECT_TRUE(shop->Move(TStringList{dir + L"\\x\\a2", dir + L"\\y\\b2"}, TStringList{dir + L"\\a", dir + L"\\b"}));
  EXPECT_TRUE(Exists(dir + L"\\x\\a2") && Exists(dir + L"\\y\\b2"));
  EXPECT_FALSE(Exists(dir + L"\\a") || Exists(dir + L"\\b"));

  EXPECT_TRUE(shop->Copy(dir + L"\\x", TStringList{dir + L"\\c"}));
  EXPECT_TRUE(Exists(dir + L"\\c") && Exists(dir + L"\\x\\c"));

  // The one-to-one rename carries the item into another folder.
  EXPECT_TRUE(shop->Rename(dir + L"\\y\\d-renamed", dir + L"\\d"));
  EXPECT_TRUE(Exists(dir + L"\\y\\d-renamed"));
  EXPECT_FALSE(Exists(dir + L"\\d"));
}

// ---- the folder browser

struct RecordedBrowse {
  HWND owner;
  std::string root;  // the item list's bytes: it is freed once the call returns
  bool displayBuffer;
  const wchar_t* title;
  UINT flags;
  BFFCALLBACK callback;
  LPARAM param;
  int image;
};
std::vector<RecordedBrowse> browses;
bool browsePassOn = false;

PIDLIST_ABSOLUTE WINAPI RecordBrowse(LPBROWSEINFOW info) {
  const auto* root = reinterpret_cast<const char*>(info->pidlRoot);
  browses.push_back({info->hwndOwner, root ? std::string(root, ILGetSize(info->pidlRoot)) : "(null)",
                     info->pszDisplayName != nullptr, info->lpszTitle, info->ulFlags,
                     info->lpfn, info->lParam, info->iImage});
  return browsePassOn ? SHBrowseForFolderW(info) : nullptr;
}

class BrowseFolderTest : public ShoperationTest {
 protected:
  void SetUp() override {
    ShoperationTest::SetUp();
    browses.clear();
    browsePassOn = false;
    TSHOperation::ShellBrowseForFolder = RecordBrowse;
    dir = FreshFolder();
    std::filesystem::create_directories(dir + L"\\one");
    std::filesystem::create_directories(dir + L"\\two");
  }
  void TearDown() override {
    TSHOperation::ShellBrowseForFolder = SHBrowseForFolderW;
    ShoperationTest::TearDown();
  }
  std::wstring dir;
};

TEST_F(BrowseFolderTest, UnparsableRootOrSelectionShowsNothing) {
  for (const bool badRoot : {true, false}) {
    shop->Root = badRoot ? dir + L"\\no-such-folder" : dir;
    shop->FolderName = badRoot ? dir + L"\\one" : dir + L"\\no-such-folder";
    const std::wstring before = shop->FolderName;
    EXPECT_FALSE(shop->BrowseFolder());
    EXPECT_TRUE(browses.empty()) << "a dialog was asked for";
    EXPECT_EQ(shop->FolderName, before);
  }
}

TEST_F(BrowseFolderTest, BrowseInfoContents) {
  shop->Title = L"";
  shop->Flags = 0x51;
  EXPECT_FALSE(shop->BrowseFolder());  // the recorder answers like a cancel
  ASSERT_EQ(browses.size(), 1u);
  EXPECT_EQ(browses[0].owner, window.Handle());
  EXPECT_EQ(browses[0].root, "(null)") << "no Root: the whole namespace";
  EXPECT_TRUE(browses[0].displayBuffer);
  ASSERT_NE(browses[0].title, nullptr) << "an empty Title is an empty prompt, not none";
  EXPECT_STREQ(browses[0].title, L"");
  EXPECT_EQ(browses[0].flags, 0x51u);
  EXPECT_EQ(browses[0].callback, &TSHOperation::BrowseCallback);
  EXPECT_EQ(browses[0].param, 0) << "no FolderName: the selection request carries no item list";
  EXPECT_EQ(browses[0].image, 0);

  shop->Root = dir;
  shop->FolderName = dir + L"\\one";
  shop->Title = L"選んで";
  browses.clear();
  EXPECT_FALSE(shop->BrowseFolder());
  ASSERT_EQ(browses.size(), 1u);
  EXPECT_NE(browses[0].root, "(null)");
  EXPECT_NE(browses[0].param, 0);
  EXPECT_STREQ(browses[0].title, L"選んで");
  EXPECT_EQ(shop->FolderName, dir + L"\\one") << "a cancel keeps FolderName";
}

TEST_F(BrowseFolderTest, OverlongRootReachesTheParserEmpty) {
  // A Root of 260 units or more would name dir if passed whole; it is parsed
  // as an empty name instead, exactly like parsing "" directly.
  std::wstring longRoot = dir;
  while (longRoot.size() < 300) longRoot += L"\\.";
  IShellFolder* desktop = nullptr;
  ASSERT_EQ(SHGetDesktopFolder(&desktop), S_OK);
  wchar_t empty[1] = {L'\0'};
  PIDLIST_RELATIVE fromEmpty = nullptr;
  const bool emptyParses = SUCCEEDED(desktop->ParseDisplayName(nullptr, nullptr, empty, nullptr, &fromEmpty, nullptr));
  desktop->Release();

  shop->Root = longRoot;
  EXPECT_FALSE(shop->BrowseFolder());
  if (emptyParses) {
    ASSERT_EQ(browses.size(), 1u);
    const auto* bytes = reinterpret_cast<const char*>(fromEmpty);
    EXPECT_EQ(browses[0].root, std::string(bytes, ILGetSize(fromEmpty)));
  } else {
    EXPECT_TRUE(browses.empty());
  }
  CoTaskMemFree(fromEmpty);
}

TEST_F(BrowseFolderTest, RealDialogAcceptedAndCancelled) {
  browsePassOn = true;
  shop->Root = dir;
  shop->Title = L"圧縮先のフォルダを選択してください";
  struct Case {
    const char* what;
    std::wstring initial;  // FolderName on entry
    std::wstring pick;     // selected by the watcher; empty: leave the initial selection
    int button;
    bool result;
    std::wstring after;
  };
  const Case cases[] = {
      {"accept the initial selection", dir + L"\\one", L"", IDOK, true, dir + L"\\one"},
      {"pick another folder", dir + L"\\one", dir + L"\\two", IDOK, true, dir + L"\\two"},
      {"cancel", dir + L"\\one", dir + L"\\two", IDCANCEL, false, dir + L"\\one"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    shop->FolderName = c.initial;
    std::vector<std::wstring> statics;
    DialogWatcher watcher(GetCurrentThreadId(), [&](HWND dialog) {
      statics = ChildTexts(dialog, L"Static");
      if (!c.pick.empty()) SelectInBrowser(dialog, c.pick);
      PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(c.button, BN_CLICKED),
                   reinterpret_cast<LPARAM>(GetDlgItem(dialog, c.button)));
    });
    const bool result = shop->BrowseFolder();
    watcher.Join();
    ASSERT_TRUE(watcher.Found()) << "the folder browser never appeared";
    EXPECT_EQ(result, c.result);
    EXPECT_EQ(_wcsicmp(shop->FolderName.c_str(), c.after.c_str()), 0)
        << std::filesystem::path(shop->FolderName).string();
    EXPECT_NE(std::find(statics.begin(), statics.end(), shop->Title), statics.end()) << "the prompt is not shown";
    EXPECT_EQ(browses.back().owner, window.Handle());
  }
}

}  // namespace
