// The About box: what it shows, how ShowAboutBox runs it, and its banner resource.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "About.h"
#include "GuiTestSupport.h"

namespace {

using guitest::PointParam;
using guitest::PumpUntil;

std::vector<std::wstring> opened;
HINSTANCE WINAPI RecordShellOpen(HWND, LPCWSTR, LPCWSTR file, LPCWSTR, LPCWSTR, INT) {
  opened.emplace_back(file);
  return reinterpret_cast<HINSTANCE>(static_cast<INT_PTR>(33));
}

class AboutTest : public ::testing::Test {
 public:
  void SetUp() override {
    Application.Title = L"Morvel 100520";
    opened.clear();
    TURLLink::ShellOpen = RecordShellOpen;
    main.SetLeftTop(150, 120);
    main.Show();
    ASSERT_TRUE(PumpUntil([&] { return main.Visible(); })) << "the owner never showed";
  }
  TForm main{nullptr, FormArgs{.caption = L"Morvel 100520", .clientWidth = 400, .clientHeight = 300}};
};

SIZE TextSize(const TCustomLabel& label) {
  ScopedGetDC dc(nullptr);
  return TextExtent(dc, label.Font().Handle(), label.Caption());
}

POINT Centre(const TControl& control) {
  const RECT r = control.FormRect();
  return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

TEST_F(AboutTest, NameLabelShowsTheApplicationTitleSizedToIt) {
  for (const std::wstring title : {L"Morvel 100520", L"A much longer application title"}) {
    SCOPED_TRACE(testing::Message() << std::string(title.begin(), title.end()));
    Application.Title = title;
    TMV_ABOUT box(&main);
    EXPECT_EQ(box.L_AppName.Caption(), title);
    const SIZE size = TextSize(box.L_AppName);
    EXPECT_EQ(box.L_AppName.Bounds().width, size.cx);
    EXPECT_EQ(box.L_AppName.Bounds().height, size.cy);
  }
}

TEST_F(AboutTest, BoxHasItsStoredFrameAndParts) {
  TMV_ABOUT box(&main);
  EXPECT_EQ(box.Caption(), L"バージョン情報");
  RECT client{};
  GetClientRect(box.Handle(), &client);
  EXPECT_EQ(client.right, 217);
  EXPECT_EQ(client.bottom, 136);
  EXPECT_EQ(box.Color(), clBlack);
  const LONG_PTR style = GetWindowLongPtrW(box.Handle(), GWL_STYLE);
  EXPECT_TRUE(style & WS_SYSMENU) << "the close button";
  EXPECT_FALSE(style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME));
  EXPECT_EQ(GetWindow(box.Handle(), GW_OWNER), main.Handle());
  EXPECT_EQ(box.Owner(), &main);

  struct Part {
    const TControl& control;
    int left, top;
  };
  for (const Part& p : {Part{box.L_AppName, 8, 8}, Part{box.Label2, 8, 32}, Part{box.L_URL, 8, 48},
                        Part{box.L_EMail, 8, 64}, Part{box.Image2, 8, 88}}) {
    SCOPED_TRACE(std::string(p.control.Name.begin(), p.control.Name.end()));
    EXPECT_EQ(p.control.Bounds().left, p.left);
    EXPECT_EQ(p.control.Bounds().top, p.top);
  }
  EXPECT_EQ(box.Image2.Bounds().width, 200);
  EXPECT_EQ(box.Image2.Bounds().height, 40);
  EXPECT_EQ(box.Image2.PictureSize().cx, 200);

  EXPECT_EQ(box.Label2.Caption(), L"Verrin");
  EXPECT_EQ(box.Label2.Font().Charset(), SHIFTJIS_CHARSET);
  EXPECT_TRUE(box.L_AppName.Font().Style() & fsBold);
  for (const TCustomLabel* label : {&box.L_AppName, &box.Label2}) {
    EXPECT_EQ(label->Font().Name(), L"Tahoma");
    EXPECT_EQ(label->Font().Height(), -11);
    EXPECT_EQ(label->Font().Color(), clWhite);
    EXPECT_TRUE(label->Transparent || label->Color == clBlack) << "white on black";
  }
}

TEST_F(AboutTest, LinksCarryTheirStoredProperties) {
  TMV_ABOUT box(&main);
  struct Expected {
    const TURLLink& link;
    TURLtype type;
  };
  for (const Expected& e : {Expected{box.L_URL, tpURL}, Expected{box.L_EMail, tpMAIL}}) {
    SCOPED_TRACE(std::string(e.link.Name.begin(), e.link.Name.end()));
    EXPECT_EQ(e.link.URLType(), e.type);
    EXPECT_EQ(e.link.Link(), e.link.Caption()) << "the caption is the address itself";
    EXPECT_EQ(e.link.Link().find(L"mailto:"), std::wstring::npos);
    EXPECT_NE(e.link.Link().find(L"example.com"), std::wstring::npos);
    EXPECT_EQ(e.link.Font().Name(), L"Tahoma");
    EXPECT_EQ(e.link.Font().Height(), -11);
    EXPECT_EQ(e.link.Font().Color(), clWhite);
    EXPECT_EQ(e.link.Font().Style(), static_cast<unsigned>(fsUnderline));
    EXPECT_EQ(e.link.Font().Charset(), SHIFTJIS_CHARSET);
    EXPECT_EQ(e.link.LinkColor(), clRed);
    EXPECT_EQ(e.link.Cursor, LoadCursorW(nullptr, IDC_HAND));
    EXPECT_FALSE(e.link.EnableShowHint());
    EXPECT_EQ(e.link.HintFormFont().Name(), L"ＭＳ Ｐゴシック");
    EXPECT_EQ(e.link.HintFormFont().Height(), -12);
    EXPECT_EQ(e.link.HintFormFont().Charset(), SHIFTJIS_CHARSET);
    EXPECT_EQ(e.link.HintFormFont().Style(), 0u);
    EXPECT_EQ(e.link.HintFormFont().Color(), clWindowText);
    EXPECT_EQ(e.link.Bounds().width, TextSize(e.link).cx) << "sized to its text";
    EXPECT_TRUE(e.link.Transparent || e.link.Color == clBlack);
  }
  EXPECT_EQ(box.L_URL.Link().rfind(L"https://", 0), 0u);
  EXPECT_NE(box.L_EMail.Link().find(L'@'), std::wstring::npos);
}

TEST_F(AboutTest, LinksTurnRedUnderThePointerShowNoHintAndOpenTheirTarget) {
  TMV_ABOUT box(&main);
  box.SetLeftTop(300, 300);
  box.Show();
  ASSERT_TRUE(PumpUntil([&] { return box.Visible(); }));
  struct Case {
    TURLLink& link;
    std::wstring target;
  };
  const Case cases[] = {
      {box.L_URL, box.L_URL.Link()},
      {box.L_EMail, L"mailto:" + box.L_EMail.Link()},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.link.Name.begin(), c.link.Name.end()));
    opened.clear();
    POINT screen = Centre(c.link);
    ClientToScreen(box.Handle(), &screen);
    ASSERT_TRUE(guitest::PlacePointer(screen));
    SendMessageW(box.Handle(), WM_MOUSEMOVE, 0, PointParam(Centre(c.link)));
    EXPECT_EQ(c.link.Font().Color(), clRed);
    SendMessageW(box.Handle(), WM_MOUSEMOVE, 0, PointParam(Centre(c.link)));
    EXPECT_FALSE(c.link.ShowHintForm());
    EXPECT_FALSE(IsWindowVisible(c.link.HintForm().Handle()));

    SendMessageW(box.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, PointParam(Centre(c.link)));
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0], c.target);

    SendMessageW(box.Handle(), WM_MOUSEMOVE, 0, PointParam({210, 130}));
    EXPECT_EQ(c.link.Font().Color(), clWhite);
  }
  // Exactly one scheme in front of the address.
  ASSERT_EQ(opened.size(), 1u);
  EXPECT_EQ(opened[0].rfind(L"mailto:", 0), 0u);
  EXPECT_EQ(opened[0].find(L"mailto:", 1), std::wstring::npos);
  guitest::PlacePointer({1200, 1000});
}

// What a watcher saw of each box while ShowAboutBox had it on screen.
struct SeenBox {
  HWND hwnd;
  RECT rect;
  HWND ownerWindow;
  bool ownerEnabled;
  std::wstring appName;
  TColor urlColourAtStart;
};
std::vector<SeenBox> seen;
int ticks = 0;

void CALLBACK WatchAndClose(HWND, UINT, UINT_PTR, DWORD) {
  ++ticks;
  if (!MV_ABOUT) return;
  const HWND hwnd = MV_ABOUT->Handle();
  const bool known = !seen.empty() && seen.back().hwnd == hwnd;
  if (!known && MV_ABOUT->Visible()) {
    SeenBox s{hwnd, {}, GetWindow(hwnd, GW_OWNER), false, MV_ABOUT->L_AppName.Caption(),
              MV_ABOUT->L_URL.Font().Color()};
    GetWindowRect(hwnd, &s.rect);
    s.ownerEnabled = s.ownerWindow && IsWindowEnabled(s.ownerWindow);
    seen.push_back(s);
    // Leave a mark that a later box must not inherit: the link highlighted.
    SendMessageW(hwnd, WM_MOUSEMOVE, 0, PointParam(Centre(MV_ABOUT->L_URL)));
    PostMessageW(hwnd, WM_CLOSE, 0, 0);
  } else if (ticks > 250) {
    PostMessageW(hwnd, WM_CLOSE, 0, 0);  // never seen on screen: end the modal run so the test can fail
  }
}

TEST_F(AboutTest, ShowAboutBoxRunsAFreshModalBoxAtTheOwnersCorner) {
  seen.clear();
  MONITORINFO mi{sizeof(mi)};
  ASSERT_TRUE(GetMonitorInfoW(MonitorFromWindow(main.Handle(), MONITOR_DEFAULTTONEAREST), &mi));
  // The last two stand where a move by the user would be aligned with the edges.
  const POINT places[] = {{150, 120}, {420, 260}, {mi.rcWork.left + 5, mi.rcWork.top + 5}, {-1, -1}};
  std::vector<POINT> corners;
  for (const POINT& place : places) {
    if (place.x == -1) {
      ShowWindow(main.Handle(), SW_MAXIMIZE);
      ASSERT_TRUE(PumpUntil([&] { return IsZoomed(main.Handle()) != FALSE; })) << "the owner never maximised";
    } else {
      main.SetLeftTop(place.x, place.y);
    }
    RECT r{};
    GetWindowRect(main.Handle(), &r);
    corners.push_back({r.left, r.top});
    ticks = 0;
    const UINT_PTR timer = SetTimer(nullptr, 0, 20, WatchAndClose);
    ShowAboutBox(&main);
    KillTimer(nullptr, timer);
    EXPECT_EQ(MV_ABOUT, nullptr);
    EXPECT_TRUE(main.Enabled()) << "the owner is enabled again";
  }
  ShowWindow(main.Handle(), SW_RESTORE);
  ASSERT_EQ(seen.size(), std::size(places)) << "each showing should put a box on screen";
  EXPECT_NE(seen[0].hwnd, seen[1].hwnd);
  EXPECT_EQ((std::vector<LONG>{corners[2].x, corners[2].y}), (std::vector<LONG>{places[2].x, places[2].y}));
  for (size_t i = 0; i < seen.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_FALSE(IsWindow(seen[i].hwnd)) << "destroyed when closed";
    EXPECT_EQ((std::vector<LONG>{seen[i].rect.left, seen[i].rect.top}), (std::vector<LONG>{corners[i].x, corners[i].y}));
    EXPECT_EQ(seen[i].ownerWindow, main.Handle());
    EXPECT_FALSE(seen[i].ownerEnabled) << "modal: the owner takes no input meanwhile";
    EXPECT_EQ(seen[i].appName, L"Morvel 100520");
    EXPECT_EQ(seen[i].urlColourAtStart, clWhite) << "nothing carries over from an earlier box";
  }
}

TEST(AboutBanner, ResourceIsA200By40Uncompressed256ColourBitmap) {
  HRSRC info = FindResourceW(nullptr, L"BANNER", MAKEINTRESOURCEW(2) /* RT_BITMAP */);
  ASSERT_NE(info, nullptr) << "no BANNER bitmap resource";
  HGLOBAL loaded = LoadResource(nullptr, info);
  ASSERT_NE(loaded, nullptr);
  const auto* header = static_cast<const BITMAPINFOHEADER*>(LockResource(loaded));
  ASSERT_NE(header, nullptr);
  EXPECT_EQ(header->biSize, sizeof(BITMAPINFOHEADER));
  EXPECT_EQ(header->biWidth, 200);
  EXPECT_EQ(header->biHeight, 40) << "positive: stored bottom-up";
  EXPECT_EQ(header->biBitCount, 8);
  EXPECT_EQ(header->biCompression, static_cast<DWORD>(BI_RGB));
  EXPECT_TRUE(header->biClrUsed == 256 || header->biClrUsed == 0);
  // The file less its 14-byte file header.
  EXPECT_EQ(SizeofResource(nullptr, info), 9078u - 14u);
}

// Not a check: keeps a box on screen for a screenshot when asked to.
// MORVEL_ABOUT_SHOT_READY is written once the box shows; the box closes when
// MORVEL_ABOUT_SHOT_DONE exists (both Windows paths).
std::wstring doneFile;
void CALLBACK HoldForShot(HWND, UINT, UINT_PTR, DWORD) {
  static bool announced = false;
  if (!MV_ABOUT || !MV_ABOUT->Visible()) return;
  if (!announced) {
    const char* ready = std::getenv("MORVEL_ABOUT_SHOT_READY");
    HANDLE f = CreateFileA(ready, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (f != INVALID_HANDLE_VALUE) CloseHandle(f);
    announced = true;
  }
  if (GetFileAttributesW(doneFile.c_str()) != INVALID_FILE_ATTRIBUTES || ++ticks > 3000)
    PostMessageW(MV_ABOUT->Handle(), WM_CLOSE, 0, 0);
}

TEST_F(AboutTest, HoldOnScreenForAScreenshot) {
  const char* ready = std::getenv("MORVEL_ABOUT_SHOT_READY");
  const char* done = std::getenv("MORVEL_ABOUT_SHOT_DONE");
  if (!ready || !done) GTEST_SKIP() << "only when a screenshot is taken";
  doneFile.assign(done, done + std::strlen(done));
  main.SetLeftTop(200, 150);
  ticks = 0;
  const UINT_PTR timer = SetTimer(nullptr, 0, 20, HoldForShot);
  ShowAboutBox(&main);
  KillTimer(nullptr, timer);
  EXPECT_NE(GetFileAttributesW(doneFile.c_str()), INVALID_FILE_ATTRIBUTES) << "the screenshot never finished";
}

}  // namespace
