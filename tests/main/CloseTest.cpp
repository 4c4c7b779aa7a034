// Whatever closes the program and whatever is up when it does: the modal windows end
// first, the close sequence runs once and saves the settings, and nothing freed is
// touched. Also the library call that runs the window's messages, and handlers that throw.
#include "MainWindowFixture.h"

#include <commdlg.h>

#include "About.h"

#include "WideText.h"

namespace {

// Runs `action` once, from inside whatever loop pumps this thread while `up()` holds: a
// timer tick is dispatched by a modal loop, ours or the system's, like any message.
// Should the modal window still be up long after, it is ended here so that the test
// fails instead of hanging.
class WhenUp {
 public:
  WhenUp(std::function<bool()> up, std::function<void()> action) : up_(std::move(up)), action_(std::move(action)) {
    current_ = this;
    timer_ = SetTimer(nullptr, 0, 30, &WhenUp::Tick);
  }
  ~WhenUp() {
    KillTimer(nullptr, timer_);
    current_ = nullptr;
  }
  bool Fired() const { return fired_; }
  bool Hung() const { return hung_; }

 private:
  static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
    WhenUp* self = current_;
    if (!self || self->running_) return;
    self->running_ = true;
    if (!self->fired_ && self->up_()) {
      self->fired_ = true;
      self->action_();
    } else if (self->fired_ && self->up_() && ++self->ticksAfter_ > 300) {
      self->hung_ = true;
      if (HWND dialog = test::FindDialog(GetCurrentThreadId())) PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
      if (MV_OPTION) MV_OPTION->ModalResult = mrCancel;
      if (MV_ABOUT) MV_ABOUT->ModalResult = mrCancel;
    }
    self->running_ = false;
  }

  static inline WhenUp* current_ = nullptr;
  std::function<bool()> up_;
  std::function<void()> action_;
  bool fired_ = false, hung_ = false, running_ = false;
  int ticksAfter_ = 0;
  UINT_PTR timer_ = 0;
};

void MenuCommand(const wchar_t* item) {
  SendMessageW(MV_MAIN->Handle(), WM_COMMAND, MAKEWPARAM(MV_MAIN->MainMenu->CommandId(item), 0), 0);
}

BOOL CALLBACK PostClose(HWND hwnd, LPARAM) {
  PostMessageW(hwnd, WM_CLOSE, 0, 0);
  return TRUE;
}

bool AnyModalUp() {
  return Application.InModalRun() || test::FindDialog(GetCurrentThreadId()) || MV_ABOUT ||
         (MV_OPTION && MV_OPTION->Modal());
}

class Close : public MainWindow {
 protected:
  // Counts the close sequences and notes whether a modal window was still up at the start of one.
  void WatchCloses() {
    auto original = MV_MAIN->OnClose;
    MV_MAIN->OnClose = [this, original](TCloseAction& action) {
      ++closes_;
      if (AnyModalUp()) modalAtClose_ = true;
      original(action);
    };
  }
  bool WaitForTheClose() {
    return test::PumpUntil([&] { return closes_ > 0 && !MV_MAIN->Visible() && !MV_OPTION; });
  }
  int closes_ = 0;
  bool modalAtClose_ = false;
};

TEST_F(Close, WhileAModalWindowIsUpItEndsItThenClosesOnceAndSaves) {
  struct Modal {
    const char* what;
    std::u16string settings;
    std::function<void()> open;  // returns once the modal run has ended
    std::function<bool()> up;
  };
  const auto systemDialogUp = [] { return test::FindDialog(GetCurrentThreadId()) != nullptr; };
  const Modal modals[] = {
      {"the options dialog", u"", [] { MenuCommand(L"M_Option"); }, [] { return MV_OPTION && MV_OPTION->Modal(); }},
      {"the About box", u"", [] { MenuCommand(L"M_About"); }, [] { return MV_ABOUT && MV_ABOUT->Visible(); }},
      {"the open-file dialog", u"", [] { MenuCommand(L"M_OpenFile"); }, systemDialogUp},
      {"the folder browser", u"", [] { MenuCommand(L"M_OpenFolder"); }, systemDialogUp},
      {"the options dialog's folder browser", u"DestFolderMode=2\r\n",
       [] {
         ModalScript script({[] { PostMessageW(MV_OPTION->B_DestFolderSelect.Handle(), BM_CLICK, 0, 0); }});
         MenuCommand(L"M_Option");
       },
       systemDialogUp},
  };
  struct Way {
    const char* what;
    bool sessionEnd;
  };
  const Way ways[] = {{"WM_CLOSE to the main window", false},
                      {"WM_CLOSE to every window, as taskkill does", false},
                      {"the end of the session", true}};
  for (const Modal& modal : modals) {
    for (size_t w = 0; w < std::size(ways); ++w) {
      SCOPED_TRACE(testing::Message() << modal.what << ", " << ways[w].what);
      test::FakeLog fake;
      test::WriteBytes(ini_, Utf16File(u"[Main]\r\nX=120\r\n[Option]\r\nTopFolderCompress=1\r\n" + modal.settings));
      Start(L"");
      ASSERT_NE(MV_OPTION, nullptr);
      WatchCloses();
      LRESULT queryAnswer = -1;
      bool savedBeforeEndSessionReturned = false;
      {
        WhenUp trigger(modal.up, [&] {
          switch (w) {
            case 0: PostMessageW(MV_MAIN->Handle(), WM_CLOSE, 0, 0); break;
            case 1: EnumThreadWindows(GetCurrentThreadId(), PostClose, 0); break;
            case 2:
              queryAnswer = SendMessageW(MV_MAIN->Handle(), WM_QUERYENDSESSION, 0, 0);
              SendMessageW(MV_MAIN->Handle(), WM_ENDSESSION, TRUE, 0);
              // The process may end right after: the settings must be on disk by now.
              savedBeforeEndSessionReturned = ReadSettingsFile().ReadInteger(u"Option", u"DeleteMode", -1) == 1;
              break;
          }
        });
        modal.open();
        EXPECT_TRUE(trigger.Fired()) << "the modal window never came up";
        EXPECT_FALSE(trigger.Hung()) << "the close did not end the modal window";
      }
      EXPECT_TRUE(WaitForTheClose()) << "the program never closed";
      EXPECT_EQ(closes_, 1) << "the close sequence must run exactly once";
      EXPECT_FALSE(modalAtClose_) << "the close ran while a modal window was still up";
      if (ways[w].sessionEnd) {
        EXPECT_EQ(queryAnswer, TRUE);
        EXPECT_TRUE(savedBeforeEndSessionReturned);
      }
      EXPECT_TRUE(test::recordedBoxes.empty());
      EXPECT_TRUE(Commands(fake).empty()) << "nothing was to be compressed";
      const IniImage ini = ReadSettingsFile();
      EXPECT_EQ(ini.ReadInteger(u"Main", u"X", -1), 120);
      EXPECT_EQ(ini.ReadInteger(u"Main", u"W", -1), 300) << "section Main was not saved";
      EXPECT_EQ(ini.ReadBool(u"Option", u"TopFolderCompress", false), true);
      EXPECT_EQ(ini.ReadInteger(u"Option", u"DeleteMode", -1), 1) << "section Option was not saved";
      TearDown();
      SetUp();
      closes_ = 0;
      modalAtClose_ = false;
    }
  }
}

TEST_F(Close, TheSessionsEndWithNothingUpClosesAtOnce) {
  Start(L"");
  WatchCloses();
  EXPECT_EQ(SendMessageW(MV_MAIN->Handle(), WM_QUERYENDSESSION, 0, 0), TRUE);
  EXPECT_EQ(closes_, 0) << "asking is not ending";
  SendMessageW(MV_MAIN->Handle(), WM_ENDSESSION, FALSE, 0);
  EXPECT_EQ(closes_, 0) << "a session end that was called off changes nothing";
  SendMessageW(MV_MAIN->Handle(), WM_ENDSESSION, TRUE, 0);
  EXPECT_EQ(closes_, 1);
  EXPECT_EQ(MV_OPTION, nullptr);
  EXPECT_EQ(ReadSettingsFile().ReadInteger(u"Option", u"DeleteMode", -1), 1);
}

// A library that runs the caller's messages while it works, and a close among them: the
// close waits until the call has returned, then the program closes; the job's source stays.
TEST_F(Close, DuringTheLibraryCallItWaitsUntilTheCallReturned) {
  test::WriteBytes(ini_, Utf16File(u"[Option]\r\nDelFile=1\r\nDeleteMode=2\r\n"));
  test::FakeLog fake;
  test::SetEnv(L"MORVEL_FAKE7Z_CLOSE", L"1");
  struct Reset {
    ~Reset() { test::SetEnv(L"MORVEL_FAKE7Z_CLOSE", L""); }
  } reset;
  Start(L"");
  WatchCloses();
  const std::wstring a = File(L"a.txt"), b = File(L"b.txt");
  SendMessageW(MV_MAIN->Handle(), WM_DROPFILES, reinterpret_cast<WPARAM>(MakeDrop({a, b})), 0);
  EXPECT_TRUE(WaitForTheClose()) << "the program never closed";
  EXPECT_EQ(closes_, 1);
  std::vector<std::string> headers = fake.Headers();
  ASSERT_FALSE(headers.empty());
  EXPECT_EQ(headers.back(), "returning from SevenZip") << "the library was unloaded while its call ran";
  EXPECT_EQ(Commands(fake).size(), 1u) << "the batch goes no further once the close is asked for";
  EXPECT_TRUE(test::Exists(a)) << "the source of the job during which the close came was deleted";
  EXPECT_TRUE(test::Exists(b));
  EXPECT_EQ(ReadSettingsFile().ReadInteger(u"Option", u"DeleteMode", -1), 2) << "the settings were not saved";
}

// Handlers of the show and close events run under the same guard as every other one.
TEST(FormEvents, AnExceptionInShowOrCloseIsShownAndTheFormGoesOn) {
  Application.ShowBox = test::RecordBox;
  test::recordedBoxes.clear();
  struct Restore {
    ~Restore() {
      Application.ShowBox = MessageBoxW;
      Application.MainForm = nullptr;
      MSG msg;
      while (PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {}
    }
  } restore;
  Application.Title = L"Morvel 100520";
  TForm form(nullptr, FormArgs{.caption = L"events"});
  form.OnShow = [] { throw Exception(L"show failed"); };
  form.OnClose = [](TCloseAction&) { throw Exception(L"close failed"); };
  form.Show();
  EXPECT_TRUE(form.Visible()) << "the form shows all the same";
  form.Hide();
  form.ModalResult = mrNone;
  ModalScript script({[&] { form.Close(); }});
  form.ShowModal();
  EXPECT_TRUE(script.AllRan());
  Application.MainForm = &form;
  form.Show();
  form.Close();
  EXPECT_FALSE(form.Visible()) << "the close goes on as it would have";
  MSG quit;
  EXPECT_TRUE(PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) << "the main form's close ends the program";
  std::vector<std::wstring> texts;
  for (const auto& box : test::recordedBoxes) {
    texts.push_back(box.text);
    EXPECT_EQ(box.caption, L"Morvel 100520");
  }
  EXPECT_EQ(texts, (std::vector<std::wstring>{L"show failed", L"show failed", L"show failed", L"close failed"}));
}

}  // namespace
