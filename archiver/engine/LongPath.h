// Paths for the file functions, whatever their length: past MAX_PATH a path
// reaches them in its \\?\ form. Shared by the library's entry points and its
// binding to the engine. Windows only.
#pragma once
#include <windows.h>

#include <string>

namespace archiver {

inline std::wstring Long(const std::wstring& path) {
  if (path.size() < MAX_PATH - 12 || path.rfind(L"\\\\?\\", 0) == 0) return path;
  if (path.rfind(L"\\\\", 0) == 0) return L"\\\\?\\UNC\\" + path.substr(2);
  return L"\\\\?\\" + path;
}

inline bool Exists(const std::wstring& path) {
  return GetFileAttributesW(Long(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

}  // namespace archiver
