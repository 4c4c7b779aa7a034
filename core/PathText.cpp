#include "PathText.h"

namespace {
constexpr std::u16string_view kSeparators = u"\\:";
}

std::u16string FolderPart(std::u16string_view path) {
  const auto pos = path.find_last_of(kSeparators);
  return pos == std::u16string_view::npos ? std::u16string() : std::u16string(path.substr(0, pos + 1));
}

std::u16string NamePart(std::u16string_view path) {
  const auto pos = path.find_last_of(kSeparators);
  return std::u16string(pos == std::u16string_view::npos ? path : path.substr(pos + 1));
}

std::u16string ReplaceExtension(std::u16string_view path, std::u16string_view ext) {
  const auto pos = path.find_last_of(u".\\:");
  std::u16string result(pos != std::u16string_view::npos && path[pos] == u'.' ? path.substr(0, pos) : path);
  result += ext;
  return result;
}
