#include "Picture.h"

namespace headless {

std::vector<unsigned char> Capture(HWND hwnd, int& w, int& h) {
  RECT r;
  GetWindowRect(hwnd, &r);
  w = r.right - r.left, h = r.bottom - r.top;
  HDC screen = GetDC(nullptr);
  HDC mem = CreateCompatibleDC(screen);
  BITMAPINFO bi{};
  bi.bmiHeader = {sizeof(BITMAPINFOHEADER), w, h, 1, 24, BI_RGB};
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(mem, bitmap);
  BitBlt(mem, 0, 0, w, h, screen, r.left, r.top, SRCCOPY);
  SelectObject(mem, old);
  const size_t size = ((static_cast<size_t>(w) * 3 + 3) & ~size_t{3}) * static_cast<size_t>(h);
  std::vector<unsigned char> pixels(static_cast<unsigned char*>(bits), static_cast<unsigned char*>(bits) + size);
  DeleteObject(bitmap);
  DeleteDC(mem);
  ReleaseDC(nullptr, screen);
  return pixels;
}

bool WriteBitmap(const std::wstring& path, int w, int h, const std::vector<unsigned char>& pixels) {
  BITMAPINFOHEADER info{sizeof(BITMAPINFOHEADER), w, h, 1, 24, BI_RGB};
  const DWORD offset = sizeof(BITMAPFILEHEADER) + sizeof(info);
  BITMAPFILEHEADER fh{0x4D42, static_cast<DWORD>(offset + pixels.size()), 0, 0, offset};
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD n;
  const bool ok = WriteFile(file, &fh, sizeof(fh), &n, nullptr) && WriteFile(file, &info, sizeof(info), &n, nullptr) &&
                  WriteFile(file, pixels.data(), static_cast<DWORD>(pixels.size()), &n, nullptr);
  CloseHandle(file);
  return ok;
}

}  // namespace headless
