#include "Output.h"

#include <windows.h>

namespace headless {

namespace {

// One line stays one line: a message's own line breaks become spaces.
void Write(std::wstring text) {
  for (wchar_t& c : text)
    if (c == L'\n' || c == L'\r') c = L' ';
  const std::wstring line = text + L"\n";
  const int size =
      WideCharToMultiByte(CP_UTF8, 0, line.c_str(), static_cast<int>(line.size()), nullptr, 0, nullptr, nullptr);
  std::string bytes(static_cast<size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, line.c_str(), static_cast<int>(line.size()), bytes.data(), size, nullptr, nullptr);
  // One write per line: whoever follows the file sees whole lines.
  DWORD written = 0;
  WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

}  // namespace

void PrintLine(const std::wstring& text) { Write(text); }
void PrintProgress(const std::wstring& text) { Write(L"\x01" + text); }
void PrintNote(const std::wstring& text) { Write(L"\x02" + text); }

}  // namespace headless
