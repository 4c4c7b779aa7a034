// A window's picture as it stands on screen, and its bitmap file.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

namespace headless {

// The window's screen pixels as a bottom-up 24-bit DIB.
std::vector<unsigned char> Capture(HWND hwnd, int& w, int& h);
// Pixels from Capture as a bitmap file.
bool WriteBitmap(const std::wstring& path, int w, int h, const std::vector<unsigned char>& pixels);

}  // namespace headless
