#include "BatchText.h"

#include <algorithm>

#include "PathText.h"

namespace headless {

std::vector<std::u16string> BatchPaths(const std::vector<std::u16string>& arguments) {
  // Morvel lower-cases the first argument before it compares: "/N" is the switch too.
  const bool quiet = !arguments.empty() && (arguments[0] == u"/n" || arguments[0] == u"/N");
  return {arguments.begin() + (quiet ? 1 : 0), arguments.end()};
}

namespace {

// "[" letters "OK] " or "NG] ", then the name.
std::optional<bool> ResultFailed(std::u16string_view line) {
  if (line.size() < 2 || line[0] != u'[') return std::nullopt;
  size_t i = 1;
  while (i < line.size() && ((line[i] >= u'A' && line[i] <= u'Z') || (line[i] >= u'a' && line[i] <= u'z'))) ++i;
  // At least one letter before "OK" or "NG": "[OK] x" is not a job's line.
  if (i < 4 || (line.substr(i - 2, 4) != u"OK] " && line.substr(i - 2, 4) != u"NG] ")) return std::nullopt;
  return line[i - 2] == u'N';
}

}  // namespace

bool IsResultLine(std::u16string_view line) { return ResultFailed(line).has_value(); }
bool IsFailedLine(std::u16string_view line) { return ResultFailed(line).value_or(false); }

std::optional<std::u16string> JobName(std::u16string_view caption) {
  for (std::u16string_view prefix : {u"[圧縮中/File] ", u"[圧縮中/Directory] "})
    if (caption.substr(0, prefix.size()) == prefix) return std::u16string(caption.substr(prefix.size()));
  return std::nullopt;
}

JobCursor::JobCursor(std::vector<std::u16string> paths) : paths_(std::move(paths)) {
  // Morvel reads '/' as a separator in command-line paths, as Windows does.
  for (auto& p : paths_) std::replace(p.begin(), p.end(), u'/', u'\\');
}

void JobCursor::Caption(std::u16string_view caption) {
  const std::optional<std::u16string> name = JobName(caption);
  if (!name) {
    name_.clear();
    return;
  }
  if (*name == name_) return;  // the same job, seen again
  name_ = *name;
  for (size_t i = number_; i < paths_.size(); ++i) {
    if (NamePart(paths_[i]) == name_) {
      number_ = i + 1;
      return;
    }
  }
}

std::u16string ProgressText(size_t number, size_t count, std::u16string_view progressTitle, std::u16string_view jobName) {
  std::string n = "[" + std::to_string(number) + "/" + std::to_string(count) + "] ";
  std::u16string text(n.begin(), n.end());
  text += progressTitle.empty() ? jobName : progressTitle;
  return text;
}

std::optional<std::u16string> MorvelCommandLine(std::u16string_view program, const std::vector<std::u16string>& arguments) {
  std::u16string line = u"\"" + std::u16string(program) + u"\"";
  for (const auto& a : arguments) {
    // Morvel's splitter has no escape character, and an empty argument ends its list.
    if (a.empty() || a.find(u'"') != std::u16string::npos) return std::nullopt;
    line += u" \"" + a + u"\"";
  }
  if (line.size() >= kCommandLineLimit) return std::nullopt;
  return line;
}

bool TimeIsUp(unsigned long long elapsedMs, unsigned long long limitMs) { return limitMs != 0 && elapsedMs > limitMs; }

}  // namespace headless
