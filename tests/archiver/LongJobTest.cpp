// Long and failing calls as the user meets them: the progress window with its
// percent in the title, cancel stopping the engine at work, whether packing
// or testing, and leaving no half archive (and an old archive exactly as it
// was), the caller's windows kept painted without running its commands, and
// the reasons window.
#include <atomic>
#include <cstdio>
#include <functional>
#include <thread>

#include "ArchiverTestSupport.h"

namespace {

using namespace archtest;

const wchar_t kProgressClass[] = L"Morvel7z32Progress";
const wchar_t kReasonsClass[] = L"Morvel7z32Reasons";

// One read: asking for the length first races with a title that grows meanwhile.
std::wstring WindowText(HWND w) {
  wchar_t text[1024] = {};
  return std::wstring(text, static_cast<size_t>(GetWindowTextW(w, text, 1024)));
}

std::wstring LongText(HWND w) {
  std::wstring t(static_cast<size_t>(GetWindowTextLengthW(w)) + 1, L'\0');
  t.resize(static_cast<size_t>(GetWindowTextW(w, t.data(), static_cast<int>(t.size()))));
  return t;
}

// "45% photos.zip" -> 45; -1 when the title is not of that form.
int TitlePercent(const std::wstring& title, const std::wstring& archiveName) {
  int percent = -1, used = 0;
  if (swscanf(title.c_str(), L"%d%%%n", &percent, &used) != 1) return -1;
  if (title.substr(static_cast<size_t>(used)) != L" " + archiveName) return -1;
  return percent;
}

// Runs on its own thread while the test's thread is inside SevenZip: looks at
// the progress window every 20 ms, for at most two minutes, and records its
// titles. step returns true when there is nothing more to do.
class Watcher {
 public:
  using Step = std::function<bool(HWND progress)>;
  Watcher(std::vector<std::wstring>& titles, Step step)
      : thread_([this, &titles, step] {
          const ULONGLONG end = GetTickCount64() + 120000;
          while (!stop_ && GetTickCount64() < end) {
            // A window caught while it is being made or destroyed has no title yet or any more.
            HWND w = FindWindowW(kProgressClass, nullptr);
            const std::wstring title = w ? WindowText(w) : std::wstring();
            if (!title.empty()) {
              titles.push_back(title);
              if (step(w)) break;
            }
            Sleep(20);
          }
        }) {}
  ~Watcher() {
    stop_ = true;
    thread_.join();
  }

 private:
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

void ClickCancel(HWND progress) { SendMessageW(GetDlgItem(progress, IDCANCEL), BM_CLICK, 0, 0); }

struct Cancelled {
  Call call;
  bool clicked = false;
  std::vector<std::wstring> titles;
};

// Calls the library and presses キャンセル once the title shows at least percent
// ("N% name"); before that, takes a picture of the screen when asked for one.
Cancelled CallAndCancelAt(const std::string& command, const std::wstring& name, int percent,
                          const char* picture = nullptr) {
  Cancelled r;
  std::atomic<bool> clicked{false};
  {
    Watcher watch(r.titles, [&](HWND w) {
      if (TitlePercent(WindowText(w), name) < percent) return false;
      const char* dir = std::getenv("MORVEL_SHOT_DIR");
      RECT r;
      if (dir && picture && GetWindowRect(w, &r)) {
        // The screen's coordinates are the X display's: the window alone.
        char crop[64];
        std::snprintf(crop, sizeof crop, "%ldx%ld+%ld+%ld", r.right - r.left, r.bottom - r.top, r.left, r.top);
        Shell(std::string("import -window root -crop ") + crop + " +repage " +
              Quote(std::string(dir) + "/" + picture));
      }
      ClickCancel(w);
      clicked = true;
      return true;
    });
    r.call = SevenZipCall(command);
  }
  r.clicked = clicked;
  return r;
}

// The titles a watcher saw: each of the form "N% name", the percent never
// going back and never 100 for a job that did not finish.
void ExpectTitles(const std::vector<std::wstring>& titles, const std::wstring& name, bool finished) {
  ASSERT_FALSE(titles.empty());
  int last = -1, distinct = 0;
  for (const std::wstring& t : titles) {
    int p = TitlePercent(t, name);
    ASSERT_GE(p, 0) << "title not of the form \"N% " << U8(name) << "\": " << U8(t);
    EXPECT_GE(p, last) << "the percent went back";
    if (p != last) ++distinct;
    last = p;
    if (!finished) {
      EXPECT_LT(p, 100) << U8(t);
    }
  }
  EXPECT_GE(distinct, 2) << "the percent never moved";
}

std::wstring ReasonsText() {
  HWND w = FindWindowW(kReasonsClass, nullptr);
  if (!w) return {};
  return LongText(GetDlgItem(w, 100));
}

class LongJobTest : public ArchiverTest {
 protected:
  // Some 120 MB of text that the real engine needs seconds to pack, made once.
  static const std::wstring& BigTree() {
    static const std::wstring tree = [] {
      ShellResult r = Shell("mkdir -p " + Quote(g_rootUnix + "/big") + " && cd " + Quote(g_rootUnix + "/big") +
                            " && for i in 1 2 3 4 5 6 7 8; do head -c 11000000 /dev/urandom | base64 >part$i.txt;"
                            " done");
      EXPECT_EQ(r.code, 0) << r.output;
      return g_root + L"\\big\\";
    }();
    return tree;
  }
  // Each test starts and ends without a reasons window of an earlier call.
  static void CloseReasons() {
    if (HWND reasons = FindWindowW(kReasonsClass, nullptr)) SendMessageW(reasons, WM_CLOSE, 0, 0);
  }
  void SetUp() override {
    ArchiverTest::SetUp();
    CloseReasons();
  }
  void TearDown() override { CloseReasons(); }
};

TEST_F(LongJobTest, ProgressRisesInTheTitleAndCancelLeavesNoHalfArchive) {
  const std::wstring archive = Out(L"cancelled new.zip");
  const Cancelled r = CallAndCancelAt("a -tzip -mx=9 -mmt1 -r " + Q(archive) + " " + Q(BigTree()) + " *",
                                      L"cancelled new.zip", 3, "progress-window.png");
  const Call& c = r.call;
  ASSERT_TRUE(r.clicked) << "the progress window never reached 3%";
  EXPECT_EQ(c.code, SEVENZIP32_CANCELLED) << c.output;
  EXPECT_NE(c.output.find("cancelled"), std::string::npos) << c.output;
  EXPECT_FALSE(Exists(archive)) << "the half archive was left behind";
  EXPECT_FALSE(Exists(archive + L".7z32tmp")) << "the temporary file was left behind";
  EXPECT_EQ(FindWindowW(kProgressClass, nullptr), nullptr) << "the progress window outlived its call";
  EXPECT_EQ(ReasonsText(), L"") << "a cancel is no failure to explain";
  ExpectTitles(r.titles, L"cancelled new.zip", false);
}

TEST_F(LongJobTest, ACancelledUpdateLeavesTheOldArchiveByteForByte) {
  const std::wstring archive = Out(L"kept.zip");
  Call first = SevenZipCall("a -tzip -r " + Q(archive) + " " + Q(Data()) + " \"report.txt\"");
  ASSERT_EQ(first.code, SEVENZIP32_OK) << first.output;
  const std::string before = ReadFileText(archive);
  ASSERT_FALSE(before.empty());

  const Cancelled r = CallAndCancelAt("a -tzip -mx=9 -mmt1 -r " + Q(archive) + " " + Q(BigTree()) + " *",
                                      L"kept.zip", 3);
  const Call& c = r.call;
  ASSERT_TRUE(r.clicked) << "the progress window never reached 3%";
  EXPECT_EQ(c.code, SEVENZIP32_CANCELLED) << c.output;
  EXPECT_EQ(ReadFileText(archive), before) << "the old archive changed";
  EXPECT_FALSE(Exists(archive + L".7z32tmp")) << "the temporary file was left behind";
  ExpectZip(archive, {"report.txt"});
}

// The text of the progress window's status line, which names the phase.
BOOL CALLBACK FindStatus(HWND child, LPARAM found) {
  std::wstring t = WindowText(child);
  if (t.find(L"経過") != std::wstring::npos) *reinterpret_cast<std::wstring*>(found) = t;
  return TRUE;
}
std::wstring StatusText(HWND progress) {
  std::wstring found;
  EnumChildWindows(progress, FindStatus, reinterpret_cast<LPARAM>(&found));
  return found;
}

TEST_F(LongJobTest, ACancelWhileTheNewArchiveIsTestedStillChangesNothing) {
  const std::wstring archive = Out(L"tested.zip");
  ASSERT_EQ(SevenZipCall("a -tzip " + Q(archive) + " " + Q(Data()) + " \"report.txt\"").code, SEVENZIP32_OK);
  const std::string before = ReadFileText(archive);
  std::vector<std::wstring> titles;
  std::atomic<bool> clicked{false};
  Call c;
  {
    Watcher watch(titles, [&](HWND w) {
      if (StatusText(w).find(L"テスト中") == std::wstring::npos) return false;
      ClickCancel(w);
      clicked = true;
      return true;
    });
    c = SevenZipCall("a -tzip -mx=1 " + Q(archive) + " " + Q(BigTree()) + " *");
  }
  ASSERT_TRUE(clicked) << "the test of the new archive was never seen";
  EXPECT_EQ(c.code, SEVENZIP32_CANCELLED) << c.output;
  EXPECT_EQ(ReadFileText(archive), before) << "the old archive changed";
  EXPECT_FALSE(Exists(archive + L".7z32tmp")) << "the temporary file was left behind";
}

// A window of the caller's, to see what runs while the call is under way.
struct CallerWindow {
  static inline std::vector<UINT> seenDuringCall;
  static inline bool inCall = false;
  HWND hwnd = nullptr;

  static LRESULT CALLBACK Proc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
    if (inCall && (msg == WM_CLOSE || msg == WM_COMMAND || msg == WM_KEYDOWN)) seenDuringCall.push_back(msg);
    if (msg == WM_CLOSE) return 0;  // the test closes it itself
    return DefWindowProcW(w, msg, wp, lp);
  }
  explicit CallerWindow(bool visible) {
    static const bool registered = [] {
      WNDCLASSW wc{};
      wc.lpfnWndProc = Proc;
      wc.hInstance = GetModuleHandleW(nullptr);
      wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
      wc.lpszClassName = L"MorvelTestCaller";
      return RegisterClassW(&wc) != 0;
    }();
    (void)registered;
    hwnd = CreateWindowExW(0, L"MorvelTestCaller", L"caller", WS_OVERLAPPEDWINDOW | (visible ? WS_VISIBLE : 0), 50,
                           50, 500, 300, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
  }
  ~CallerWindow() { DestroyWindow(hwnd); }
};

TEST_F(LongJobTest, TheCallersWindowsPaintButItsCommandsWaitForTheEnd) {
  // A job of a few seconds: one big file on one thread.
  const std::wstring tree = BigTree();
  for (bool visible : {true, false}) {
    SCOPED_TRACE(visible ? "visible owner" : "hidden owner");
    CallerWindow caller(visible);
    ASSERT_NE(caller.hwnd, nullptr);
    UpdateWindow(caller.hwnd);
    HWND ownerSeen = reinterpret_cast<HWND>(-1);
    std::atomic<bool> painted{false};
    std::vector<std::wstring> titles;
    CallerWindow::seenDuringCall.clear();
    CallerWindow::inCall = true;
    bool looked = false;
    Call c;
    {
      // Looks once, then only records the titles until the window goes.
      Watcher watch(titles, [&](HWND w) {
        if (looked) return false;
        looked = true;
        ownerSeen = GetWindow(w, GW_OWNER);
        if (!visible) return false;
        // Asked to repaint from outside, the caller's window is painted while
        // the call goes on; its close, command and key wait for the end.
        PostMessageW(caller.hwnd, WM_CLOSE, 0, 0);
        PostMessageW(caller.hwnd, WM_COMMAND, 1, 0);
        PostMessageW(caller.hwnd, WM_KEYDOWN, VK_SPACE, 0);
        InvalidateRect(caller.hwnd, nullptr, TRUE);
        for (int i = 0; i < 100; ++i) {
          RECT r;
          if (!GetUpdateRect(caller.hwnd, &r, FALSE)) {
            painted = true;
            break;
          }
          Sleep(20);
        }
        return false;
      });
      c = SevenZipCall("a -tzip -mx=7 -mmt1 " + Q(Out(visible ? L"slow.zip" : L"slow-hidden.zip")) + " " +
                           Q(tree) + " \"part1.txt\"",
                       caller.hwnd);
    }
    CallerWindow::inCall = false;
    EXPECT_EQ(c.code, SEVENZIP32_OK) << c.output;
    ASSERT_FALSE(titles.empty()) << "no progress window";
    EXPECT_EQ(ownerSeen, visible ? caller.hwnd : nullptr) << "owned only by a visible window";
    if (visible) {
      EXPECT_TRUE(painted) << "the caller's window was not painted during the call";
      EXPECT_TRUE(CallerWindow::seenDuringCall.empty()) << "a message of the caller's ran inside the call";
      // They were kept, not lost: they run once the caller's loop runs again.
      MSG m;
      std::vector<UINT> after;
      while (PeekMessageW(&m, caller.hwnd, 0, 0, PM_REMOVE))
        if (m.message == WM_CLOSE || m.message == WM_COMMAND || m.message == WM_KEYDOWN) after.push_back(m.message);
      EXPECT_EQ(after, (std::vector<UINT>{WM_CLOSE, WM_COMMAND, WM_KEYDOWN}));
    }
    ExpectTitles(titles, visible ? L"slow.zip" : L"slow-hidden.zip", true);
  }
}

TEST_F(LongJobTest, TheReasonsWindowNamesTheArchiveAndTheUnreadableItem) {
  const std::wstring folder = g_root + L"\\unreadable\\";
  MakeDir(folder);
  MakeFile(folder + L"ok.txt");
  MakeFile(folder + L"held open.txt");
  Locked held(folder + L"held open.txt");
  ASSERT_NE(held.h, INVALID_HANDLE_VALUE);
  const std::wstring archive = Out(L"links.zip");
  Call c = SevenZipCall("a -tzip -r " + Q(archive) + " " + Q(folder) + " *");
  EXPECT_EQ(c.code, SEVENZIP32_ENGINE_WARNING) << c.output;
  const std::wstring text = ReasonsText();
  EXPECT_NE(text.find(archive), std::wstring::npos) << U8(text);
  EXPECT_NE(text.find(L"held open.txt"), std::wstring::npos) << U8(text);
  EXPECT_NE(text.find(L"警告"), std::wstring::npos) << U8(text);
  // A second failure joins the first in the same window.
  Call again = SevenZipCall("a -tzip -r " + Q(Out(L"links2.zip")) + " " + Q(folder) + " *");
  EXPECT_EQ(again.code, SEVENZIP32_ENGINE_WARNING) << again.output;
  const std::wstring both = ReasonsText();
  EXPECT_NE(both.find(archive), std::wstring::npos);
  EXPECT_NE(both.find(Out(L"links2.zip")), std::wstring::npos) << U8(both);
  HWND w = FindWindowW(kReasonsClass, nullptr);
  int windows = 0;
  for (HWND h = nullptr; (h = FindWindowExW(nullptr, h, kReasonsClass, nullptr)) != nullptr;) ++windows;
  EXPECT_EQ(windows, 1);
  // The output buffer still has the engine's own words.
  EXPECT_NE(c.output.find("held open.txt"), std::string::npos) << c.output;

  // Pictures for a person to look at, when asked for.
  if (const char* dir = std::getenv("MORVEL_SHOT_DIR")) {
    Shell(std::string("import -window root ") + Quote(std::string(dir) + "/reasons-window.png"));
  }
  SendMessageW(GetDlgItem(w, IDCANCEL), BM_CLICK, 0, 0);
  EXPECT_EQ(FindWindowW(kReasonsClass, nullptr), nullptr) << "閉じる did not close it";
}

// A window procedure of the caller's that calls the library again while a
// call is under way (a message sent to it runs inside the call's message
// handling): refused at once, not waited for, which would never end.
struct Reentry {
  static inline int code = -1;
  static LRESULT CALLBACK Proc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_APP) {
      code = SevenZipCall("a -tzip " + Q(Out(L"inner.zip")) + " " + Q(Data()) + " \"report.txt\"").code;
      return 0;
    }
    return DefWindowProcW(w, msg, wp, lp);
  }
};

TEST_F(LongJobTest, ACallFromInsideACallIsRefusedAtOnce) {
  WNDCLASSW wc{};
  wc.lpfnWndProc = Reentry::Proc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = L"MorvelTestReentry";
  RegisterClassW(&wc);
  HWND w = CreateWindowExW(0, L"MorvelTestReentry", L"", 0, 0, 0, 10, 10, nullptr, nullptr, wc.hInstance, nullptr);
  ASSERT_NE(w, nullptr);
  std::vector<std::wstring> titles;
  Call outer;
  {
    Watcher watch(titles, [&](HWND) {
      SendMessageW(w, WM_APP, 0, 0);
      return true;
    });
    outer = SevenZipCall("a -tzip -mx=7 -mmt1 " + Q(Out(L"outer.zip")) + " " + Q(BigTree()) + " \"part1.txt\"");
  }
  DestroyWindow(w);
  ASSERT_FALSE(titles.empty()) << "no progress window";
  EXPECT_EQ(Reentry::code, SEVENZIP32_IN_CALL);
  EXPECT_FALSE(Exists(Out(L"inner.zip")));
  EXPECT_EQ(outer.code, SEVENZIP32_OK) << outer.output;
}

}  // namespace
