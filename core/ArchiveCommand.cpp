#include "ArchiveCommand.h"

#include "PathText.h"
#include "Utf8.h"

namespace {

// The text is formatted with "%s": a piece ends at its first zero byte.
std::string_view UpToNul(std::string_view s) { return s.substr(0, s.find('\0')); }

std::string Quoted(std::string_view s) {
  std::string out = "\"";
  out += UpToNul(s);
  out += '"';
  return out;
}

}  // namespace

std::u16string ArchivePath::Text() const {
  std::u16string out;
  for (const auto& p : pieces) out += p;
  return out;
}

std::string ArchivePath::Utf8() const {
  std::string out;
  for (const auto& p : pieces) out += ToUtf8(p);
  return out;
}

ArchivePath MakeArchivePath(bool folder, std::u16string_view source, std::u16string_view fileExt,
                            std::optional<std::u16string_view> destFolder) {
  ArchivePath path;
  auto& pieces = path.pieces;
  if (destFolder) {
    pieces.emplace_back(*destFolder);
    if (ToUtf8(*destFolder).size() != 3) pieces.emplace_back(u"\\");
    pieces.push_back(folder ? NamePart(source) : ReplaceExtension(NamePart(source), u""));
  } else if (folder) {
    pieces.push_back(FolderPart(source));
    pieces.push_back(NamePart(source));
  } else {
    pieces.push_back(ReplaceExtension(source, u""));
  }
  pieces.emplace_back(fileExt);
  return path;
}

std::string ComposeCommand(JobForm form, std::string_view templ, std::string_view archive,
                           std::u16string_view source) {
  std::string out(UpToNul(templ));
  out += ' ';
  out += Quoted(archive);
  out += ' ';
  switch (form) {
    case JobForm::File:
      out += Quoted(ToUtf8(FolderPart(source)));
      out += ' ';
      out += Quoted(ToUtf8(NamePart(source)));
      break;
    case JobForm::FolderWithTop:
      out += Quoted(ToUtf8(FolderPart(source)));
      out += ' ';
      out += Quoted(std::string(UpToNul(ToUtf8(NamePart(source)))) + "\\*");
      break;
    case JobForm::FolderContents: {
      std::u16string base(source);
      base += u'\\';
      out += Quoted(ToUtf8(base));
      out += " *";
      break;
    }
  }
  return out;
}
