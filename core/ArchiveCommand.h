// The command text a compression job hands to the archiver library, byte for byte.
// Every piece is converted to UTF-8 on its own before the pieces are joined.
#pragma once
#include <optional>
#include <string>
#include <string_view>
#include <vector>

enum class JobForm {
  File,            // T "archive" "folder\" "name"
  FolderWithTop,   // T "archive" "parent\" "name\*"
  FolderContents,  // T "archive" "folder\" *
};

// The archive path as the UTF-16 pieces it is made of; the library receives the
// UTF-8 forms of the pieces joined, the deletion guard works on the UTF-16 text.
struct ArchivePath {
  std::vector<std::u16string> pieces;
  std::u16string Text() const;
  std::string Utf8() const;
};

// destFolder empty (nullopt) puts the archive next to the source. A file loses
// its extension, a folder keeps its whole name; fileExt is appended as given.
// A "\" follows destFolder unless its UTF-8 form is exactly 3 bytes (a drive root).
ArchivePath MakeArchivePath(bool folder, std::u16string_view source, std::u16string_view fileExt,
                            std::optional<std::u16string_view> destFolder);

// templ and archive are UTF-8 already; source is the input path as given.
std::string ComposeCommand(JobForm form, std::string_view templ, std::string_view archive,
                           std::u16string_view source);
