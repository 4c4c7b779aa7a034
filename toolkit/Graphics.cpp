#include "Graphics.h"

COLORREF ColorToRGB(TColor color) {
  return (color & clSystemColor) ? GetSysColor(static_cast<int>(color & 0xFF)) : static_cast<COLORREF>(color);
}

void TFont::Assign(const TFont& other) {
  if (&other == this) return;
  name_ = other.name_;
  height_ = other.height_;
  style_ = other.style_;
  charset_ = other.charset_;
  color_ = other.color_;
  handle_.reset();
}

HFONT TFont::Handle() const {
  if (!handle_) {
    LOGFONTW lf{};
    lf.lfHeight = height_;
    lf.lfWeight = (style_ & fsBold) ? FW_BOLD : FW_NORMAL;
    lf.lfItalic = (style_ & fsItalic) ? TRUE : FALSE;
    lf.lfUnderline = (style_ & fsUnderline) ? TRUE : FALSE;
    lf.lfCharSet = charset_;
    lf.lfQuality = DEFAULT_QUALITY;
    lstrcpynW(lf.lfFaceName, name_.c_str(), LF_FACESIZE);
    handle_.reset(CreateFontIndirectW(&lf));
  }
  return handle_.get();
}

SIZE TextExtent(HDC dc, HFONT font, const std::wstring& text) {
  ScopedSelectObject select(dc, font);
  SIZE size{};
  GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
  return size;
}
