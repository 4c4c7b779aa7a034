#include "Progress.h"

namespace archiver {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

std::string_view Trim(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

}  // namespace

void ProgressReader::Feed(std::string_view bytes) {
  for (char c : bytes) {
    // A backspace or a line end closes a record; the blanks that erase one
    // on the screen are only blanks here.
    if (c == '\b' || c == '\n') {
      Record(pending_);
      pending_.clear();
    } else if (pending_.size() < 4096) {
      pending_ += c;
    }
  }
}

// "NN%", then optionally a file count, then optionally an operation mark and
// the item's name. Anything else (the scan's "0M Scan", blanks) is passed over.
void ProgressReader::Record(std::string_view record) {
  std::string_view r = Trim(record);
  size_t digits = 0;
  while (digits < r.size() && digits < 3 && r[digits] >= '0' && r[digits] <= '9') ++digits;
  if (digits == 0 || digits >= r.size() || r[digits] != '%') return;
  int value = 0;
  for (size_t i = 0; i < digits; ++i) value = value * 10 + (r[i] - '0');
  if (value > 100) return;
  if (value > percent_) percent_ = value;
  std::string_view rest = Trim(r.substr(digits + 1));
  while (!rest.empty() && rest.front() >= '0' && rest.front() <= '9') rest.remove_prefix(1);
  rest = Trim(rest);
  // The marks the engine puts before a name: + add, U update, = copy, R rename,
  // D delete, T test, A analyse, . other.
  if (rest.size() > 2 && rest[1] == ' ' && std::string_view("+U=RDTA.").find(rest[0]) != std::string_view::npos)
    item_ = std::string(Trim(rest.substr(2)));
}

namespace {

bool IsProgressRecord(std::string_view r) {
  size_t d = 0;
  while (d < r.size() && r[d] >= '0' && r[d] <= '9') ++d;
  if (d == 0 || d >= r.size()) return false;
  if (r[d] == '%') return true;
  // The scan's counter: "0M Scan", "12M Scan  /some/folder"
  return r.substr(d, 6) == "M Scan";
}

}  // namespace

std::string NonProgressText(std::string_view stream) {
  std::string text;
  size_t start = 0;
  while (start <= stream.size()) {
    size_t end = stream.find_first_of("\b\n", start);
    if (end == std::string_view::npos) end = stream.size();
    std::string_view record = Trim(stream.substr(start, end - start));
    if (!record.empty() && !IsProgressRecord(record)) {
      text.append(record);
      text += '\n';
    }
    start = end + 1;
  }
  return text;
}

}  // namespace archiver
