// libFuzzer target over the settings file's reader and value parsers. Besides the
// sanitizers it checks the codec's own promises: the encoding follows from the bytes as
// documented, a stored image reads back as the same image, a written value is the value
// read, and no value can spill onto a line of its own.
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <string_view>

#include "IniFile.h"
#include "Utf8.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

std::u16string_view Trimmed(std::u16string_view s) {
  while (!s.empty() && s.front() <= 32) s.remove_prefix(1);
  while (!s.empty() && s.back() <= 32) s.remove_suffix(1);
  return s;
}

int ansiCalls = 0;

// An ANSI code page of its own: every byte becomes a distinct character that no other
// decoding of these bytes produces (private use area), so a mix-up shows.
std::u16string MarkedAnsi(std::string_view bytes) {
  ++ansiCalls;
  std::u16string text;
  for (const char b : bytes) text += static_cast<char16_t>(0xE000 + static_cast<unsigned char>(b));
  return text;
}

std::string Utf16Bytes(std::u16string_view text) {
  std::string bytes;
  for (const char16_t c : text) bytes += static_cast<char>(c & 0xFF), bytes += static_cast<char>(c >> 8);
  return bytes;
}

std::u16string UpToNul(std::u16string_view text) { return std::u16string(text.substr(0, text.find(u'\0'))); }

// The detection's rules, checked against what each decoding must give.
void CheckEncoding(std::string_view bytes) {
  ansiCalls = 0;
  const IniEncoding encoding = DetectIniEncoding(bytes);
  const std::u16string text = DecodeIniText(bytes, MarkedAnsi);
  Check((ansiCalls == 1) == (encoding == IniEncoding::Ansi));
  Check(text.find(u'\0') == std::u16string::npos);
  const bool nul = bytes.find('\0') != std::string_view::npos;
  switch (encoding) {
    case IniEncoding::Utf16WithMark:
      Check(bytes.starts_with("\xFF\xFE"));
      Check(Utf16Bytes(text) == bytes.substr(2, Utf16Bytes(text).size()));
      break;
    case IniEncoding::Utf8WithMark:
      Check(bytes.starts_with("\xEF\xBB\xBF"));
      Check(text == UpToNul(FromUtf8(bytes.substr(3))));
      break;
    case IniEncoding::Utf16:
      Check(nul && !bytes.starts_with("\xFF\xFE") && !bytes.starts_with("\xEF\xBB\xBF"));
      Check(Utf16Bytes(text) == bytes.substr(0, Utf16Bytes(text).size()));
      break;
    case IniEncoding::Utf8:
      // Valid UTF-8 comes back byte for byte.
      Check(!nul && !bytes.starts_with("\xEF\xBB\xBF") && IsValidUtf8(bytes) && ToUtf8(text) == bytes);
      break;
    case IniEncoding::Ansi:
      Check(!nul && !IsValidUtf8(bytes) && !bytes.starts_with("\xFF\xFE") && !bytes.starts_with("\xEF\xBB\xBF"));
      Check(text.size() == bytes.size());
      break;
  }
  // Whatever the file was, the text survives being written as UTF-16LE with its mark.
  const std::string stored = "\xFF\xFE" + Utf16Bytes(text);
  Check(DetectIniEncoding(stored) == IniEncoding::Utf16WithMark);
  Check(DecodeIniText(stored) == text);
  Check(IniImage::Parse(stored) == IniImage::Parse(bytes, MarkedAnsi));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  CheckEncoding(bytes);
  const IniImage image = IniImage::Parse(bytes);

  const std::string stored = image.Serialize();
  const IniImage reread = IniImage::Parse(stored);
  Check(reread == image);
  Check(reread.Serialize() == stored);

  int rewrites = 32;  // each rewrite copies the image: keep big inputs fast
  for (const auto& section : image.Sections) {
    for (const auto& entry : section.Entries) {
      const auto number = ParseIniInteger(entry.Value);
      if (number) Check(ParseIniInteger(FormatIniInteger(*number)) == number);
      if (!entry.HasValue || --rewrites < 0) continue;
      // Rewriting what is read changes nothing that is read.
      const std::u16string value = image.ReadString(section.Name, entry.Key, u"");
      IniImage copy = image;
      copy.WriteString(section.Name, entry.Key, value);
      Check(copy.ReadString(section.Name, entry.Key, u"\x01") == value);
      Check(copy.ReadInteger(section.Name, entry.Key, 7) == image.ReadInteger(section.Name, entry.Key, 7));
      Check(copy.Sections.size() == image.Sections.size());
    }
  }

  // The input's text as a value: stored, it ends at the first line end or NUL, trimmed.
  std::u16string raw;
  for (std::size_t i = 0; i + 1 < size && raw.size() < 256; i += 2)
    raw += static_cast<char16_t>(data[i] | data[i + 1] << 8);
  if (const auto n = ParseIniInteger(raw)) Check(ParseIniInteger(FormatIniInteger(*n)) == n);
  IniImage copy = image;
  copy.WriteString(u"Fuzz", u"Value", raw);
  const auto number = static_cast<std::int32_t>(std::hash<std::u16string>{}(raw));
  copy.WriteInteger(u"Fuzz", u"Number", number);
  const IniImage back = IniImage::Parse(copy.Serialize());
  const auto lineEnd = raw.find_first_of(std::u16string_view(u"\r\n\0", 3));
  const std::u16string_view expected = std::u16string_view(raw).substr(0, lineEnd);
  Check(back.ReadString(u"fuzz", u"VALUE", u"\x01") == Trimmed(expected));
  Check(back.ReadInteger(u"Fuzz", u"Number", 0) == number);
  return 0;
}
