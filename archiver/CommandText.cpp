#include "CommandText.h"

#include <cctype>

namespace archiver {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

std::string Lower(std::string_view s) {
  std::string r(s);
  for (char& c : r) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return r;
}

// The commands that name an archive; 7-Zip's others (b, h, i) have no use here.
bool IsArchiveCommand(std::string_view c) {
  return c == "a" || c == "u" || c == "d" || c == "rn" || c == "x" || c == "e" || c == "l" ||
         c == "t";
}

// Where an include/exclude switch (-i, -x, -ai, -ax, each with r, r- or r0)
// starts its list file ('@') or its wildcard ('!'); npos for other switches.
size_t FilterValueStart(std::string_view sw) {
  std::string s = Lower(sw);
  size_t i;
  if (s.rfind("-ai", 0) == 0 || s.rfind("-ax", 0) == 0) i = 3;
  else if (s.rfind("-i", 0) == 0 || s.rfind("-x", 0) == 0) i = 2;
  else return std::string::npos;
  if (i < s.size() && s[i] == 'r') {
    ++i;
    if (i < s.size() && (s[i] == '-' || s[i] == '0')) ++i;
  }
  if (i < s.size() && (s[i] == '@' || s[i] == '!')) return i + 1;
  return std::string::npos;
}

// Absolute paths of switches are made full; relative ones are the base
// folder's. Names are not passed through here.
bool MapSwitchPath(const PathStyle& style, const std::string& path, std::string& out, std::string& error) {
  const auto& map = IsAbsoluteWindowsPath(path) ? style.absolute : style.relative;
  out = map ? map(path) : path;
  if (out.empty()) {
    error = "cannot make a full path of: " + path;
    return false;
  }
  return true;
}

}  // namespace

bool SplitCommandText(std::string_view text, std::vector<std::string>& args, std::string& error) {
  args.clear();
  size_t i = 0;
  while (true) {
    while (i < text.size() && IsBlank(text[i])) ++i;
    if (i == text.size()) return true;
    std::string arg;
    bool quoted = false;
    for (; i < text.size() && (quoted || !IsBlank(text[i])); ++i) {
      if (text[i] == '"') quoted = !quoted;
      else arg += text[i];
    }
    if (quoted) {
      error = "a double quote is not closed";
      return false;
    }
    args.push_back(std::move(arg));
  }
}

bool ParseCommand(const std::vector<std::string>& args, ParsedCommand& out, std::string& error) {
  out = ParsedCommand{};
  bool switchesEnded = false;
  bool haveArchive = false;
  size_t i = 0;
  for (; i < args.size() && !haveArchive; ++i) {
    const std::string& a = args[i];
    if (!switchesEnded && a == "--") {
      switchesEnded = true;
    } else if (!switchesEnded && a.size() > 1 && a[0] == '-') {
      out.switches.push_back(a);
    } else if (out.command.empty()) {
      out.command = Lower(a);
      if (!IsArchiveCommand(out.command)) {
        error = "unknown command \"" + a + "\" (expected a, u, d, rn, x, e, l or t)";
        return false;
      }
    } else {
      if (a.empty()) {
        error = "the archive name is empty";
        return false;
      }
      out.archive = a;
      haveArchive = true;
    }
  }
  if (out.command.empty()) {
    error = "no command";
    return false;
  }
  if (!haveArchive) {
    error = "no archive name";
    return false;
  }
  // The base folder is the argument right after the archive, recognised by its
  // trailing backslash (or by being empty: the current folder).
  if (i < args.size() && (args[i].empty() || args[i].back() == '\\')) {
    out.hasBase = true;
    out.base = args[i++];
  }
  out.names.assign(args.begin() + static_cast<std::ptrdiff_t>(i), args.end());
  return true;
}

bool TakesDiskNames(std::string_view command) { return command == "a" || command == "u"; }

bool HasWildcard(std::string_view name) { return name.find_first_of("*?") != std::string_view::npos; }

bool IsAbsoluteWindowsPath(std::string_view p) {
  if (p.size() >= 3 && std::isalpha(static_cast<unsigned char>(p[0])) && p[1] == ':' &&
      (p[2] == '\\' || p[2] == '/'))
    return true;
  return !p.empty() && (p[0] == '\\' || p[0] == '/');
}

bool BuildEnginePlan(const ParsedCommand& cmd, const std::string& archivePath,
                     const std::vector<bool>& exactItems, const PathStyle& style,
                     EnginePlan& plan, std::string& error) {
  plan = EnginePlan{};
  std::string mapped;
  std::vector<std::string>& m = plan.main;
  m.push_back(cmd.command);
  for (const std::string& sw : cmd.switches) {
    std::string low = Lower(sw);
    size_t at = FilterValueStart(sw);
    if (at != std::string::npos && sw[at - 1] == '@') {
      // A list file is read from the disk; a wildcard (!) is matched as the names are.
      if (!MapSwitchPath(style, sw.substr(at), mapped, error)) return false;
      m.push_back(sw.substr(0, at) + mapped);
    } else if ((low.rfind("-o", 0) == 0 || low.rfind("-w", 0) == 0) && sw.size() > 2) {
      if (!MapSwitchPath(style, sw.substr(2), mapped, error)) return false;
      m.push_back(sw.substr(0, 2) + mapped);
    } else {
      m.push_back(sw);
    }
  }

  std::vector<std::string> positional;
  for (size_t i = 0; i < cmd.names.size(); ++i) {
    std::string name = cmd.names[i];
    // -r also searches every subfolder for a plain name; an include with r-
    // keeps an existing item to exactly itself.
    if (TakesDiskNames(cmd.command) && i < exactItems.size() && exactItems[i]) {
      while (name.size() > 1 && (name.back() == '/' || name.back() == '\\')) name.pop_back();
      m.push_back("-ir-!" + name);
    } else {
      positional.push_back(name);
    }
  }
  // "--" ends switch and list-file parsing: names beginning with '-' or '@' are names.
  plan.archive = archivePath;
  m.push_back("--");
  m.push_back(archivePath);
  m.insert(m.end(), positional.begin(), positional.end());
  return true;
}

size_t Utf8CutPoint(std::string_view text, size_t max) {
  if (text.size() <= max) return text.size();
  size_t i = max;
  while (i > 0 && (static_cast<unsigned char>(text[i]) & 0xC0) == 0x80) --i;
  return i;
}

}  // namespace archiver
