// The main window: start-up, the command line, drops, auto-close and the close.
#include "MainWindowFixture.h"

#include <commdlg.h>
#include <filesystem>
#include <dlgs.h>

#include "Utf8.h"
#include "WideText.h"

namespace {

using LineList = std::vector<std::wstring>;

TEST_F(MainWindow, FirstShowLoadsTheLibraryThenTheWindowState) {
  Start(L"");
  EXPECT_EQ(Lines(), (LineList{L"7-ZIP32.DLL 9.20.0.02", L"Alternate Version 16.02.0.05"}));
  EXPECT_EQ(Bounds(MV_MAIN->BoundsRect()), (std::vector<LONG>{100, 100, 300, 300}));
  EXPECT_EQ(MV_MAIN->Caption(), L"Morvel 100520");
  ASSERT_NE(MV_OPTION, nullptr);
  EXPECT_EQ(MV_OPTION->ProfileIndex(), 0);
  EXPECT_TRUE(MV_MAIN->Visible());
  EXPECT_FALSE(FirstShow);
}

TEST_F(MainWindow, ACommandLinePathWithForwardSlashesIsTheSameFile) {
  // Windows takes '/' as a separator too; read as a name it would make the
  // drive the base folder, and the engine pack the whole drive.
  test::FakeLog fake;
  std::wstring a = File(L"a.txt");
  for (wchar_t& c : a)
    if (c == L'\\') c = L'/';
  Start(L"/n \"" + a + L"\"");
  EXPECT_EQ(Lines(), (LineList{L"[FileOK] a.txt"}));
  const auto commands = Commands(fake);
  ASSERT_EQ(commands.size(), 1u);
  const std::string folder = ToUtf8(U16(folder_ + L"\\"));
  EXPECT_NE(commands[0].find("\"" + folder + "\" \"a.txt\""), std::string::npos) << commands[0];
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

// A menu command as a click on the item delivers it.
void MenuCommand(const wchar_t* item) {
  SendMessageW(MV_MAIN->Handle(), WM_COMMAND, MAKEWPARAM(MV_MAIN->MainMenu->CommandId(item), 0), 0);
}

TEST_F(MainWindow, OpenFileAppendsTheChosenFilesAndRemembersTheirFolder) {
  test::WriteBytes(ini_, Utf16File(u"[Main]\r\nDir=" + std::u16string(folder_.begin(), folder_.end()) + u"\r\n"));
  test::FakeLog fake;
  File(L"a.txt");
  File(L"b 2.txt");
  Start(L"");
  const LineList versions = Lines();
  ASSERT_EQ(versions.size(), 2u);

  // Ctrl+O opens the same dialog; cancelled, nothing happens.
  std::wstring title;
  {
    test::DialogWatcher watcher(GetCurrentThreadId(), [&](HWND dialog) {
      wchar_t text[128] = {};
      GetWindowTextW(dialog, text, 128);
      title = text;
      PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDCANCEL)));
    });
    BYTE keys[256] = {};
    GetKeyboardState(keys);
    keys[VK_CONTROL] = 0x80;
    SetKeyboardState(keys);
    PostMessageW(MV_MAIN->LIST.Handle(), WM_KEYDOWN, 'O', 1);
    // The program's own loop: shortcuts are translated there.
    const ULONGLONG end = GetTickCount64() + 20000;
    while (!(watcher.Found() && !test::FindDialog(GetCurrentThreadId())) && GetTickCount64() < end) {
      Application.ProcessMessages();
      MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
    }
    keys[VK_CONTROL] = 0;
    SetKeyboardState(keys);
    watcher.Join();
    ASSERT_TRUE(watcher.Found()) << "Ctrl+O did not open the file dialog";
  }
  EXPECT_EQ(title, L"圧縮するファイルを開く");
  EXPECT_EQ(Lines(), versions);

  // Two names typed into the dialog in its initial folder, the remembered one.
  std::wstring shownFolder;
  test::DialogWatcher watcher(GetCurrentThreadId(), [&](HWND dialog) {
    wchar_t text[MAX_PATH] = {};
    SendMessageW(dialog, CDM_GETFOLDERPATH, MAX_PATH, reinterpret_cast<LPARAM>(text));
    shownFolder = text;
    SetDlgItemTextW(dialog, GetDlgItem(dialog, cmb13) ? cmb13 : edt1, L"\"a.txt\" \"b 2.txt\"");
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDOK)));
  });
  MenuCommand(L"M_OpenFile");
  watcher.Join();
  ASSERT_TRUE(watcher.Found());
  EXPECT_EQ(_wcsicmp(shownFolder.c_str(), folder_.c_str()), 0) << "the dialog opens in the remembered folder";
  LineList expected = versions;
  expected.push_back(L"[FileOK] a.txt");
  expected.push_back(L"[FileOK] b 2.txt");
  EXPECT_EQ(Lines(), expected) << "File > Open file appends, it does not clear";
  EXPECT_EQ(Commands(fake).size(), 2u);
  EXPECT_EQ(MV_MAIN->SHOP->Root, folder_ + L"\\") << "the folder part keeps its last backslash";
}

TEST_F(MainWindow, OpenFolderAppendsTheChosenFolderAndRemembersIt) {
  test::FakeLog fake;  // (it starts the test's folder afresh)
  const std::wstring photos = folder_ + L"\\photos";
  CreateDirectoryW(photos.c_str(), nullptr);
  test::WriteBytes(ini_, Utf16File(u"[Main]\r\nDir=" + U16(folder_) + u"\r\n"));
  test::WriteBytes(photos + L"\\p.txt", "picture");
  Start(L"");
  const LineList versions = Lines();
  std::vector<std::wstring> statics;
  test::DialogWatcher watcher(GetCurrentThreadId(), [&](HWND browser) {
    statics = test::ChildTexts(browser, L"Static");
    test::SelectInBrowser(browser, photos);
    PostMessageW(browser, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(browser, IDOK)));
  });
  MenuCommand(L"M_OpenFolder");
  watcher.Join();
  ASSERT_TRUE(watcher.Found()) << "the folder browser never appeared";
  EXPECT_NE(std::find(statics.begin(), statics.end(), L"圧縮先のフォルダを選択してください"), statics.end());
  LineList expected = versions;
  expected.push_back(L"[DirectoryOK] photos");
  EXPECT_EQ(Lines(), expected);
  EXPECT_EQ(_wcsicmp(MV_MAIN->SHOP->Root.c_str(), photos.c_str()), 0);
  MV_MAIN->Close();
  EXPECT_EQ(_wcsicmp(W(ReadSettingsFile().ReadString(u"Main", u"Dir", u"")).c_str(), photos.c_str()), 0)
      << "the next run starts in the folder chosen last";
}

TEST_F(MainWindow, BoundsSavedAtCloseAreTheOnesOnScreenOrTheRestoredOnes) {
  struct Case {
    const char* what;
    int show;
    bool expectMaximisedBounds;
  };
  const Case cases[] = {
      {"maximised: its maximised bounds", SW_MAXIMIZE, true},
      {"minimised: its restored bounds", SW_MINIMIZE, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    test::WriteBytes(ini_, Utf16File(u"[Main]\r\nX=120\r\nY=80\r\nW=420\r\nH=260\r\n"));
    Start(L"");
    const std::vector<LONG> normal = Bounds(MV_MAIN->BoundsRect());
    ASSERT_EQ(normal, (std::vector<LONG>{120, 80, 420, 260}));
    ShowWindow(MV_MAIN->Handle(), c.show);
    test::PumpUntil([&] { return c.show == SW_MAXIMIZE ? IsZoomed(MV_MAIN->Handle()) : IsIconic(MV_MAIN->Handle()); });
    RECT onScreen{};
    GetWindowRect(MV_MAIN->Handle(), &onScreen);
    const std::vector<LONG> expected = c.expectMaximisedBounds ? Bounds(onScreen) : normal;
    if (c.expectMaximisedBounds) {
      ASSERT_NE(expected, normal) << "the window did not grow when maximised";
    }
    MV_MAIN->Close();
    const IniImage ini = ReadSettingsFile();
    EXPECT_EQ((std::vector<LONG>{ini.ReadInteger(u"Main", u"X", -1), ini.ReadInteger(u"Main", u"Y", -1),
                                 ini.ReadInteger(u"Main", u"W", -1), ini.ReadInteger(u"Main", u"H", -1)}),
              expected);
    // The next run shows a normal window with those bounds; the state itself is not kept.
    Restart(L"");
    EXPECT_FALSE(IsZoomed(MV_MAIN->Handle()));
    EXPECT_FALSE(IsIconic(MV_MAIN->Handle()));
    EXPECT_EQ(Bounds(MV_MAIN->BoundsRect()), expected);
    TearDown();
    SetUp();
  }
}

TEST_F(MainWindow, UnreadableSettingsAreReportedAndTheDefaultsApply) {
  test::WriteBytes(ini_, Utf16File(u"[Main]\r\nX=5\r\n[Option]\r\n7zCommandLineSelect=4\r\n"));
  // Held open without read sharing, as another program might.
  HANDLE held = CreateFileW(ini_.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  test::FakeLog fake;
  Start(L"");
  ASSERT_EQ(test::recordedBoxes.size(), 2u) << "the window's read and the dialog's read each report";
  for (const auto& box : test::recordedBoxes) {
    EXPECT_EQ(box.text.rfind(L"ファイル " + ini_ + L" は開けません。 ", 0), 0u) << std::filesystem::path(box.text).string();
    EXPECT_EQ(box.caption, L"Morvel 100520");
    EXPECT_EQ(box.type & MB_ICONMASK, static_cast<UINT>(MB_ICONERROR));
  }
  EXPECT_EQ(Bounds(MV_MAIN->BoundsRect()), (std::vector<LONG>{100, 100, 300, 300}));
  EXPECT_EQ(MV_OPTION->SelectedProfile(), L"a -tzip -mx=9 -mfb=64 -mpass=4 -r");
  SendMessageW(MV_MAIN->Handle(), WM_DROPFILES, reinterpret_cast<WPARAM>(MakeDrop({File(L"a.txt")})), 0);
  EXPECT_EQ(Lines(), (LineList{L"[FileOK] a.txt"})) << "the program stays usable";
  // Readable again by the close, it still holds the user's settings, not this session's defaults.
  CloseHandle(held);
  const std::string original = ReadAll(ini_);
  MV_MAIN->Close();
  EXPECT_EQ(test::recordedBoxes.size(), 2u) << "the close reports nothing more";
  EXPECT_EQ(MV_OPTION, nullptr);
  EXPECT_EQ(ReadAll(ini_), original) << "the close wrote over a file it could not read at start";
}

TEST_F(MainWindow, SettingsSavedAsUtf8AreKeptAndWrittenBackAsUtf16) {
  // As Notepad saves a file edited by hand: UTF-8 with its mark; the profiles 3 to 5
  // exist only in such a file.
  const std::string utf8 =
      "\xEF\xBB\xBF[Main]\r\nX=140\r\nY=90\r\n[Option]\r\n7zCommandLine3=a -t7z -mx=7 -r\r\n"
      "7zCommandLine4=a -tzip -mem=AES256 -r\r\n7zCommandLine5=a -tzip -mx=1 -r\r\n7zCommandLineSelect=3\r\n"
      "DestFolder=C:\\\xE5\x87\xBA\xE5\x8A\x9B\r\n";
  for (const std::string& bytes : {utf8, utf8.substr(3)}) {
    SCOPED_TRACE(bytes.size() == utf8.size() ? "with its mark" : "without a mark");
    test::WriteBytes(ini_, bytes);
    Start(L"");
    EXPECT_TRUE(test::recordedBoxes.empty());
    EXPECT_EQ(Bounds(MV_MAIN->BoundsRect()), (std::vector<LONG>{140, 90, 300, 300}));
    EXPECT_EQ((std::vector<std::wstring>{MV_OPTION->Profile(2), MV_OPTION->Profile(3), MV_OPTION->Profile(4)}),
              (std::vector<std::wstring>{L"a -t7z -mx=7 -r", L"a -tzip -mem=AES256 -r", L"a -tzip -mx=1 -r"}));
    EXPECT_EQ(MV_OPTION->SelectedProfile(), L"a -tzip -mem=AES256 -r");
    EXPECT_EQ(MV_OPTION->DestFolder(), L"C:\\出力");
    MV_MAIN->Close();
    const std::string stored = ReadAll(ini_);
    EXPECT_EQ(stored.substr(0, 2), "\xFF\xFE");
    const IniImage ini = ReadSettingsFile();
    EXPECT_EQ(ini.ReadString(u"Option", u"7zCommandLine4", u""), u"a -tzip -mem=AES256 -r");
    EXPECT_EQ(ini.ReadString(u"Option", u"7zCommandLine5", u""), u"a -tzip -mx=1 -r");
    EXPECT_EQ(ini.ReadInteger(u"Option", u"7zCommandLineSelect", -1), 3);
    EXPECT_EQ(ini.ReadString(u"Option", u"DestFolder", u""), u"C:\\出力");
    EXPECT_EQ(ini.ReadInteger(u"Main", u"X", -1), 140);
    TearDown();
    SetUp();
  }
}

}  // namespace
