#include <gtest/gtest.h>

#include "CompressionSettings.h"
#include "WinTestSupport.h"

namespace {

using namespace test;

TEST(Settings, SelectedProfileAndValidation) {
  struct Case {
    const char* what;
    int index;
    std::wstring profile2;  // entry 3
    DestFolderMode mode;
    std::wstring dest;
    std::wstring selected;
    const wchar_t* message;  // null: valid
  };
  const wchar_t* const empty = L"選択されている圧縮設定は空です\n違う設定を選んで下さい";
  const wchar_t* const noDest = L"出力先の指定をして下さい";
  const std::wstring t1 = L"a -tzip -mx=9 -mfb=64 -mpass=4 -r";
  const Case cases[] = {
      {"defaults", 0, L"", DestFolderMode::SameAsSource, L"", t1, nullptr},
      {"second template", 1, L"", DestFolderMode::SameAsSource, L"", L"a -tzip -mx=0 -r", nullptr},
      {"nothing selected", -1, L"", DestFolderMode::SameAsSource, L"", L"", empty},
      {"an empty entry", 2, L"", DestFolderMode::SameAsSource, L"", L"", empty},
      {"an index beyond the list", 7, L"", DestFolderMode::SameAsSource, L"", L"", empty},
      {"a blank template passes", 2, L" ", DestFolderMode::SameAsSource, L"", L" ", nullptr},
      {"destination missing", 0, L"", DestFolderMode::SpecifiedFolder, L"", t1, noDest},
      {"both wrong: only the first message", -1, L"", DestFolderMode::SpecifiedFolder, L"", L"", empty},
      {"three blanks are a destination", 0, L"", DestFolderMode::SpecifiedFolder, L"   ", t1, nullptr},
      {"folder unused while next to the source", 0, L"", DestFolderMode::SameAsSource, L"", t1, nullptr},
  };
  TestWindow dialog;
  ShowMessageBox = RecordBox;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    recordedBoxes.clear();
    TestSettings s;
    s.profileIndex = c.index;
    s.profiles[2] = c.profile2;
    s.destFolderMode = c.mode;
    s.destFolder = c.dest;
    s.owner = dialog.Handle();
    EXPECT_EQ(s.SelectedProfile(), c.selected);
    EXPECT_EQ(ValidateSettings(s), c.message == nullptr);
    if (c.message) {
      ASSERT_EQ(recordedBoxes.size(), 1u);
      EXPECT_EQ(recordedBoxes[0].text, c.message);
      EXPECT_EQ(recordedBoxes[0].caption, L"エラー");
      EXPECT_EQ(recordedBoxes[0].type, static_cast<UINT>(MB_OK | MB_ICONERROR));
      EXPECT_EQ(recordedBoxes[0].owner, dialog.Handle());
    } else {
      EXPECT_TRUE(recordedBoxes.empty());
    }
  }
  ShowMessageBox = MessageBoxW;
}

}  // namespace
