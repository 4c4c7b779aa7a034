#include "IniFile.h"

#include <algorithm>

#include "Utf8.h"

namespace {

// Blanks and control characters, as the file's trimming rule counts them.
bool IsBlank(char16_t c) { return c <= 32; }

std::u16string_view Trim(std::u16string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

char16_t FoldCase(char16_t c) { return c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - u'a' + u'A') : c; }

bool SameName(std::u16string_view a, std::u16string_view b) {
  return std::ranges::equal(a, b, [](char16_t x, char16_t y) { return FoldCase(x) == FoldCase(y); });
}

bool StartsWith(std::string_view bytes, std::string_view mark) { return bytes.substr(0, mark.size()) == mark; }

std::u16string Utf16Text(std::string_view bytes) {
  std::u16string text;
  text.reserve(bytes.size() / 2);
  for (std::size_t i = 0; i + 1 < bytes.size(); i += 2)
    text += static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) | static_cast<unsigned char>(bytes[i + 1]) << 8);
  return text;
}

std::u16string Latin1Text(std::string_view bytes) {
  std::u16string text;
  for (const char b : bytes) text += static_cast<char16_t>(static_cast<unsigned char>(b));
  return text;
}

std::u16string UpToNul(std::u16string text) {
  text.resize(std::min(text.size(), text.find(u'\0')));
  return text;
}

void AddLine(std::vector<IniSection>& sections, std::u16string_view raw) {
  const auto line = Trim(raw);
  if (line.empty() || line.front() == u';') return;
  if (line.size() >= 2 && line.front() == u'[' && line.back() == u']') {
    sections.push_back({std::u16string(Trim(line.substr(1, line.size() - 2))), {}});
    return;
  }
  if (sections.empty()) return;  // nothing before the first section is kept
  auto& entries = sections.back().Entries;
  const auto eq = line.find(u'=');
  if (eq == std::u16string_view::npos)
    entries.push_back({std::u16string(line), {}, false});
  else
    entries.push_back({std::u16string(Trim(line.substr(0, eq))), std::u16string(Trim(line.substr(eq + 1))), true});
}

int HexDigit(char16_t c) {
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (c >= u'a' && c <= u'f') return c - u'a' + 10;
  if (c >= u'A' && c <= u'F') return c - u'A' + 10;
  return -1;
}

std::optional<std::int32_t> ParseHexPattern(std::u16string_view digits) {
  if (digits.empty() || digits.size() > 8) return std::nullopt;
  std::uint32_t pattern = 0;
  for (const char16_t c : digits) {
    const int digit = HexDigit(c);
    if (digit < 0) return std::nullopt;
    pattern = pattern << 4 | static_cast<std::uint32_t>(digit);
  }
  return static_cast<std::int32_t>(pattern);
}

// Shared by the reading and the writing side, hence templates over constness.
template <class Sections>
auto* LastSection(Sections& sections, std::u16string_view name) {
  for (auto it = sections.rbegin(); it != sections.rend(); ++it)
    if (SameName(it->Name, name)) return &*it;
  return static_cast<decltype(&*sections.rbegin())>(nullptr);
}

template <class Section>
auto* LastEntry(Section& section, std::u16string_view key) {
  for (auto it = section.Entries.rbegin(); it != section.Entries.rend(); ++it)
    if (it->HasValue && SameName(it->Key, key)) return &*it;
  return static_cast<decltype(&*section.Entries.rbegin())>(nullptr);
}

}  // namespace

IniEncoding DetectIniEncoding(std::string_view bytes) {
  if (StartsWith(bytes, "\xFF\xFE")) return IniEncoding::Utf16WithMark;
  if (StartsWith(bytes, "\xEF\xBB\xBF")) return IniEncoding::Utf8WithMark;
  if (bytes.find('\0') != std::string_view::npos) return IniEncoding::Utf16;
  return IsValidUtf8(bytes) ? IniEncoding::Utf8 : IniEncoding::Ansi;
}

std::u16string DecodeIniText(std::string_view bytes, AnsiDecoder ansi) {
  switch (DetectIniEncoding(bytes)) {
    case IniEncoding::Utf16WithMark: return UpToNul(Utf16Text(bytes.substr(2)));
    case IniEncoding::Utf16: return UpToNul(Utf16Text(bytes));
    case IniEncoding::Utf8WithMark: return UpToNul(FromUtf8(bytes.substr(3)));
    case IniEncoding::Utf8: return FromUtf8(bytes);
    case IniEncoding::Ansi: return UpToNul(ansi ? ansi(bytes) : Latin1Text(bytes));
  }
  return {};
}

IniImage IniImage::Parse(std::string_view bytes, AnsiDecoder ansi) {
  const std::u16string text = DecodeIniText(bytes, ansi);
  IniImage image;
  std::size_t start = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != u'\r' && text[i] != u'\n') continue;
    AddLine(image.Sections, std::u16string_view(text).substr(start, i - start));
    if (text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') ++i;
    start = i + 1;
  }
  AddLine(image.Sections, std::u16string_view(text).substr(start));
  return image;
}

std::string IniImage::Serialize() const {
  std::string bytes = "\xFF\xFE";
  const auto put = [&bytes](std::u16string_view s) {
    for (const char16_t c : s) {
      bytes += static_cast<char>(c & 0xFF);
      bytes += static_cast<char>(c >> 8);
    }
  };
  for (const auto& section : Sections) {
    put(u"[");
    put(section.Name);
    put(u"]\r\n");
    for (const auto& entry : section.Entries) {
      put(entry.Key);
      if (entry.HasValue) {
        put(u"=");
        put(entry.Value);
      }
      put(u"\r\n");
    }
    put(u"\r\n");
  }
  return bytes;
}

const IniEntry* IniImage::Find(std::u16string_view section, std::u16string_view key) const {
  const auto* found = LastSection(Sections, section);
  return found ? LastEntry(*found, key) : nullptr;
}

std::u16string IniImage::ReadString(std::u16string_view section, std::u16string_view key,
                                    std::u16string_view defaultValue) const {
  const auto* entry = Find(section, key);
  return std::u16string(entry ? std::u16string_view(entry->Value) : defaultValue);
}

std::int32_t IniImage::ReadInteger(std::u16string_view section, std::u16string_view key,
                                   std::int32_t defaultValue) const {
  const auto* entry = Find(section, key);
  return entry ? ParseIniInteger(entry->Value).value_or(defaultValue) : defaultValue;
}

bool IniImage::ReadBool(std::u16string_view section, std::u16string_view key, bool defaultValue) const {
  const auto* entry = Find(section, key);
  if (!entry) return defaultValue;
  const auto value = ParseIniInteger(entry->Value);
  return value ? *value != 0 : defaultValue;
}

void IniImage::WriteString(std::u16string_view section, std::u16string_view key, std::u16string_view value) {
  value = value.substr(0, value.find_first_of(std::u16string_view(u"\r\n\0", 3)));
  auto* target = LastSection(Sections, section);
  if (!target) target = &Sections.emplace_back(IniSection{std::u16string(section), {}});
  if (auto* entry = LastEntry(*target, key))
    *entry = {std::u16string(key), std::u16string(value), true};
  else
    target->Entries.push_back({std::u16string(key), std::u16string(value), true});
}

void IniImage::WriteInteger(std::u16string_view section, std::u16string_view key, std::int32_t value) {
  WriteString(section, key, FormatIniInteger(value));
}

void IniImage::WriteBool(std::u16string_view section, std::u16string_view key, bool value) {
  WriteString(section, key, value ? u"1" : u"0");
}

std::optional<std::int32_t> ParseIniInteger(std::u16string_view text) {
  if (text.starts_with(u'$')) return ParseHexPattern(text.substr(1));
  if (text.starts_with(u"0x") || text.starts_with(u"0X")) return ParseHexPattern(text.substr(2));
  bool negative = false;
  if (text.starts_with(u'+') || text.starts_with(u'-')) {
    negative = text.front() == u'-';
    text.remove_prefix(1);
  }
  if (text.empty()) return std::nullopt;
  std::int64_t magnitude = 0;
  for (const char16_t c : text) {
    if (c < u'0' || c > u'9') return std::nullopt;
    magnitude = magnitude * 10 + (c - u'0');
    if (magnitude > std::int64_t{1} << 31) return std::nullopt;
  }
  const std::int64_t value = negative ? -magnitude : magnitude;
  if (value > INT32_MAX) return std::nullopt;
  return static_cast<std::int32_t>(value);
}

std::u16string FormatIniInteger(std::int32_t value) {
  const std::string digits = std::to_string(value);
  return {digits.begin(), digits.end()};
}
