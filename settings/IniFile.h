// The settings file's text codec: an in-memory image of an INI file, written in UTF-16LE.
// Plain standard C++ so that it also builds natively under the sanitizers; the
// Windows side (SettingsFile.h) only moves the bytes between the image and the disk.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// How the bytes of a settings file are taken, decided from the bytes alone, in this order:
// FF FE, then EF BB BF, then any NUL byte (UTF-16LE without its mark), then valid UTF-8.
// A file people edit by hand is as likely UTF-8 or ANSI as UTF-16, and taking it for
// UTF-16 would lose every setting in it.
enum class IniEncoding { Utf16WithMark, Utf8WithMark, Utf16, Utf8, Ansi };
IniEncoding DetectIniEncoding(std::string_view bytes);

// Decodes text in the system's ANSI code page. Portable code has none, so the Windows
// side passes one in; without one each byte is taken as the character of that code.
using AnsiDecoder = std::u16string (*)(std::string_view bytes);

// The text of the file: its mark dropped, cut at the first NUL character. An odd last
// byte of UTF-16 is ignored; a malformed UTF-8 sequence after EF BB BF becomes U+FFFD.
std::u16string DecodeIniText(std::string_view bytes, AnsiDecoder ansi = nullptr);

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
  // Bytes of a file in any of the encodings above (DecodeIniText).
  static IniImage Parse(std::string_view bytes, AnsiDecoder ansi = nullptr);
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
