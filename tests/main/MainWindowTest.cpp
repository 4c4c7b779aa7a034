// The main window: start-up, the command line, drops, auto-close and the close.
#include "MainWindowFixture.h"

namespace {

using LineList = std::vector<std::wstring>;

TEST_F(MainWindow, FirstShowLoadsTheLibraryThenTheWindowState) {
  Start(L"");
  EXPECT_EQ(Lines(), (LineList{L"7-ZIP32.DLL 9.20.0.02", L"Alternate Version 16.02.0.05"}));
  const RECT r = MV_MAIN->BoundsRect();
  EXPECT_EQ((std::vector<LONG>{r.left, r.top, r.right - r.left, r.bottom - r.top}),
            (std::vector<LONG>{100, 100, 300, 300}));
  EXPECT_EQ(MV_MAIN->Caption(), L"Morvel 100520");
  ASSERT_NE(MV_OPTION, nullptr);
  EXPECT_EQ(MV_OPTION->ProfileIndex(), 0);
  EXPECT_TRUE(MV_MAIN->Visible());
  EXPECT_FALSE(FirstShow);
}

TEST_F(MainWindow, QuietSwitchSkipsTheDialogAndTheRestAreProcessedInOrder) {
  for (const wchar_t* quiet : {L"/n", L"/N"}) {
    SCOPED_TRACE(testing::Message() << "switch " << static_cast<int>(quiet[1]));
    test::FakeLog fake;
    const std::wstring a = File(L"a.txt"), b = File(L"写真.txt");
    Start(std::wstring(quiet) + L" \"" + a + L"\" " + b);
    EXPECT_EQ(Lines(), (LineList{L"[FileOK] a.txt", L"[FileOK] 写真.txt"})) << "the version lines are cleared first";
    const auto commands = Commands(fake);
    ASSERT_EQ(commands.size(), 2u);
    EXPECT_NE(commands[0].find("\"a.txt\""), std::string::npos);
    EXPECT_NE(commands[1].find("\"\xE5\x86\x99\xE7\x9C\x9F.txt\""), std::string::npos);
    TearDown();
    SetUp();
  }
}

TEST_F(MainWindow, ArgumentsThatOnlyResembleTheSwitchShowTheDialogAndArePaths) {
  for (const wchar_t* first : {L"-n", L"/no", L"/n:"}) {
    test::FakeLog fake;
    const std::wstring a = File(L"a.txt");
    OptionDialogAnswerer answerer;
    Start(std::wstring(first) + L" " + a);
    EXPECT_TRUE(answerer.Found()) << "the options dialog was never shown";
    EXPECT_EQ(Lines(), (LineList{L"[FileOK] a.txt"})) << "the first argument is an (unreadable) path";
    TearDown();
    SetUp();
  }
}

TEST_F(MainWindow, DropProcessesEveryNameWholeInOrder) {
  test::FakeLog fake;
  Start(L"");
  // A name far past 260 code units: cut, it could name another file.
  const std::wstring deep = folder_ + L"\\" + std::wstring(120, L'd');
  CreateDirectoryW(deep.c_str(), nullptr);
  const std::wstring longName = std::wstring(150, L'n') + L".txt";
  const std::wstring longPath = deep + L"\\" + longName;
  test::WriteBytes(longPath, "long");
  ASSERT_GT(longPath.size(), 260u);
  const std::wstring kana = File(L"かなか.txt");
  SendMessageW(MV_MAIN->Handle(), WM_DROPFILES, reinterpret_cast<WPARAM>(MakeDrop({longPath, kana})), 0);
  EXPECT_EQ(Lines(), (LineList{L"[FileOK] " + longName, L"[FileOK] かなか.txt"}));
  const auto commands = Commands(fake);
  ASSERT_EQ(commands.size(), 2u);
  EXPECT_NE(commands[0].find("\"" + std::string(150, 'n') + ".txt\""), std::string::npos);
  EXPECT_NE(commands[1].find("\xE3\x81\x8B\xE3\x81\xAA\xE3\x81\x8B.txt"), std::string::npos);
}

TEST_F(MainWindow, DropWithAnEmptyProfileIsRefusedAndTheLogKept) {
  test::WriteBytes(ini_, Utf16File(u"[Option]\r\n7zCommandLineSelect=7\r\n"));
  test::FakeLog fake;
  Start(L"");
  const LineList before = Lines();
  SendMessageW(MV_MAIN->Handle(), WM_DROPFILES, reinterpret_cast<WPARAM>(MakeDrop({File(L"a.txt")})), 0);
  EXPECT_EQ(Lines(), before);
  ASSERT_EQ(test::recordedBoxes.size(), 1u);
  EXPECT_EQ(test::recordedBoxes[0].text, L"選択されている圧縮設定は空です\n違う設定を選んで下さい");
  EXPECT_EQ(test::recordedBoxes[0].caption, L"エラー");
  EXPECT_TRUE(Commands(fake).empty());
}

TEST_F(MainWindow, AutoCloseOnlyAfterABatchWithoutFailures) {
  test::WriteBytes(ini_, Utf16File(u"[Option]\r\nAutoClose=1\r\n"));
  Start(L"");
  // old.7z cannot become old.zip, which exists: a failure, followed by a success.
  const std::wstring old7z = File(L"old.7z", "7z\xBC\xAF"), taken = File(L"old.zip", "PK");
  SendMessageW(MV_MAIN->Handle(), WM_DROPFILES, reinterpret_cast<WPARAM>(MakeDrop({old7z, File(L"a.txt")})), 0);
  EXPECT_EQ(Lines(), (LineList{L"[RenameNG] old.7z", L"[FileOK] a.txt"}));
  EXPECT_TRUE(LastJobSucceeded);
  EXPECT_TRUE(MV_MAIN->Visible()) << "a batch with a failure must not close the window";

  SendMessageW(MV_MAIN->Handle(), WM_DROPFILES, reinterpret_cast<WPARAM>(MakeDrop({File(L"b.txt")})), 0);
  EXPECT_FALSE(MV_MAIN->Visible());
  EXPECT_EQ(MV_OPTION, nullptr) << "the close sequence destroys the options dialog";
  EXPECT_FALSE(ReadAll(ini_).empty()) << "the close sequence writes the settings";
}

TEST_F(MainWindow, FirstRunClosedAfterTheOptionsDialogWritesTheExactFile) {
  Start(L"");
  {
    OptionDialogAnswerer answerer;
    MV_MAIN->M_OptionClick();
    ASSERT_TRUE(answerer.Found());
  }
  MV_MAIN->Close();
  const std::u16string expected =
      u"[Main]\r\nX=100\r\nY=100\r\nW=300\r\nH=300\r\nDir=\r\n\r\n"
      u"[Option]\r\nX=100\r\nY=100\r\nFileExt=.zip\r\nDelFile=0\r\nTopFolderCompress=0\r\n"
      u"7zCommandLine=a -tzip -mx=9 -mfb=64 -mpass=4 -r\r\n7zCommandLine2=a -tzip -mx=0 -r\r\n"
      u"7zCommandLine3=\r\n7zCommandLine4=\r\n7zCommandLine5=\r\n7zCommandLineSelect=0\r\nDestFolder=\r\n"
      u"AutoClose=0\r\nDeleteMode=1\r\nDestFolderMode=1\r\n\r\n";
  EXPECT_EQ(ReadAll(ini_), Utf16File(expected));
}

TEST_F(MainWindow, FailedStartClosesAtOnceAndLeavesTheSettingsFileAlone) {
  const std::string original = Utf16File(u"[Main]\r\nX=5\r\n; kept as it is\r\n");
  test::WriteBytes(ini_, original);
  Start(L"/n", L"nounicode");
  EXPECT_TRUE(StartupFailed);
  EXPECT_FALSE(MV_MAIN->Visible());
  EXPECT_EQ(MV_OPTION, nullptr);
  ASSERT_EQ(test::recordedBoxes.size(), 1u);
  EXPECT_EQ(test::recordedBoxes[0].text, L"UNICODE対応前の7-ZIP32.DLLは使用できません");
  EXPECT_TRUE(Lines().empty());
  MV_MAIN->Close();
  EXPECT_EQ(ReadAll(ini_), original);
}

TEST_F(MainWindow, ACloseDuringABatchStopsIt) {
  test::FakeLog fake;
  Start(L"");
  const std::wstring a = File(L"a.txt"), b = File(L"b.txt");
  // The close request waits in the queue; the batch lets it run before the first path.
  PostMessageW(MV_MAIN->Handle(), WM_CLOSE, 0, 0);
  SendMessageW(MV_MAIN->Handle(), WM_DROPFILES, reinterpret_cast<WPARAM>(MakeDrop({a, b})), 0);
  EXPECT_TRUE(Commands(fake).empty()) << "the unloaded library must not be called";
  EXPECT_EQ(MV_OPTION, nullptr);
  EXPECT_FALSE(ReadAll(ini_).empty());
}

}  // namespace
