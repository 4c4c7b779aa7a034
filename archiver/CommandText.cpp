#include "CommandText.h"

#include <algorithm>
#include <cctype>

namespace archiver {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

std::string Lower(std::string_view s) {
  std::string r(s);
  for (char& c : r) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return r;
}

bool StartsWithNoCase(std::string_view s, std::string_view prefix) {
  return s.size() >= prefix.size() && Lower(s.substr(0, prefix.size())) == prefix;
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

class PathMapper {
 public:
  PathMapper(const PathStyle& style, std::string& error) : style_(style), error_(error) {}
  bool Map(const std::string& path, std::string& out) {
    if (IsAbsoluteWindowsPath(path)) {
      out = style_.absolute ? style_.absolute(path) : path;
      if (out.empty()) {
        error_ = "cannot convert the path for the engine: " + path;
        return false;
      }
      return true;
    }
    out = path;
    if (style_.unixSeparators) std::replace(out.begin(), out.end(), '\\', '/');
    return true;
  }

 private:
  const PathStyle& style_;
  std::string& error_;
};

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

bool WritesArchive(std::string_view command) {
  return command == "a" || command == "u" || command == "d" || command == "rn";
}

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
  PathMapper mapper(style, error);
  std::string mapped;

  std::vector<std::string>& m = plan.main;
  m.push_back(cmd.command);
  bool haveCharset = false;
  bool volumes = false;
  std::vector<std::string> passwords;
  for (const std::string& sw : cmd.switches) {
    std::string low = Lower(sw);
    if (StartsWithNoCase(sw, "-scc")) haveCharset = true;
    if (low.rfind("-v", 0) == 0) volumes = true;
    if (sw.rfind("-p", 0) == 0) passwords.push_back(sw);  // -p is case-sensitive: -P is not a switch
    size_t at = FilterValueStart(sw);
    if (at != std::string::npos) {
      if (!mapper.Map(sw.substr(at), mapped)) return false;
      m.push_back(sw.substr(0, at) + mapped);
    } else if ((low.rfind("-o", 0) == 0 || low.rfind("-w", 0) == 0) && sw.size() > 2) {
      if (!mapper.Map(sw.substr(2), mapped)) return false;
      m.push_back(sw.substr(0, 2) + mapped);
    } else {
      m.push_back(sw);
    }
  }
  // The output goes to a file; ask for UTF-8 there whatever the console would be.
  if (!haveCharset) m.push_back("-sccUTF-8");

  std::vector<std::string> positional;
  for (size_t i = 0; i < cmd.names.size(); ++i) {
    if (!mapper.Map(cmd.names[i], mapped)) return false;
    // -r also searches every subfolder for a plain name; an include with r-
    // keeps an existing item to exactly itself.
    if (TakesDiskNames(cmd.command) && i < exactItems.size() && exactItems[i]) {
      while (mapped.size() > 1 && (mapped.back() == '/' || mapped.back() == '\\')) mapped.pop_back();
      m.push_back("-ir-!" + mapped);
    }
    else
      positional.push_back(mapped);
  }
  std::string archive;
  if (!mapper.Map(archivePath, archive)) return false;
  // "--" ends switch and list-file parsing: names beginning with '-' or '@' are names.
  plan.archive = archive;
  m.push_back("--");
  m.push_back(archive);
  m.insert(m.end(), positional.begin(), positional.end());

  if (WritesArchive(cmd.command)) {
    std::vector<std::string>& c = plan.check;
    c.push_back("t");
    c.insert(c.end(), passwords.begin(), passwords.end());
    c.push_back("-sccUTF-8");
    c.push_back("--");
    c.push_back(volumes ? archive + ".001" : archive);
  }
  return true;
}

unsigned ParseEngineVersion(std::string_view banner) {
  size_t at = banner.find("7-Zip");
  if (at == std::string_view::npos) return 0;
  std::string_view line = banner.substr(at + 5);
  line = line.substr(0, line.find('\n'));
  auto digit = [&](size_t i) { return i < line.size() && std::isdigit(static_cast<unsigned char>(line[i])); };
  // The first "major.minor" on the banner line; other numbers ("[64]") are skipped.
  for (size_t i = 0; i < line.size(); ++i) {
    if (!digit(i) || (i > 0 && digit(i - 1))) continue;
    unsigned major = 0;
    size_t j = i;
    for (; digit(j); ++j) major = major * 10 + static_cast<unsigned>(line[j] - '0');
    if (j - i > 3 || j >= line.size() || line[j] != '.' || !digit(j + 1)) continue;
    unsigned minor = static_cast<unsigned>(line[j + 1] - '0');
    if (digit(j + 2)) minor = minor * 10 + static_cast<unsigned>(line[j + 2] - '0');
    else minor *= 10;  // "9.2" reads as 9.20
    return std::min(major * 100 + minor, 65535u);
  }
  return 0;
}

std::string ShellQuote(std::string_view text) {
  std::string r = "'";
  for (char c : text) {
    if (c == '\'') r += "'\\''";
    else r += c;
  }
  return r + "'";
}

std::string WindowsQuote(std::string_view text) {
  std::string r = "\"";
  size_t backslashes = 0;
  for (char c : text) {
    if (c == '\\') {
      ++backslashes;
      continue;
    }
    if (c == '"') r.append(backslashes * 2 + 1, '\\');
    else r.append(backslashes, '\\');
    backslashes = 0;
    r += c;
  }
  r.append(backslashes * 2, '\\');
  return r + "\"";
}

size_t Utf8CutPoint(std::string_view text, size_t max) {
  if (text.size() <= max) return text.size();
  size_t i = max;
  while (i > 0 && (static_cast<unsigned char>(text[i]) & 0xC0) == 0x80) --i;
  return i;
}

}  // namespace archiver
