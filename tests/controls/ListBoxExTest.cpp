// TListBoxEx through its window's messages: what it sends as horizontal extent,
// and what it measures to get there.
#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "Forms.h"
#include "Listboxex.h"

namespace {

// Records the extents the control sets and the lines it measures, as they pass its dispatch.
class RecordingListBox : public TListBoxEx {
 public:
  using TListBoxEx::TListBoxEx;
  std::vector<int> extents;
  std::vector<int> measured;
  void Forget() {
    extents.clear();
    measured.clear();
  }

 protected:
  LRESULT Dispatch(UINT msg, WPARAM wParam, LPARAM lParam) override {
    if (msg == LB_SETHORIZONTALEXTENT) extents.push_back(static_cast<int>(wParam));
    if (msg == LB_GETTEXTLEN) measured.push_back(static_cast<int>(wParam));
    return TListBoxEx::Dispatch(msg, wParam, lParam);
  }
};

class ListBoxExTest : public ::testing::Test {
 public:
  TForm form{nullptr, FormArgs{.caption = L"list", .clientWidth = 200, .clientHeight = 150}};
  RecordingListBox* list = new RecordingListBox(&form, L"LIST", {.bounds = {0, 0, 200, 150}, .tabOrder = 0});

  HWND hwnd() const { return list->Handle(); }
  LRESULT Add(const std::wstring& text) {
    return SendMessageW(hwnd(), LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
  }
  LRESULT Insert(int index, const std::wstring& text) {
    return SendMessageW(hwnd(), LB_INSERTSTRING, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.c_str()));
  }
  LRESULT Delete(int index) { return SendMessageW(hwnd(), LB_DELETESTRING, static_cast<WPARAM>(index), 0); }
  int Extent() const { return static_cast<int>(SendMessageW(hwnd(), LB_GETHORIZONTALEXTENT, 0, 0)); }
  // Expected widths: the text in the toolkit's default font on the list box's DC.
  int Width(const std::wstring& text) const {
    ScopedGetDC dc(hwnd());
    return TextExtent(dc, TFont().Handle(), text).cx;
  }
};

// Texts of clearly different widths in any proportional font.
const std::wstring kShort = L"abc";
const std::wstring kLong = L"abcabc";
const std::wstring kWide = L"The widest line of them all, for sure";

TEST_F(ListBoxExTest, StartsWithTheWindowsOwnExtentAndDefaults) {
  EXPECT_EQ(Extent(), 0);
  EXPECT_EQ(list->Space, 5);
  EXPECT_EQ(list->MaxWidth(), 0);
  EXPECT_TRUE(list->extents.empty());
}

TEST_F(ListBoxExTest, AddingWiderLinesGrowsTheExtentAndNarrowerOrEqualOnesSendNothing) {
  ASSERT_LT(Width(kShort), Width(kLong));
  EXPECT_EQ(Add(kShort), 0);
  EXPECT_EQ(Add(kLong), 1);
  EXPECT_EQ(list->extents, (std::vector<int>{Width(kShort) + 5, Width(kLong) + 5}));
  EXPECT_EQ(list->MaxWidth(), Width(kLong));

  list->Forget();
  Add(kShort);  // narrower
  Add(kLong);   // exactly as wide as the widest
  EXPECT_TRUE(list->extents.empty());
  EXPECT_EQ(Extent(), Width(kLong) + 5);
  EXPECT_EQ(list->MaxWidth(), Width(kLong));
}

TEST_F(ListBoxExTest, InsertMeasuresTheInsertedLineNotTheOneItDisplaced) {
  Add(kShort);
  list->Forget();
  EXPECT_EQ(Insert(0, kWide), 0);
  EXPECT_EQ(list->extents, std::vector<int>{Width(kWide) + 5});
  EXPECT_EQ(list->measured, std::vector<int>{0});

  // Appending through index -1 measures the line where it landed.
  list->Forget();
  EXPECT_EQ(Insert(-1, kWide + L"!"), 2);
  EXPECT_EQ(list->measured, std::vector<int>{2});
  EXPECT_EQ(Extent(), Width(kWide + L"!") + 5);
}

TEST_F(ListBoxExTest, FailedAddAndMissingDeleteLeaveEverythingAlone) {
  Add(kLong);
  list->Forget();
  EXPECT_EQ(Insert(7, kWide), LB_ERR);  // past the end
  EXPECT_EQ(Delete(3), LB_ERR);
  EXPECT_EQ(Delete(-1), LB_ERR);
  EXPECT_TRUE(list->extents.empty());
  EXPECT_EQ(list->MaxWidth(), Width(kLong));
  EXPECT_EQ(Extent(), Width(kLong) + 5);
}

TEST_F(ListBoxExTest, DeletingANarrowerLineMeasuresOnlyThatLine) {
  Add(kWide);
  Add(kShort);
  Add(kLong);
  list->Forget();
  EXPECT_EQ(Delete(1), 2);
  EXPECT_TRUE(list->extents.empty());
  EXPECT_EQ(list->measured, std::vector<int>{1});
  EXPECT_EQ(Extent(), Width(kWide) + 5);
}

TEST_F(ListBoxExTest, DeletingTheWidestLineRescansTheRest) {
  Add(kShort);
  Add(kWide);
  Add(kLong);
  list->Forget();
  Delete(1);
  EXPECT_EQ(list->measured, (std::vector<int>{1, 0, 1}));  // the deleted one, then every line left
  EXPECT_EQ(list->extents, std::vector<int>{Width(kLong) + 5});
  EXPECT_EQ(list->MaxWidth(), Width(kLong));
}

TEST_F(ListBoxExTest, DeletingOneOfTwoWidestLinesKeepsTheExtent) {
  Add(kWide);
  Add(kShort);
  Add(kWide);
  list->Forget();
  Delete(0);
  EXPECT_EQ(list->extents, std::vector<int>{Width(kWide) + 5});
  EXPECT_EQ(list->MaxWidth(), Width(kWide));
}

TEST_F(ListBoxExTest, EmptiedOrClearedListKeepsOnlyTheMargin) {
  struct Case {
    const char* how;
    std::function<void(ListBoxExTest&)> empty;
  };
  const Case cases[] = {
      {"delete the last line", [](ListBoxExTest& t) { t.Delete(0); }},
      {"LB_RESETCONTENT", [](ListBoxExTest& t) { SendMessageW(t.hwnd(), LB_RESETCONTENT, 0, 0); }},
      {"the toolkit's Clear", [](ListBoxExTest& t) { t.list->Clear(); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.how);
    SendMessageW(hwnd(), LB_RESETCONTENT, 0, 0);
    Add(kWide);
    list->Forget();
    c.empty(*this);
    EXPECT_EQ(SendMessageW(hwnd(), LB_GETCOUNT, 0, 0), 0);
    // Wine's list box empties itself through LB_RESETCONTENT when its last line goes,
    // so that way may send the margin twice; every extent sent must be the margin.
    ASSERT_FALSE(list->extents.empty());
    for (int extent : list->extents) EXPECT_EQ(extent, 5);
    EXPECT_EQ(Extent(), 5);
    EXPECT_EQ(list->MaxWidth(), 0);
  }
}

TEST_F(ListBoxExTest, SetSpaceAppliesAtOnceAndToLaterExtents) {
  Add(kWide);
  list->Forget();
  list->SetSpace(20);
  EXPECT_EQ(list->extents, std::vector<int>{Width(kWide) + 20});
  EXPECT_EQ(list->Space, 20);
  list->SetSpace(20);  // unchanged, still applied
  EXPECT_EQ(list->extents.size(), 2u);

  Add(kWide + L" and more");
  EXPECT_EQ(Extent(), Width(kWide + L" and more") + 20);
  list->Clear();
  EXPECT_EQ(Extent(), 20);
}

TEST_F(ListBoxExTest, TheToolkitsItemListIsWatchedToo) {
  list->Add(kShort);
  list->Add(kWide);
  EXPECT_EQ(Extent(), Width(kWide) + 5);
  EXPECT_EQ(list->Line(1), kWide);
}

TEST_F(ListBoxExTest, ScrollBarShowsOnlyWhileALineIsWiderThanTheList) {
  const std::wstring veryLong(120, L'W');
  ASSERT_GT(Width(veryLong), 200);
  Add(veryLong);
  SCROLLINFO si{sizeof(si), SIF_RANGE | SIF_PAGE};
  ASSERT_TRUE(GetScrollInfo(hwnd(), SB_HORZ, &si));
  EXPECT_EQ(si.nMax + 1, Width(veryLong) + 5);
  EXPECT_TRUE(GetWindowLongPtrW(hwnd(), GWL_STYLE) & WS_HSCROLL);
  list->Clear();
  EXPECT_FALSE(GetWindowLongPtrW(hwnd(), GWL_STYLE) & WS_HSCROLL);
}

// A folder listing: files first, then the drives; only the line LB_DIR names last is measured.
TEST_F(ListBoxExTest, DirectoryListingMeasuresOnlyItsLastLine) {
  namespace fs = std::filesystem;
  const fs::path folder = fs::temp_directory_path() / L"morvel-lbdir-test";
  fs::remove_all(folder);
  fs::create_directories(folder);
  const std::wstring wideName = L"a rather long file name to list.txt";
  std::ofstream(folder / wideName).put('x');
  const std::wstring pattern = (folder / L"*.txt").wstring();

  const LRESULT last = SendMessageW(hwnd(), LB_DIR, DDL_READWRITE | DDL_DRIVES, reinterpret_cast<LPARAM>(pattern.c_str()));
  fs::remove_all(folder);
  ASSERT_GT(last, 0) << "the listing should hold the file and at least one drive";
  ASSERT_EQ(list->Line(0), wideName);
  const std::wstring lastLine = list->Line(static_cast<int>(last));
  ASSERT_LT(Width(lastLine), Width(wideName)) << "the last line should be a drive, narrower than the file";
  EXPECT_EQ(list->extents, std::vector<int>{Width(lastLine) + 5});
  EXPECT_EQ(list->MaxWidth(), Width(lastLine));

  // A later add narrower than the file but wider than the drive counts; the file still escapes.
  const std::wstring middle = L"[-z-] and some";
  ASSERT_LT(Width(middle), Width(wideName));
  ASSERT_GT(Width(middle), Width(lastLine));
  const LRESULT middleIndex = Add(middle);
  EXPECT_EQ(Extent(), Width(middle) + 5);

  // Deleting that widest line rescans, and now the file's name counts.
  Delete(static_cast<int>(middleIndex));
  EXPECT_EQ(Extent(), Width(wideName) + 5);
  EXPECT_EQ(list->MaxWidth(), Width(wideName));
}

TEST_F(ListBoxExTest, AddFileIsMeasuredLikeAnyAdd) {
  const std::wstring name = L"file added to a listing.txt";
  const LRESULT index = SendMessageW(hwnd(), LB_ADDFILE, 0, reinterpret_cast<LPARAM>(name.c_str()));
  ASSERT_GE(index, 0);
  EXPECT_EQ(list->Line(static_cast<int>(index)), name);
  EXPECT_EQ(list->extents, std::vector<int>{Width(name) + 5});
}

}  // namespace
