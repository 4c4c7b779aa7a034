// A process that uses the library once and then stays, so that a test can
// see what it leaves behind when it lets the library go or is killed.
//   call-and-stay <library> <command, UTF-8> <file for the result> unload|keep
#include <windows.h>

#include <string>
#include <vector>

#include "SevenZip32.h"

int wmain(int argc, wchar_t** argv) {
  if (argc != 5) return 2;
  HMODULE library = LoadLibraryW(argv[1]);
  if (!library) return 3;
  const auto setUnicode = reinterpret_cast<SevenZipSetUnicodeModeProc>(
      reinterpret_cast<void*>(GetProcAddress(library, "SevenZipSetUnicodeMode")));
  const auto sevenZip =
      reinterpret_cast<SevenZipProc>(reinterpret_cast<void*>(GetProcAddress(library, "SevenZip")));
  if (!setUnicode || !sevenZip) return 4;
  setUnicode(TRUE);

  const int n = WideCharToMultiByte(CP_UTF8, 0, argv[2], -1, nullptr, 0, nullptr, nullptr);
  std::string command(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, argv[2], -1, command.data(), n, nullptr, nullptr);
  std::vector<char> output(65536);
  const int code = sevenZip(nullptr, command.c_str(), output.data(), 65535);
  if (std::wstring(argv[4]) == L"unload") FreeLibrary(library);

  // Written last and whole: the test reads it once it exists.
  const std::wstring part = std::wstring(argv[3]) + L".part";
  HANDLE f = CreateFileW(part.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (f == INVALID_HANDLE_VALUE) return 5;
  const std::string text = std::to_string(code) + "\n";
  DWORD wrote = 0;
  WriteFile(f, text.data(), static_cast<DWORD>(text.size()), &wrote, nullptr);
  CloseHandle(f);
  if (!MoveFileW(part.c_str(), argv[3])) return 6;
  Sleep(INFINITE);  // ended by the test
  return 0;
}
