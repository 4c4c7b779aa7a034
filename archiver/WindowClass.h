// What the library's own windows share: their class, registered once in this
// library's module, and the system's message font. Windows only.
#pragma once
#include <windows.h>

namespace archiver {

// A dialog-coloured class with the arrow cursor; registering it again is harmless.
void RegisterWindowClass(const wchar_t* name, WNDPROC proc);
// The font of message boxes, for the controls of the library's windows; the caller owns it.
HFONT MessageFont();

}  // namespace archiver
