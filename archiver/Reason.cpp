#include "Reason.h"

#include <array>

namespace archiver {

namespace {

bool StartsWith(std::string_view s, std::string_view prefix) { return s.substr(0, prefix.size()) == prefix; }

bool IsRoutine(std::string_view line) {
  static constexpr std::array<std::string_view, 22> kRoutine = {
      "7-Zip ",         "Scanning the drive",    "Creating archive:",   "Updating archive:",
      "Open archive:",  "Add new data to archive:", "Keep old data in archive:", "Files read from disk:",
      "Archive size:",  "Everything is Ok",      "Testing archive:",    "Path = ",
      "Type = ",        "Physical Size = ",      "Folders: ",           "Files: ",
      "Size: ",         "Compressed: ",          "Items to compress:",  "Extracting archive:",
      "--",             "Headers Size = "};
  for (std::string_view r : kRoutine)
    if (StartsWith(line, r)) return true;
  if (line.find("locale=") != std::string_view::npos) return true;
  // "1 folder, 2 files, 4 bytes (1 KiB)", "30 files, ..."
  size_t digits = 0;
  while (digits < line.size() && line[digits] >= '0' && line[digits] <= '9') ++digits;
  if (digits > 0 && (StartsWith(line.substr(digits), " folder") || StartsWith(line.substr(digits), " file")))
    return true;
  return line.find_first_not_of("- \t") == std::string_view::npos;  // blank or a rule
}

}  // namespace

std::string EngineComplaint(std::string_view output) {
  std::string kept;
  while (!output.empty()) {
    size_t end = output.find('\n');
    std::string_view line = output.substr(0, end);
    output = end == std::string_view::npos ? std::string_view() : output.substr(end + 1);
    while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) line.remove_suffix(1);
    if (IsRoutine(line)) continue;
    kept.append(line);
    kept += '\n';
  }
  return kept;
}

}  // namespace archiver
