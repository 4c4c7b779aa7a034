// The settings file beside the executable. Every use reads the file afresh into an
// image and, for writers, stores the whole image back; nothing is kept in between.
#pragma once
#include <string>

#include "IniFile.h"

// The executable's full path with its extension replaced by ".ini", asked anew each time.
std::wstring SettingsFilePath();

// A missing file (or folder) gives an empty image. A file that exists but cannot be
// read throws Exception "ファイル <path> は開けません。 <system text> ".
IniImage ReadSettingsFile(const std::wstring& path = SettingsFilePath());

// For the readers at start-up: a file that cannot be read is reported through the
// application's error display and then treated as missing, so every key takes its
// default and the program stays usable.
IniImage ReadSettingsFileOrDefaults();

// Writes the image completely to a temporary file in the same folder and only then puts
// it in the place of the old file, so a failure never leaves a truncated file behind.
// When the file cannot be written (read-only, in use, no permission) it throws Exception
// "ファイル "<path>" を作成できません。<system text>" and the old file stays as it was.
void StoreSettingsFile(const IniImage& image, const std::wstring& path = SettingsFilePath());
