// TURLLink driven through its form's mouse messages and the real pointer, with
// the shell call recorded instead of made.
#include <gtest/gtest.h>
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "Forms.h"
#include "GuiTestSupport.h"
#include "Urllink.h"

namespace {

using guitest::PlacePointer;
using guitest::PointParam;
using guitest::PumpUntil;

struct ShellCall {
  HWND owner;
  std::wstring verb, file;
  const wchar_t* parameters;
  const wchar_t* directory;
  INT show;
};
std::vector<ShellCall> shellCalls;

HINSTANCE WINAPI RecordShellOpen(HWND owner, LPCWSTR verb, LPCWSTR file, LPCWSTR parameters, LPCWSTR directory,
                                 INT show) {
  shellCalls.push_back({owner, verb ? verb : L"(null)", file ? file : L"(null)", parameters, directory, show});
  return reinterpret_cast<HINSTANCE>(static_cast<INT_PTR>(33));  // what success looks like
}

const POINT kFarAway{1200, 1000};  // screen point off every window of the tests

class UrlLinkTest : public ::testing::Test {
 public:
  void SetUp() override {
    shellCalls.clear();
    TURLLink::ShellOpen = RecordShellOpen;  // never a browser, not even after the last test
    ASSERT_TRUE(PlacePointer(kFarAway));
    form.SetLeftTop(300, 200);
    form.Show();
    ASSERT_TRUE(PumpUntil([&] { return form.Visible(); })) << "the test form never showed";
  }

  TForm form{nullptr, FormArgs{.caption = L"links", .clientWidth = 320, .clientHeight = 160,
                               .border = TBorderStyle::Dialog}};
  TURLLink* link = new TURLLink(&form, L"L_Link", {.bounds = {40, 40, 0, 0}, .caption = L"a link to follow"});

  POINT OnLink(int dx = 0) const {
    const RECT r = link->FormRect();
    return {(r.left + r.right) / 2 + dx, (r.top + r.bottom) / 2};
  }
  POINT OffLink() const { return {300, 140}; }  // inside the form, away from the label
  POINT ToScreen(POINT client) const {
    ClientToScreen(form.Handle(), &client);
    return client;
  }
  // The pointer really goes there, and the form hears of it as the system would tell it.
  void MoveTo(POINT client) {
    ASSERT_TRUE(PlacePointer(ToScreen(client)));
    SendMessageW(form.Handle(), WM_MOUSEMOVE, 0, PointParam(client));
  }
  void Send(UINT msg, POINT client) {
    const WPARAM keys = (msg == WM_LBUTTONDOWN || msg == WM_LBUTTONDBLCLK) ? MK_LBUTTON
                        : (msg == WM_RBUTTONDOWN || msg == WM_RBUTTONDBLCLK) ? MK_RBUTTON
                        : (msg == WM_MBUTTONDOWN || msg == WM_MBUTTONDBLCLK) ? MK_MBUTTON
                                                                             : 0;
    SendMessageW(form.Handle(), msg, keys, PointParam(client));
  }
  HWND Hint() const { return link->HintForm().Handle(); }
  bool HintOnScreen() const { return IsWindowVisible(Hint()) != FALSE; }
  RECT HintRect() const {
    RECT r{};
    GetWindowRect(Hint(), &r);
    return r;
  }
  SIZE HintTextSize(const std::wstring& text) const {
    ScopedGetDC dc(Hint());
    return TextExtent(dc, link->HintFormFont().Handle(), text);
  }
  bool LabelNeedsRepaint() const {
    const RECT r = link->FormRect();
    RECT update{};
    return GetUpdateRect(form.Handle(), &update, FALSE) && IntersectRect(&update, &update, &r);
  }
};

TEST_F(UrlLinkTest, NewLabelStartsBlueWithItsDefaults) {
  EXPECT_EQ(link->URLType(), tpURL);
  EXPECT_EQ(sizeof(TURLtype), 1u);
  EXPECT_EQ(link->Link(), L"http://");
  EXPECT_EQ(link->Font().Color(), clBlue);
  EXPECT_EQ(link->LinkColor(), clRed);
  EXPECT_EQ(link->HintFormColor(), clInfoBk);
  EXPECT_EQ(link->HintOffsetX(), 15);
  EXPECT_EQ(link->HintOffsetY(), 15);
  EXPECT_TRUE(link->EnableShowHint());
  EXPECT_EQ(link->HintFormFont().Name(), TFont().Name());
  EXPECT_EQ(link->HintFormFont().Height(), TFont().Height());
  EXPECT_EQ(link->Cursor, LoadCursorW(nullptr, IDC_HAND));
  EXPECT_FALSE(link->ShowHintForm());
  EXPECT_FALSE(HintOnScreen());
}

TEST_F(UrlLinkTest, PointerOverTheLabelHighlightsAndEveryWayOfLeavingRestores) {
  struct Case {
    const char* how;
    std::function<void(UrlLinkTest&)> leave;
  };
  const Case cases[] = {
      {"to another part of the form", [](UrlLinkTest& t) { t.MoveTo(t.OffLink()); }},
      // The real pointer jumps off the window: only the form's leave tracking can tell.
      {"off the form, as the system reports it",
       [](UrlLinkTest& t) {
         ASSERT_TRUE(PlacePointer(kFarAway));
         EXPECT_TRUE(PumpUntil([&] { return t.link->Font().Color() == clBlue; }))
             << "no WM_MOUSELEAVE reached the form after the pointer left it";
       }},
      {"a leave message", [](UrlLinkTest& t) { SendMessageW(t.form.Handle(), WM_MOUSELEAVE, 0, 0); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.how);
    MoveTo(OnLink());
    EXPECT_EQ(link->Font().Color(), clRed);
    EXPECT_TRUE(HintOnScreen());
    EXPECT_TRUE(link->ShowHintForm());
    c.leave(*this);
    EXPECT_EQ(link->Font().Color(), clBlue);
    EXPECT_FALSE(HintOnScreen());
    EXPECT_FALSE(link->ShowHintForm());
    ASSERT_TRUE(PlacePointer(kFarAway));
  }
}

TEST_F(UrlLinkTest, LeftPressOpensTheTargetWithTheShell) {
  struct Case {
    TURLtype type;
    std::wstring link, target;
  };
  const Case cases[] = {
      {tpURL, L"http://", L"http://"},  // a label left as it was made
      {tpURL, L"https://site.example.com/page?a=1", L"https://site.example.com/page?a=1"},
      {tpMAIL, L"someone@example.com", L"mailto:someone@example.com"},
      {tpMAIL, L"mailto:someone@example.com", L"mailto:mailto:someone@example.com"},  // taken as it stands
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.target);
    shellCalls.clear();
    link->SetURLtype(c.type);
    link->SetLink(c.link);
    MoveTo(OnLink());
    ASSERT_TRUE(HintOnScreen());
    Send(WM_LBUTTONDOWN, OnLink());
    ASSERT_EQ(shellCalls.size(), 1u);
    const ShellCall& call = shellCalls[0];
    EXPECT_EQ(call.owner, nullptr);
    EXPECT_EQ(call.verb, L"OPEN");
    EXPECT_EQ(call.file, c.target);
    ASSERT_NE(call.parameters, nullptr);
    EXPECT_STREQ(call.parameters, L"");
    ASSERT_NE(call.directory, nullptr);
    EXPECT_STREQ(call.directory, L"");
    EXPECT_EQ(call.show, SW_SHOW);
    EXPECT_FALSE(HintOnScreen()) << "a left press hides the hint window";
    EXPECT_FALSE(link->ShowHintForm());
    EXPECT_EQ(link->Font().Color(), clRed) << "still under the pointer";
    Send(WM_LBUTTONUP, OnLink());
    EXPECT_EQ(shellCalls.size(), 1u) << "the release opens nothing";
    MoveTo(OffLink());
  }
}

TEST_F(UrlLinkTest, DoubleClickOpensOncePerPress) {
  link->SetLink(L"https://twice.example.com/");
  MoveTo(OnLink());
  for (UINT msg : {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_LBUTTONUP}) Send(msg, OnLink());
  ASSERT_EQ(shellCalls.size(), 2u);
  EXPECT_EQ(shellCalls[0].file, L"https://twice.example.com/");
  EXPECT_EQ(shellCalls[1].file, L"https://twice.example.com/");
}

TEST_F(UrlLinkTest, OtherButtonsOnlyRepaint) {
  for (UINT msg : {WM_RBUTTONDOWN, WM_MBUTTONDOWN, WM_RBUTTONDBLCLK, WM_MBUTTONDBLCLK}) {
    SCOPED_TRACE(testing::Message() << "message 0x" << std::hex << msg);
    MoveTo(OnLink());
    ASSERT_TRUE(HintOnScreen());
    ValidateRect(form.Handle(), nullptr);
    Send(msg, OnLink());
    EXPECT_TRUE(shellCalls.empty());
    EXPECT_TRUE(LabelNeedsRepaint());
    EXPECT_TRUE(HintOnScreen()) << "the hint window stays";
    EXPECT_TRUE(link->ShowHintForm());
    MoveTo(OffLink());
  }
}

TEST_F(UrlLinkTest, PressBesideTheLabelOpensNothing) {
  MoveTo(OffLink());
  Send(WM_LBUTTONDOWN, OffLink());
  EXPECT_TRUE(shellCalls.empty());
}

TEST_F(UrlLinkTest, HintWindowFitsItsTextNextToThePointer) {
  link->SetURLtype(tpMAIL);
  link->SetLink(L"hint@example.com");
  MoveTo(OnLink());
  ASSERT_TRUE(HintOnScreen());
  POINT pointer{};
  GetCursorPos(&pointer);

  // The stored link, without the "mailto:" that opening adds.
  const SIZE text = HintTextSize(L"hint@example.com");
  RECT client{};
  GetClientRect(Hint(), &client);
  EXPECT_EQ(client.right, text.cx + 6);
  EXPECT_EQ(client.bottom, text.cy + 3);
  const RECT outer = HintRect();
  EXPECT_EQ(outer.right - outer.left, client.right) << "no frame";
  EXPECT_EQ(outer.left, pointer.x + 15);
  EXPECT_EQ(outer.top, pointer.y + 15);

  const LONG_PTR exStyle = GetWindowLongPtrW(Hint(), GWL_EXSTYLE);
  EXPECT_TRUE(exStyle & WS_EX_TOPMOST);
  EXPECT_NE(GetActiveWindow(), Hint()) << "showing the hint must not activate it";
  EXPECT_EQ(GetWindow(Hint(), GW_OWNER), nullptr);
  EXPECT_EQ(link->HintForm().Color(), clInfoBk);
  const POINT onHint{(outer.left + outer.right) / 2, (outer.top + outer.bottom) / 2};
  EXPECT_EQ(WindowFromPoint(onHint), form.Handle()) << "the pointer goes through the hint to the form";

  // The text starts at (2, 2): the two top rows and left columns are background, the text area is not.
  auto textPixels = [&] {
    ScopedGetDC dc(Hint());
    const COLORREF background = ColorToRGB(clInfoBk);
    int inMargin = 0, inText = 0;
    for (int y = 0; y < client.bottom; ++y)
      for (int x = 0; x < client.right; ++x) {
        if (GetPixel(dc, x, y) == background) continue;
        if (x < 2 || y < 2) ++inMargin;
        else ++inText;
      }
    return std::pair{inMargin, inText};
  };
  auto [margin, drawn] = textPixels();
  EXPECT_EQ(margin, 0);
  EXPECT_GT(drawn, 0);
  // It paints its text again when repainted.
  RedrawWindow(Hint(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
  EXPECT_GT(textPixels().second, 0);
}

TEST_F(UrlLinkTest, HintStaysWhereItWasPlacedUntilHiddenAndThenFollows) {
  MoveTo(OnLink(-10));
  const RECT first = HintRect();
  MoveTo(OnLink(+10));
  const RECT second = HintRect();
  EXPECT_TRUE(EqualRect(&first, &second)) << "a shown hint does not follow the pointer";

  Send(WM_LBUTTONDOWN, OnLink(+10));
  ASSERT_FALSE(HintOnScreen());
  MoveTo(OnLink(+10));
  ASSERT_TRUE(HintOnScreen());
  POINT pointer{};
  GetCursorPos(&pointer);
  EXPECT_EQ(HintRect().left, pointer.x + 15);
  EXPECT_EQ(HintRect().left, first.left + 20);
}

TEST_F(UrlLinkTest, EachShowingAppliesTheCurrentColourFontAndOffsets) {
  link->SetHintOffsetX(30);
  link->SetHintOffsetY(-25);
  link->SetHintFormColor(clWhite);
  link->SetHintFormFont(TFont(L"Tahoma", -20, fsBold));
  MoveTo(OnLink());
  ASSERT_TRUE(HintOnScreen());
  POINT pointer{};
  GetCursorPos(&pointer);
  EXPECT_EQ(HintRect().left, pointer.x + 30);
  EXPECT_EQ(HintRect().top, pointer.y - 25);
  EXPECT_EQ(link->HintForm().Color(), clWhite);
  const SIZE text = HintTextSize(link->Link());
  EXPECT_EQ(HintRect().bottom - HintRect().top, text.cy + 3);
  EXPECT_GT(text.cy, 16) << "measured in the larger font";
}

TEST_F(UrlLinkTest, EnableShowHintOffPreventsTheNextHintOnly) {
  MoveTo(OnLink());
  ASSERT_TRUE(HintOnScreen());
  link->SetEnableShowHint(false);
  MoveTo(OnLink(5));
  EXPECT_TRUE(HintOnScreen()) << "switching it off leaves the shown window";
  MoveTo(OffLink());
  EXPECT_FALSE(HintOnScreen());
  MoveTo(OnLink());
  MoveTo(OnLink(5));
  EXPECT_FALSE(HintOnScreen());
  EXPECT_FALSE(link->ShowHintForm());
  EXPECT_EQ(link->Font().Color(), clRed) << "the highlight does not depend on it";
}

TEST_F(UrlLinkTest, ChangingLinkWhileShownWaitsForTheNextShowing) {
  MoveTo(OnLink());
  const RECT before = HintRect();
  const std::wstring longer = L"https://a.much.longer.address.example.com/";
  link->SetLink(longer);
  MoveTo(OnLink(3));
  const RECT after = HintRect();
  EXPECT_TRUE(EqualRect(&before, &after));
  MoveTo(OffLink());
  MoveTo(OnLink());
  RECT client{};
  GetClientRect(Hint(), &client);
  EXPECT_EQ(client.right, HintTextSize(longer).cx + 6);
}

TEST_F(UrlLinkTest, SettersRepaintOnlyWhenTheValueChanges) {
  struct Case {
    const char* property;
    std::function<void(TURLLink&)> same, other;
  };
  const Case cases[] = {
      {"URLType", [](TURLLink& l) { l.SetURLtype(tpURL); }, [](TURLLink& l) { l.SetURLtype(tpMAIL); }},
      {"Link", [](TURLLink& l) { l.SetLink(std::wstring(L"http:") + L"//"); }, [](TURLLink& l) { l.SetLink(L"x"); }},
      {"LinkColor", [](TURLLink& l) { l.SetLinkColor(clRed); }, [](TURLLink& l) { l.SetLinkColor(clBlue); }},
      {"HintFormColor", [](TURLLink& l) { l.SetHintFormColor(clInfoBk); }, [](TURLLink& l) { l.SetHintFormColor(clWhite); }},
      {"HintOffsetX", [](TURLLink& l) { l.SetHintOffsetX(15); }, [](TURLLink& l) { l.SetHintOffsetX(1); }},
      {"HintOffsetY", [](TURLLink& l) { l.SetHintOffsetY(15); }, [](TURLLink& l) { l.SetHintOffsetY(1); }},
      {"EnableShowHint", [](TURLLink& l) { l.SetEnableShowHint(true); }, [](TURLLink& l) { l.SetEnableShowHint(false); }},
      {"HintFormFont", [](TURLLink& l) { l.SetHintFormFont(l.HintFormFont()); },
       [](TURLLink& l) { l.SetHintFormFont(TFont(L"Tahoma", -12)); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.property);
    ValidateRect(form.Handle(), nullptr);
    c.same(*link);
    EXPECT_FALSE(LabelNeedsRepaint());
    c.other(*link);
    EXPECT_TRUE(LabelNeedsRepaint());
  }
  EXPECT_EQ(link->URLType(), tpMAIL);
  EXPECT_EQ(link->Link(), L"x");
  EXPECT_EQ(link->LinkColor(), clBlue);
  EXPECT_EQ(link->HintFormColor(), clWhite);
  EXPECT_EQ(link->HintOffsetX(), 1);
  EXPECT_EQ(link->HintOffsetY(), 1);
  EXPECT_FALSE(link->EnableShowHint());
}

TEST_F(UrlLinkTest, HintFormFontIsCopiedIntoTheOwnedFont) {
  const TFont* owned = &link->HintFormFont();
  {
    const TFont given(L"Tahoma", -14, fsItalic, SHIFTJIS_CHARSET, clRed);
    link->SetHintFormFont(given);
  }
  EXPECT_EQ(&link->HintFormFont(), owned);
  EXPECT_EQ(link->HintFormFont().Name(), L"Tahoma");
  EXPECT_EQ(link->HintFormFont().Height(), -14);
  EXPECT_EQ(link->HintFormFont().Style(), static_cast<unsigned>(fsItalic));
  EXPECT_EQ(link->HintFormFont().Charset(), SHIFTJIS_CHARSET);
  EXPECT_EQ(link->HintFormFont().Color(), clRed);
}

TEST_F(UrlLinkTest, ALabelColouredLaterIsRestoredToThatColour) {
  link->OwnFont().SetColor(clWhite);
  MoveTo(OnLink());
  EXPECT_EQ(link->Font().Color(), clRed);
  MoveTo(OffLink());
  EXPECT_EQ(link->Font().Color(), clWhite);
}

}  // namespace
