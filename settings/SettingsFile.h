// The settings file beside the executable. Every use reads the file afresh into an
// image and, for writers, stores the whole image back; nothing is kept in between.
#pragma once
#include <optional>
#include <string>

#include "IniFile.h"

// The executable's full path with its extension replaced by ".ini", asked anew each time.
std::wstring SettingsFilePath();

// A missing file (or folder) gives an empty image. A file that exists but cannot be
// read throws Exception "ファイル <path> は開けません。 <system text> ".
IniImage ReadSettingsFile(const std::wstring& path = SettingsFilePath());

// For the readers at start-up: a file that cannot be read is reported through the
// application's error display and gives nothing; the caller takes the defaults, so the
// program stays usable, and must not store over that file at exit, which would replace
// every setting in it with a default.
std::optional<IniImage> ReadSettingsFileReported();

// Writes the image completely to a temporary file in the same folder and only then puts
// it in the place of the old file, so a failure never leaves a truncated file behind.
// A symbolic link is followed: its target is replaced and the link stays. Where no file
// can be made beside it, an existing file is rewritten in place instead. Temporary files
// that interrupted stores left behind are removed. When the file cannot be written
// (read-only, in use, no permission) it throws Exception
// "ファイル "<path>" を作成できません。<system text>" and the old file stays as it was.
void StoreSettingsFile(const IniImage& image, const std::wstring& path = SettingsFilePath());
