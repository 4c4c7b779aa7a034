// The window that says why calls failed. It is not modal: the batch goes on,
// and it collects the failures of later calls until the user closes it.
// Windows only.
#pragma once
#include <windows.h>

#include <string>

namespace archiver {

// Adds one entry: a heading (the archive, or what the call was about), a
// sentence for the user, and the engine's own words (UTF-8, lines end in \n).
// Makes the window when there is none, owned by owner when that is visible.
void ReportFailure(HWND owner, const std::wstring& heading, const std::wstring& summary, const std::string& details);

// The window while it is open, or null.
HWND ReasonWindowHandle();

}  // namespace archiver
