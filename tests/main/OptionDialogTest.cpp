// The options dialog as the main window shows it: modal, driven by the messages
// a user's mouse and keyboard produce, from inside its own modal loop.
#include "MainWindowFixture.h"

#include <filesystem>

namespace {

// What a click with the left button delivers to a control.
void MouseClick(const TControl& control) {
  PostMessageW(control.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(3, 3));
  PostMessageW(control.Handle(), WM_LBUTTONUP, 0, MAKELPARAM(3, 3));
}

// A key pressed and released while `target` has the focus.
void Key(HWND target, WORD key) {
  SetFocus(target);
  PostMessageW(target, WM_KEYDOWN, key, 1);
  PostMessageW(target, WM_KEYUP, key, 0xC0000001);
}

// OK pressed the way a button's own message does it.
void PressOk() { PostMessageW(MV_OPTION->B_OK.Handle(), BM_CLICK, 0, 0); }

std::wstring FocusedName() {
  HWND focus = GetFocus();
  if (focus == MV_OPTION->Handle()) return L"(dialog)";
  for (auto* c : MV_OPTION->Controls())
    if (c->Handle() == focus) return c->Name;
  return L"(elsewhere)";
}

std::vector<std::wstring> BoxTexts() {
  std::vector<std::wstring> texts;
  for (const auto& box : test::recordedBoxes) texts.push_back(box.text);
  return texts;
}

const std::wstring kEmptyProfile = L"選択されている圧縮設定は空です\n違う設定を選んで下さい";
const std::wstring kNoDestination = L"出力先の指定をして下さい";

class OptionDialog : public MainWindow {
 protected:
  // The dialog as a settings file with these lines leaves it, shown once from the main window.
  void StartWith(const std::u16string& lines) {
    if (!lines.empty()) test::WriteBytes(ini_, Utf16File(lines));
    Start(L"");
    ASSERT_NE(MV_OPTION, nullptr);
  }
  // Shows the dialog through the main window's command while `steps` run; true when it closed by OK.
  bool Run(std::vector<ModalScript::Step> steps) {
    ModalScript script(std::move(steps));
    MV_MAIN->M_OptionClick();
    EXPECT_TRUE(script.AllRan());
    return MV_OPTION->ModalResult == mrOk;
  }
  TMV_OPTION& D() { return *MV_OPTION; }
};

TEST_F(OptionDialog, DeleteChoiceFollowsTheCheckBoxByMouseAndKeyboard) {
  StartWith(u"[Option]\r\nDelFile=0\r\nDeleteMode=2\r\n");
  EXPECT_FALSE(D().RB_DeleteMode1.Enabled());
  EXPECT_FALSE(D().RB_DeleteMode2.Enabled());
  EXPECT_TRUE(D().RB_DeleteMode2.Checked()) << "the stored choice is shown even while disabled";
  EXPECT_FALSE(D().RB_DeleteMode1.Checked());

  EXPECT_TRUE(Run({
      [&] { MouseClick(D().C_DelFile); },
      [&] {
        EXPECT_TRUE(D().C_DelFile.Checked());
        EXPECT_TRUE(D().RB_DeleteMode1.Enabled());
        EXPECT_TRUE(D().RB_DeleteMode2.Enabled());
        EXPECT_TRUE(D().RB_DeleteMode2.Checked()) << "enabling keeps the choice";
        Key(D().C_DelFile.Handle(), VK_SPACE);
      },
      [&] {
        EXPECT_FALSE(D().C_DelFile.Checked());
        EXPECT_FALSE(D().RB_DeleteMode1.Enabled());
        EXPECT_FALSE(D().RB_DeleteMode2.Enabled());
        EXPECT_TRUE(D().RB_DeleteMode2.Checked());
        PressOk();
      },
  }));
  EXPECT_TRUE(test::recordedBoxes.empty());
}

TEST_F(OptionDialog, DestinationFollowsTheRadioButtonsByMouseAndKeyboard) {
  StartWith(u"[Option]\r\nDestFolder=C:\\Keep\r\n");
  EXPECT_TRUE(D().RB_DestFolderMode1.Checked());
  EXPECT_FALSE(D().E_DestFolder.Enabled());
  EXPECT_FALSE(D().B_DestFolderSelect.Enabled());

  EXPECT_TRUE(Run({
      [&] { MouseClick(D().RB_DestFolderMode2); },
      [&] {
        EXPECT_TRUE(D().RB_DestFolderMode2.Checked());
        EXPECT_FALSE(D().RB_DestFolderMode1.Checked());
        EXPECT_TRUE(D().E_DestFolder.Enabled());
        EXPECT_TRUE(D().B_DestFolderSelect.Enabled());
        Key(D().RB_DestFolderMode2.Handle(), VK_UP);  // the arrow moves within the group and checks
      },
      [&] {
        EXPECT_TRUE(D().RB_DestFolderMode1.Checked());
        EXPECT_EQ(FocusedName(), L"RB_DestFolderMode1");
        EXPECT_FALSE(D().E_DestFolder.Enabled());
        EXPECT_FALSE(D().B_DestFolderSelect.Enabled());
        EXPECT_EQ(D().E_DestFolder.Text(), L"C:\\Keep") << "disabling keeps the text";
        Key(D().RB_DestFolderMode1.Handle(), VK_DOWN);
      },
      [&] {
        EXPECT_TRUE(D().RB_DestFolderMode2.Checked());
        EXPECT_TRUE(D().E_DestFolder.Enabled());
        PressOk();
      },
  }));
  EXPECT_EQ(D().GetDestFolderMode(), DestFolderMode::SpecifiedFolder);
  EXPECT_EQ(D().DestFolder(), L"C:\\Keep");
}

TEST_F(OptionDialog, ValidationKeepsItOpenWithOneMessageAtATime) {
  // An empty profile and an empty destination at once: the profile is reported first, alone.
  StartWith(u"[Option]\r\n7zCommandLineSelect=2\r\nDestFolderMode=2\r\n");
  EXPECT_TRUE(Run({
      [&] { PressOk(); },
      [&] {
        EXPECT_TRUE(D().Visible()) << "closed despite the empty profile";
        EXPECT_EQ(BoxTexts(), std::vector<std::wstring>{kEmptyProfile});
        EXPECT_EQ(test::recordedBoxes.back().caption, L"エラー");
        EXPECT_EQ(test::recordedBoxes.back().owner, D().Handle());
        D().CB_Profile.SetItemIndex(1);
        Key(D().E_Ext.Handle(), VK_RETURN);  // Enter in an edit box presses the default button
      },
      [&] {
        EXPECT_TRUE(D().Visible());
        EXPECT_EQ(BoxTexts(), (std::vector<std::wstring>{kEmptyProfile, kNoDestination}));
        D().E_DestFolder.SetText(folder_);
        Key(D().CB_Profile.Handle(), VK_RETURN);
      },
  }));
  EXPECT_EQ(test::recordedBoxes.size(), 2u) << "a valid OK shows nothing";
  EXPECT_EQ(D().SelectedProfile(), L"a -tzip -mx=0 -r");
}

TEST_F(OptionDialog, EscapeOnTheDialogItselfIsOkAndControlsKeepTheirKeys) {
  StartWith(u"[Option]\r\n7zCommandLineSelect=3\r\n");
  EXPECT_TRUE(Run({
      [&] { Key(D().E_Ext.Handle(), VK_ESCAPE); },  // meant for the edit box: not the dialog's
      [&] {
        EXPECT_TRUE(D().Visible());
        EXPECT_TRUE(test::recordedBoxes.empty()) << "Escape in a control reached the dialog";
        Key(D().Handle(), VK_ESCAPE);
      },
      [&] {
        EXPECT_TRUE(D().Visible()) << "Escape must validate like OK";
        EXPECT_EQ(BoxTexts(), std::vector<std::wstring>{kEmptyProfile});
        D().CB_Profile.SetItemIndex(0);
        SetFocus(D().Handle());
        PostMessageW(D().Handle(), WM_KEYDOWN, VK_ESCAPE, 1);
      },
  }));
  EXPECT_EQ(test::recordedBoxes.size(), 1u);
}

TEST_F(OptionDialog, OpensAtTheMainWindowsCornerModallyAndWritesNothing) {
  StartWith(u"[Main]\r\nX=250\r\nY=120\r\n[Option]\r\nX=10\r\nY=600\r\n");
  const std::string before = ReadAll(ini_);
  const auto corner = [&] {
    RECT r{};
    GetWindowRect(D().Handle(), &r);
    return std::vector<LONG>{r.left, r.top};
  };
  EXPECT_TRUE(Run({[&] {
    EXPECT_EQ(corner(), (std::vector<LONG>{250, 120}));
    EXPECT_FALSE(IsWindowEnabled(MV_MAIN->Handle())) << "the main window must wait for the dialog";
    D().C_AutoClose.SetChecked(true);
    PressOk();
  }}));
  EXPECT_TRUE(IsWindowEnabled(MV_MAIN->Handle()));
  EXPECT_FALSE(D().Visible());
  EXPECT_TRUE(D().AutoClose()) << "there is no cancel: the change stays";
  EXPECT_EQ(ReadAll(ini_), before) << "closing the dialog writes nothing";

  MV_MAIN->SetLeftTop(400, 200);
  EXPECT_TRUE(Run({[&] {
    EXPECT_EQ(corner(), (std::vector<LONG>{400, 200}));
    PressOk();
  }}));

  // Placed near the work area's edges the dialog aligns with them, and the close
  // stores where it stood; the main window, placed there by the program, stays.
  MONITORINFO mi{sizeof(mi)};
  ASSERT_TRUE(GetMonitorInfoW(MonitorFromWindow(MV_MAIN->Handle(), MONITOR_DEFAULTTONEAREST), &mi));
  const RECT wa = mi.rcWork;
  MV_MAIN->SetLeftTop(wa.left + 5, wa.top + 5);
  EXPECT_EQ((std::vector<LONG>{MV_MAIN->Left(), MV_MAIN->Top()}), (std::vector<LONG>{wa.left + 5, wa.top + 5}))
      << "the main window aligns only when dragged";
  EXPECT_TRUE(Run({[&] {
    EXPECT_EQ(corner(), (std::vector<LONG>{wa.left, wa.top})) << "5 px from the edges";
    PressOk();
  }}));
  ShowWindow(MV_MAIN->Handle(), SW_MAXIMIZE);
  ASSERT_TRUE(test::PumpUntil([] { return IsZoomed(MV_MAIN->Handle()) != FALSE; }));
  RECT maximised{};
  GetWindowRect(MV_MAIN->Handle(), &maximised);
  ASSERT_LT(std::abs(maximised.left - wa.left), 10) << "a maximised window's corner is within its frame of the edge";
  EXPECT_TRUE(Run({[&] {
    EXPECT_EQ(corner(), (std::vector<LONG>{wa.left, wa.top})) << "main window maximised: the dialog is all on screen";
    PressOk();
  }}));
  ShowWindow(MV_MAIN->Handle(), SW_RESTORE);
  MV_MAIN->Close();
  const IniImage ini = ReadSettingsFile();
  EXPECT_EQ((std::vector<int>{ini.ReadInteger(u"Option", u"X", -1), ini.ReadInteger(u"Option", u"Y", -1)}),
            (std::vector<int>{wa.left, wa.top}))
      << "the place stored is where the dialog stood";
}

TEST_F(OptionDialog, InsideTheGroupBoxesIsTheDialogsOwnBackground) {
  StartWith(u"");
  // Free spots inside GB1 (right of the extension box), GB2, GB3 and GB4, and outside them.
  const POINT spots[] = {{300, 28}, {250, 160}, {250, 240}, {340, 322}, {30, 380}};
  std::vector<COLORREF> seen;
  EXPECT_TRUE(Run({[&] {
    RedrawWindow(D().Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    HDC dc = GetDC(D().Handle());
    for (const POINT& p : spots) seen.push_back(GetPixel(dc, p.x, p.y));
    ReleaseDC(D().Handle(), dc);
    PressOk();
  }}));
  EXPECT_EQ(seen, std::vector<COLORREF>(std::size(spots), GetSysColor(COLOR_BTNFACE)));
}

// A key pressed during the system's keyboard move of a window: the move loop reads it from the queue.
void MoveKey(HWND window, WORD key) { PostMessageW(window, WM_KEYDOWN, key, 1); }

TEST_F(OptionDialog, MovedByTheUserNearAWorkAreaEdgeItAlignsWithIt) {
  StartWith(u"");
  MONITORINFO mi{sizeof(mi)};
  ASSERT_TRUE(GetMonitorInfoW(MonitorFromWindow(D().Handle(), MONITOR_DEFAULTTONEAREST), &mi));
  const RECT wa = mi.rcWork;
  const auto place = [&] {
    RECT r{};
    GetWindowRect(D().Handle(), &r);
    return std::vector<LONG>{r.left, r.top};
  };
  // The system's move loop moves by 8 pixels a key; each case starts where two keys end
  // at the given distance from the edges.
  struct Case {
    const char* what;
    LONG distance;  // from the left and top edges after the move
    LONG want;      // from those edges where it stands afterwards
  };
  const Case cases[] = {
      {"9 px from the left and top edges", 9, 0},
      {"10 px away stays", 10, 10},
      {"past the edges by 3 px", -3, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<LONG> before, after;
    EXPECT_TRUE(Run({
        [&] {
          D().SetLeftTop(wa.left + c.distance + 16, wa.top + c.distance + 16);
          before = place();
          PostMessageW(D().Handle(), WM_SYSCOMMAND, SC_MOVE, 0);
        },
        [&] { MoveKey(D().Handle(), VK_LEFT); },
        [&] { MoveKey(D().Handle(), VK_LEFT); },
        [&] { MoveKey(D().Handle(), VK_UP); },
        [&] { MoveKey(D().Handle(), VK_UP); },
        [&] { MoveKey(D().Handle(), VK_RETURN); },
        [&] {
          after = place();
          PressOk();
        },
    }));
    EXPECT_EQ(before, (std::vector<LONG>{wa.left + c.distance + 16, wa.top + c.distance + 16}))
        << "placed by the program: not aligned";
    EXPECT_EQ(after, (std::vector<LONG>{wa.left + c.want, wa.top + c.want}));
  }
}

TEST_F(OptionDialog, PlacedByTheProgramNearAWorkAreaEdgeItAlignsWithIt) {
  StartWith(u"[Option]\r\nX=3\r\nY=4\r\n");
  MONITORINFO mi{sizeof(mi)};
  ASSERT_TRUE(GetMonitorInfoW(MonitorFromWindow(D().Handle(), MONITOR_DEFAULTTONEAREST), &mi));
  const RECT wa = mi.rcWork;
  RECT r{};
  const auto place = [&] {
    GetWindowRect(D().Handle(), &r);
    return std::vector<LONG>{r.left, r.top};
  };
  EXPECT_EQ(place(), (std::vector<LONG>{wa.left, wa.top})) << "the place read from the settings file";
  const LONG w = r.right - r.left, h = r.bottom - r.top;
  struct Case {
    const char* what;
    LONG x, y;          // asked for
    LONG wantX, wantY;  // where it stands afterwards
  };
  const Case cases[] = {
      {"9 px from the left and top edges", wa.left + 9, wa.top + 9, wa.left, wa.top},
      {"10 px away stays", wa.left + 10, wa.top + 10, wa.left + 10, wa.top + 10},
      {"5 px from the right and bottom edges", wa.right - w - 5, wa.bottom - h - 5, wa.right - w, wa.bottom - h},
      {"past the left edge by 9 px", wa.left - 9, wa.top + 100, wa.left, wa.top + 100},
      {"past the bottom edge by 4 px", wa.left + 50, wa.bottom - h + 4, wa.left + 50, wa.bottom - h},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    D().SetLeftTop(c.x, c.y);
    EXPECT_EQ(place(), (std::vector<LONG>{c.wantX, c.wantY}));
  }
  // A move that also changes the size is left alone.
  D().SetBounds(wa.left + 4, wa.top + 4, w + 20, h);
  EXPECT_EQ(place(), (std::vector<LONG>{wa.left + 4, wa.top + 4}));
}

// Closing it from outside: each way a close can reach the dialog, first while the
// selected profile is empty, then with a usable one.
TEST_F(OptionDialog, ACloseFromOutsideIsOkWithItsValidation) {
  struct Way {
    const char* what;
    std::function<void()> close;
  };
  // Alt held: bit 29 of a key message's lParam.
  const Way ways[] = {
      {"WM_CLOSE", [] { PostMessageW(MV_OPTION->Handle(), WM_CLOSE, 0, 0); }},
      {"the system's close command", [] { PostMessageW(MV_OPTION->Handle(), WM_SYSCOMMAND, SC_CLOSE, 0); }},
      {"Alt+F4 in a control",
       [] {
         SetFocus(MV_OPTION->E_Ext.Handle());
         PostMessageW(MV_OPTION->E_Ext.Handle(), WM_SYSKEYDOWN, VK_F4, 0x20000001);
       }},
  };
  for (const Way& way : ways) {
    SCOPED_TRACE(way.what);
    StartWith(u"[Option]\r\n7zCommandLineSelect=2\r\n");
    EXPECT_TRUE(Run({
        [&] { way.close(); },
        ModalScript::Step::Until([] { return !test::recordedBoxes.empty() || !MV_OPTION->Visible(); }),
        [&] {
          EXPECT_TRUE(D().Visible()) << "closed with an empty profile selected";
          EXPECT_EQ(BoxTexts(), std::vector<std::wstring>{kEmptyProfile});
          D().CB_Profile.SetItemIndex(1);
          way.close();
        },
    }));
    EXPECT_FALSE(D().Visible());
    EXPECT_EQ(test::recordedBoxes.size(), 1u) << "a usable profile closes it without a word";
    EXPECT_EQ(D().SelectedProfile(), L"a -tzip -mx=0 -r");
    TearDown();
    SetUp();
  }
}

// The real folder browser, counted: a step can wait until the handler has its answer.
std::atomic<int> browsesReturned{0};
PIDLIST_ABSOLUTE WINAPI CountedBrowse(LPBROWSEINFOW info) {
  PIDLIST_ABSOLUTE chosen = SHBrowseForFolderW(info);
  ++browsesReturned;
  return chosen;
}

TEST_F(OptionDialog, BrowseOffersTheEditedFolderAndTakesTheChoice) {
  TSHOperation::ShellBrowseForFolder = CountedBrowse;
  struct Restore {
    ~Restore() { TSHOperation::ShellBrowseForFolder = SHBrowseForFolderW; }
  } restore;
  const std::wstring work = folder_ + L"\\Work";
  std::filesystem::create_directories(work + L"\\Out");
  StartWith(u"[Option]\r\nDestFolderMode=2\r\n");
  struct Case {
    const char* what;
    int button;
    std::wstring after;
  };
  const Case cases[] = {
      {"a subfolder accepted", IDOK, work + L"\\Out"},
      {"cancelled", IDCANCEL, work},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<std::wstring> statics;
    HWND browserOwner = nullptr;
    test::DialogWatcher watcher(GetCurrentThreadId(), [&](HWND browser) {
      statics = test::ChildTexts(browser, L"Static");
      browserOwner = GetWindow(browser, GW_OWNER);
      test::SelectInBrowser(browser, work + L"\\Out");
      PostMessageW(browser, WM_COMMAND, MAKEWPARAM(c.button, BN_CLICKED),
                   reinterpret_cast<LPARAM>(GetDlgItem(browser, c.button)));
    });
    EXPECT_TRUE(Run({
        [&] {
          D().E_DestFolder.SetText(work);
          Key(D().B_DestFolderSelect.Handle(), VK_RETURN);  // Enter on the other button presses that one
        },
        ModalScript::Step::Until([&, count = browsesReturned.load()] { return browsesReturned > count; }),
        [&] {
          EXPECT_TRUE(D().Visible()) << "Enter on the browse button must not close the dialog";
          EXPECT_EQ(_wcsicmp(D().E_DestFolder.Text().c_str(), c.after.c_str()), 0)
              << std::filesystem::path(D().E_DestFolder.Text()).string();
          MouseClick(D().B_OK);
        },
    }));
    watcher.Join();
    ASSERT_TRUE(watcher.Found()) << "the folder browser never appeared";
    EXPECT_EQ(browserOwner, D().Handle());
    EXPECT_NE(std::find(statics.begin(), statics.end(), L"出力先のフォルダを選択してください"), statics.end());
    EXPECT_EQ(_wcsicmp(D().SHOP->Root.c_str(), work.c_str()), 0) << "Root is the edit box's text";
  }
}

TEST_F(OptionDialog, LayoutFrameFontsAndTabOrder) {
  StartWith(u"[Option]\r\nDelFile=1\r\nDeleteMode=2\r\nDestFolderMode=2\r\nDestFolder=C:\\Out\r\n");
  RECT client{};
  GetClientRect(D().Handle(), &client);
  EXPECT_EQ((std::vector<LONG>{client.right, client.bottom}), (std::vector<LONG>{371, 403}));
  const LONG_PTR style = GetWindowLongPtrW(D().Handle(), GWL_STYLE);
  EXPECT_EQ(style & (WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX), 0);
  EXPECT_EQ(D().Caption(), L"圧縮設定");

  // Where each window stands in the dialog's client area: group offsets applied.
  struct Place {
    const wchar_t* name;
    LONG left, top, width, height;  // height -1: the control sizes itself
  };
  const Place places[] = {
      {L"B_OK", 144, 368, 75, 25},           {L"GB1", 8, 8, 353, 89},
      {L"Label01", 16, 32, 36, 13},          {L"E_Ext", 80, 24, 105, 21},
      {L"CB_Profile", 80, 48, 273, -1},      {L"C_TopFolderCompress", 80, 72, 273, 17},
      {L"GB2", 8, 104, 353, 89},             {L"C_DelFile", 24, 120, 329, 17},
      {L"RB_DeleteMode2", 40, 168, 113, 17}, {L"GB3", 8, 200, 353, 97},
      {L"E_DestFolder", 40, 264, 281, 21},   {L"B_DestFolderSelect", 327, 263, 25, 22},
      {L"GB4", 8, 304, 353, 41},             {L"C_AutoClose", 24, 320, 329, 17},
  };
  for (const auto& p : places) {
    SCOPED_TRACE(testing::Message() << std::filesystem::path(p.name).string());
    const TControl* control = nullptr;
    for (auto* c : D().Controls())
      if (c->Name == p.name) control = c;
    ASSERT_NE(control, nullptr);
    RECT r{};
    GetWindowRect(control->Handle(), &r);
    MapWindowPoints(nullptr, D().Handle(), reinterpret_cast<POINT*>(&r), 2);
    EXPECT_EQ((std::vector<LONG>{r.left, r.top, r.right - r.left, p.height < 0 ? -1 : r.bottom - r.top}),
              (std::vector<LONG>{p.left, p.top, p.width, p.height}));
  }
  LOGFONTW lf{};
  GetObjectW(reinterpret_cast<HFONT>(SendMessageW(D().B_DestFolderSelect.Handle(), WM_GETFONT, 0, 0)), sizeof(lf), &lf);
  EXPECT_EQ(std::wstring(lf.lfFaceName), L"ＭＳ Ｐゴシック");
  EXPECT_EQ((std::vector<int>{lf.lfHeight, lf.lfCharSet}), (std::vector<int>{-16, SHIFTJIS_CHARSET}));
  GetObjectW(reinterpret_cast<HFONT>(SendMessageW(D().E_Ext.Handle(), WM_GETFONT, 0, 0)), sizeof(lf), &lf);
  EXPECT_EQ(std::wstring(lf.lfFaceName), L"Tahoma");
  EXPECT_EQ(lf.lfHeight, -11);

  // Tab visits the groups in tab order (not top to bottom), each radio group at its
  // checked button, and never a group box's frame.
  std::vector<std::wstring> visited;
  std::vector<ModalScript::Step> steps;
  for (int i = 0; i < 10; ++i)
    steps.push_back([&] {
      visited.push_back(FocusedName());
      Key(GetFocus(), VK_TAB);
    });
  steps.push_back([&] {
    visited.push_back(FocusedName());
    PressOk();
  });
  EXPECT_TRUE(Run(steps));
  EXPECT_EQ(visited, (std::vector<std::wstring>{L"B_OK", L"E_Ext", L"CB_Profile", L"C_TopFolderCompress",
                                                L"RB_DestFolderMode2", L"E_DestFolder", L"B_DestFolderSelect",
                                                L"C_AutoClose", L"C_DelFile", L"RB_DeleteMode2", L"B_OK"}));
}

}  // namespace
