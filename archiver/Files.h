// Text and path helpers that the library's entry points and windows share. Windows only.
#pragma once
#include <windows.h>

#include <string>
#include <string_view>

#include "LongPath.h"  // Exists

namespace archiver {

std::string U8(std::wstring_view s);        // UTF-16 to UTF-8
std::wstring Wide(std::string_view s);      // UTF-8 to UTF-16
std::wstring FullPath(const std::wstring& path);  // empty when the system cannot make one

HINSTANCE LibraryInstance();                // this library's own module

}  // namespace archiver
