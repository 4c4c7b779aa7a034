// libFuzzer target over the archiver library's command text: the text of every profile a
// user writes into the settings file goes through it. Besides the sanitizers it checks the
// parser's own promises: splitting fails exactly on an open quote and reads back what it
// split, the parts of a parsed command account for every argument, the engine's argument
// list holds the archive after "--" and Unix separators in its names, the quoting reads
// back unchanged under the shell's and Windows' rules, and a cut never splits a character.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "CommandText.h"

using namespace archiver;

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// A Windows path as the Linux engine would get it; some paths cannot be converted.
std::string ToUnix(const std::string& path) {
  if (path.find('?') != std::string::npos) return {};
  std::string out = "/z";
  for (char c : path) out += c == '\\' ? '/' : c;
  return out;
}

// /bin/sh's reading of one word made only of single-quoted stretches and \' between them.
std::string ShellRead(std::string_view word) {
  std::string out;
  size_t i = 0;
  while (i < word.size()) {
    if (word[i] == '\'') {
      const size_t end = word.find('\'', i + 1);
      Check(end != std::string_view::npos);
      out += word.substr(i + 1, end - i - 1);
      i = end + 1;
    } else {
      Check(word[i] == '\\' && i + 1 < word.size());
      out += word[i + 1];
      i += 2;
    }
  }
  return out;
}

// The usual argv rules for one argument that starts with a quote: 2n backslashes before a
// quote are n backslashes and the quote toggles quoting, 2n+1 are n and a literal quote.
std::string WindowsRead(std::string_view arg) {
  std::string out;
  bool quoted = false;
  size_t i = 0;
  while (i < arg.size()) {
    size_t backslashes = 0;
    while (i < arg.size() && arg[i] == '\\') ++backslashes, ++i;
    if (i < arg.size() && arg[i] == '"') {
      out.append(backslashes / 2, '\\');
      if (backslashes % 2) out += '"';
      else quoted = !quoted;
      ++i;
    } else {
      out.append(backslashes, '\\');
      if (i < arg.size()) {
        Check(quoted || !IsBlank(arg[i]));  // a blank outside quotes would end the argument
        out += arg[i++];
      }
    }
  }
  Check(!quoted);
  return out;
}

void CheckQuoting(const std::string& text) {
  const std::string shell = ShellQuote(text);
  Check(shell.size() >= 2 && shell.front() == '\'');
  Check(ShellRead(shell) == text);
  const std::string windows = WindowsQuote(text);
  Check(windows.size() >= 2 && windows.front() == '"' && windows.back() == '"');
  Check(WindowsRead(windows) == text);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);

  std::vector<std::string> args;
  std::string error;
  const bool split = SplitCommandText(text, args, error);
  size_t quotes = 0;
  for (char c : text) quotes += c == '"';
  Check(split == (quotes % 2 == 0));
  CheckQuoting(text);
  const size_t cut = Utf8CutPoint(text, size / 2);
  Check(cut <= size / 2 && (cut == size || (static_cast<unsigned char>(text[cut]) & 0xC0) != 0x80 || cut == 0));
  Check(ParseEngineVersion(text) <= 65535);
  if (!split) return 0;

  // Every argument between quotes, one blank apart, splits into the same arguments.
  std::string joined;
  for (const auto& arg : args) {
    Check(arg.find('"') == std::string::npos);
    joined += "\"" + arg + "\" ";
  }
  std::vector<std::string> again;
  Check(SplitCommandText(joined, again, error) && again == args);

  ParsedCommand cmd;
  if (!ParseCommand(args, cmd, error)) return 0;
  Check(!cmd.archive.empty());
  Check(!cmd.hasBase || cmd.base.empty() || cmd.base.back() == '\\');
  for (const auto& sw : cmd.switches) Check(sw.size() > 1 && sw[0] == '-');
  // What is not a switch, the command, the archive, the base or a name is the "--" that
  // ended the switches.
  const size_t parts = 1 + cmd.switches.size() + 1 + (cmd.hasBase ? 1 : 0) + cmd.names.size();
  Check(parts == args.size() || (parts + 1 == args.size() && std::count(args.begin(), args.end(), "--") > 0));
  Check(std::equal(cmd.names.begin(), cmd.names.end(), args.end() - static_cast<std::ptrdiff_t>(cmd.names.size())));

  std::vector<bool> exact;
  for (size_t i = 0; i < cmd.names.size(); ++i) exact.push_back(data[i % size] & 1);
  PathStyle style{true, ToUnix};
  EnginePlan plan;
  const std::string archive = "C:\\work\\" + std::to_string(size) + ".zip";
  if (!BuildEnginePlan(cmd, archive, exact, style, plan, error)) return 0;
  Check(!plan.main.empty() && plan.main[0] == cmd.command);
  // The names that are not exact items follow the archive, which follows "--".
  size_t positional = 0;
  for (size_t i = 0; i < cmd.names.size(); ++i) positional += !(TakesDiskNames(cmd.command) && exact[i]);
  Check(plan.main.size() >= positional + 3);
  const size_t at = plan.main.size() - positional - 2;
  Check(plan.main[at] == "--" && plan.main[at + 1] == ToUnix(archive));
  for (size_t i = at + 2; i < plan.main.size(); ++i) Check(plan.main[i].find('\\') == std::string::npos);
  Check(plan.check.empty() == !WritesArchive(cmd.command));
  for (const auto& arg : plan.main) CheckQuoting(arg);
  return 0;
}
