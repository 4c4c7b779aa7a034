#include "Dialogs.h"

#include <windows.h>
#include <commdlg.h>

#include <vector>

#include "Forms.h"

bool TOpenDialog::Execute() {
  // "a|b|c|d" becomes "a\0b\0c\0d\0\0".
  std::wstring filter = Filter;
  for (auto& ch : filter)
    if (ch == L'|') ch = L'\0';
  filter.append(2, L'\0');
  // Room for many selected names: the dialog fails rather than cut the list.
  std::vector<wchar_t> buffer(65536, L'\0');
  OPENFILENAMEW ofn{sizeof(ofn)};
  ofn.hwndOwner = WindowHandle();
  ofn.lpstrFilter = filter.c_str();
  ofn.nFilterIndex = 1;
  ofn.lpstrFile = buffer.data();
  ofn.nMaxFile = static_cast<DWORD>(buffer.size());
  ofn.lpstrInitialDir = InitialDir.empty() ? nullptr : InitialDir.c_str();
  ofn.lpstrTitle = Title.empty() ? nullptr : Title.c_str();
  ofn.lpstrDefExt = DefaultExt.empty() ? nullptr : DefaultExt.c_str();
  ofn.Flags = OFN_EXPLORER | OFN_NOCHANGEDIR | OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST;
  if (AllowMultiSelect) ofn.Flags |= OFN_ALLOWMULTISELECT;
  if (HideReadOnly) ofn.Flags |= OFN_HIDEREADONLY;
  if (EnableSizing) ofn.Flags |= OFN_ENABLESIZING;
  {
    TModalRun run(EndSystemDialogs);
    if (!GetOpenFileNameW(&ofn)) return false;
  }

  Files.Clear();
  // One name: the full path. Several: the folder, then each name, NUL-separated.
  const std::wstring first(buffer.data());
  const wchar_t* next = buffer.data() + first.size() + 1;
  if (!AllowMultiSelect || *next == L'\0') {
    Files.Add(first);
    return true;
  }
  const std::wstring folder = first.back() == L'\\' ? first : first + L'\\';
  while (*next) {
    const std::wstring name(next);
    Files.Add(folder + name);
    next += name.size() + 1;
  }
  return true;
}
