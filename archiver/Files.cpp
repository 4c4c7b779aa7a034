#include "Files.h"

#include "Utf8.h"
#include "WideText.h"

namespace archiver {

std::string U8(std::wstring_view s) { return ToUtf8(U16(s)); }

std::wstring Wide(std::string_view s) { return W(FromUtf8(s)); }

std::wstring FullPath(const std::wstring& path) {
  DWORD n = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
  if (n == 0) return {};
  std::wstring full(n, L'\0');
  n = GetFullPathNameW(path.c_str(), n, full.data(), nullptr);
  full.resize(n);
  return full;
}

HINSTANCE LibraryInstance() {
  static const HINSTANCE self = [] {
    HMODULE m = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCWSTR>(&LibraryInstance), &m);
    return m;
  }();
  return self;
}

}  // namespace archiver
