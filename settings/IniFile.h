// The settings file's text codec: an in-memory image of an INI file in UTF-16LE.
// Plain standard C++ so that it also builds natively under the sanitizers; the
// Windows side (SettingsFile.h) only moves the bytes between the image and the disk.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct IniEntry {
  std::u16string Key;    // trimmed text before the first '='; the whole line when !HasValue
  std::u16string Value;  // trimmed text after the first '='
  bool HasValue = true;  // false: a line without '=' kept as it stands, which never matches a key

  bool operator==(const IniEntry&) const = default;
};

struct IniSection {
  std::u16string Name;
  std::vector<IniEntry> Entries;

  bool operator==(const IniSection&) const = default;
};

// Section and key names compare without regard to ASCII letter case; when a name
// occurs more than once, the last occurrence is the one read and written.
class IniImage {
 public:
  // Bytes of a file: an FF FE mark is skipped when present, the rest is UTF-16LE in any
  // case (an odd last byte is ignored), and a NUL ends the text.
  static IniImage Parse(std::string_view bytes);
  // FF FE, then per section "[name]", its entries and one empty line, all ending in CR LF.
  std::string Serialize() const;

  std::u16string ReadString(std::u16string_view section, std::u16string_view key,
                            std::u16string_view defaultValue) const;
  std::int32_t ReadInteger(std::u16string_view section, std::u16string_view key,
                           std::int32_t defaultValue) const;
  bool ReadBool(std::u16string_view section, std::u16string_view key, bool defaultValue) const;

  // Replaces the entry in place, spelled as given here, or appends it to the section,
  // appending the section itself when it is missing. A value is cut at its first CR, LF or
  // NUL: it is stored on one line, and must not be able to add lines of its own.
  void WriteString(std::u16string_view section, std::u16string_view key, std::u16string_view value);
  void WriteInteger(std::u16string_view section, std::u16string_view key, std::int32_t value);
  void WriteBool(std::u16string_view section, std::u16string_view key, bool value);

  std::vector<IniSection> Sections;

  bool operator==(const IniImage&) const = default;

 private:
  const IniEntry* Find(std::u16string_view section, std::u16string_view key) const;
};

// The integer syntax of the file: an optional sign and decimal digits within the 32-bit
// signed range, or "$"/"0x"/"0X" and one to eight hex digits taken as a 32-bit pattern.
// Anything else, empty text included, gives nothing.
std::optional<std::int32_t> ParseIniInteger(std::u16string_view text);
// Plain decimal, "-" for negative values.
std::u16string FormatIniInteger(std::int32_t value);
