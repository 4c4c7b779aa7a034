#include "WindowClass.h"

#include "Files.h"

namespace archiver {

void RegisterWindowClass(const wchar_t* name, WNDPROC proc) {
  WNDCLASSEXW wc{sizeof wc};
  if (GetClassInfoExW(LibraryInstance(), name, &wc)) return;
  wc = WNDCLASSEXW{sizeof wc};
  wc.lpfnWndProc = proc;
  wc.hInstance = LibraryInstance();
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = name;
  RegisterClassExW(&wc);
}

HFONT MessageFont() {
  NONCLIENTMETRICSW m{sizeof m};
  if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof m, &m, 0)) return CreateFontIndirectW(&m.lfMessageFont);
  return nullptr;
}

}  // namespace archiver
