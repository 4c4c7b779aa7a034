// Colours, fonts and the RAII owners of GDI objects.
#pragma once
#include <windows.h>

#include <memory>
#include <string>
#include <type_traits>

// A colour as the toolkit stores it: an RGB value, or a system colour index
// with the top bit set (clBtnFace and friends), resolved at the moment of drawing.
using TColor = DWORD;
constexpr TColor clBlack = 0x000000;
constexpr TColor clWhite = 0xFFFFFF;
constexpr TColor clRed = 0x0000FF;   // COLORREF order: 0x00BBGGRR
constexpr TColor clBlue = 0xFF0000;
constexpr TColor clSystemColor = 0x80000000;
constexpr TColor clWindowText = clSystemColor | COLOR_WINDOWTEXT;
constexpr TColor clBtnFace = clSystemColor | COLOR_BTNFACE;
constexpr TColor clInfoBk = clSystemColor | COLOR_INFOBK;
COLORREF ColorToRGB(TColor color);

struct GdiObjectDeleter {
  void operator()(HGDIOBJ object) const { if (object) DeleteObject(object); }
};
using UniqueFont = std::unique_ptr<std::remove_pointer_t<HFONT>, GdiObjectDeleter>;
using UniqueBrush = std::unique_ptr<std::remove_pointer_t<HBRUSH>, GdiObjectDeleter>;
using UniqueBitmap = std::unique_ptr<std::remove_pointer_t<HBITMAP>, GdiObjectDeleter>;

class ScopedGetDC {
 public:
  explicit ScopedGetDC(HWND hwnd) : hwnd_(hwnd), dc_(GetDC(hwnd)) {}
  ~ScopedGetDC() { if (dc_) ReleaseDC(hwnd_, dc_); }
  ScopedGetDC(const ScopedGetDC&) = delete;
  ScopedGetDC& operator=(const ScopedGetDC&) = delete;
  operator HDC() const { return dc_; }

 private:
  HWND hwnd_;
  HDC dc_;
};

class ScopedSelectObject {
 public:
  ScopedSelectObject(HDC dc, HGDIOBJ object) : dc_(dc), old_(object ? SelectObject(dc, object) : nullptr) {}
  ~ScopedSelectObject() { if (old_) SelectObject(dc_, old_); }
  ScopedSelectObject(const ScopedSelectObject&) = delete;
  ScopedSelectObject& operator=(const ScopedSelectObject&) = delete;

 private:
  HDC dc_;
  HGDIOBJ old_;
};

enum TFontStyle : unsigned { fsBold = 1, fsItalic = 2, fsUnderline = 4 };

// A font description with its GDI font made on demand; every change drops the
// GDI object, so the next Handle() reflects the new attributes.
class TFont {
 public:
  TFont() = default;
  TFont(std::wstring name, int height, unsigned style = 0, BYTE charset = DEFAULT_CHARSET, TColor color = clWindowText)
      : name_(std::move(name)), height_(height), style_(style), charset_(charset), color_(color) {}
  TFont(const TFont& other) { Assign(other); }
  TFont& operator=(const TFont& other) { Assign(other); return *this; }

  void Assign(const TFont& other);
  HFONT Handle() const;

  const std::wstring& Name() const { return name_; }
  int Height() const { return height_; }
  unsigned Style() const { return style_; }
  BYTE Charset() const { return charset_; }
  TColor Color() const { return color_; }
  void SetName(std::wstring name) { name_ = std::move(name); handle_.reset(); }
  void SetHeight(int height) { height_ = height; handle_.reset(); }
  void SetStyle(unsigned style) { style_ = style; handle_.reset(); }
  void SetCharset(BYTE charset) { charset_ = charset; handle_.reset(); }
  void SetColor(TColor color) { color_ = color; }  // colour is not part of the GDI font

 private:
  // The toolkit's default font: 8 points in the face the system substitutes for "MS Shell Dlg 2".
  std::wstring name_ = L"MS Shell Dlg 2";
  int height_ = -11;
  unsigned style_ = 0;
  BYTE charset_ = DEFAULT_CHARSET;
  TColor color_ = clWindowText;
  mutable UniqueFont handle_;
};

// Width and height of text in pixels when drawn in font.
SIZE TextExtent(HDC dc, HFONT font, const std::wstring& text);
