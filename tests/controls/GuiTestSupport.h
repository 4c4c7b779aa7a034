// Helpers for tests that drive real windows: pumping with a bound, and the pointer.
#pragma once
#include <windows.h>

#include <algorithm>
#include <functional>

namespace guitest {

inline void Pump() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

// Runs the message loop until done() holds or timeoutMs passed; answers done().
inline bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs = 5000) {
  const ULONGLONG end = GetTickCount64() + timeoutMs;
  for (;;) {
    Pump();
    if (done()) return true;
    const ULONGLONG now = GetTickCount64();
    if (now >= end) return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(std::min<ULONGLONG>(end - now, 20)), QS_ALLINPUT);
  }
}

// Puts the real pointer at a screen point and waits until the system reports it there.
inline bool PlacePointer(POINT screen) {
  SetCursorPos(screen.x, screen.y);
  return PumpUntil([&] {
    POINT p{};
    return GetCursorPos(&p) && p.x == screen.x && p.y == screen.y;
  });
}

inline LPARAM PointParam(POINT client) { return MAKELPARAM(client.x, client.y); }

}  // namespace guitest
