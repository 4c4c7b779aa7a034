// Path text helpers: they look at the text of a path only and never touch the disk.
// The separators are '\' and ':' (so "C:" alone is a folder part).
#pragma once
#include <string>
#include <string_view>

// Up to and including the last separator; empty when there is none.
std::u16string FolderPart(std::u16string_view path);
// After the last separator; the whole path when there is none.
std::u16string NamePart(std::u16string_view path);
// Cuts the text after the last '.' when that dot comes after every separator,
// then appends ext exactly as given (no dot is added).
std::u16string ReplaceExtension(std::u16string_view path, std::u16string_view ext);
