// Windows code keeps text in std::wstring, portable code in std::u16string;
// on Windows both are UTF-16, so crossing between them is a plain copy.
#pragma once
#include <string>
#include <string_view>

static_assert(sizeof(wchar_t) == sizeof(char16_t), "Windows code only: wchar_t must be UTF-16");

inline std::u16string U16(std::wstring_view s) { return {reinterpret_cast<const char16_t*>(s.data()), s.size()}; }
inline std::wstring W(std::u16string_view s) { return {reinterpret_cast<const wchar_t*>(s.data()), s.size()}; }
