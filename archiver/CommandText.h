// The command text of the archiver interface, taken apart and turned into the
// argument list the 7-Zip engine gets. Plain C++ on UTF-8 text, so that it is
// also built and tested natively; the disk and the processes are the caller's.
#pragma once
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace archiver {

// Blanks separate; double quotes group and are dropped; "" is an empty
// argument. A backslash is an ordinary character ("C:\data\" ends in one).
// False, with a reason, when a quote is left open.
bool SplitCommandText(std::string_view text, std::vector<std::string>& args, std::string& error);

// command [switches] archive [base\] [names]
struct ParsedCommand {
  std::string command;                 // lower case: a, u, d, x, e, l, t, ...
  std::vector<std::string> switches;   // as written, the leading '-' included
  std::string archive;
  bool hasBase = false;
  std::string base;                    // ends in '\' or is empty
  std::vector<std::string> names;      // relative to the base folder when there is one
};

// Switches are recognised only before the archive name (and never after "--"),
// so that every later argument is a name even when it begins with '-' or '@'.
bool ParseCommand(const std::vector<std::string>& args, ParsedCommand& out, std::string& error);

// Commands whose names are files on disk, not entries of the archive.
bool TakesDiskNames(std::string_view command);
bool HasWildcard(std::string_view name);
// "C:\x", "\\server\share", "\x" (root of the current drive).
bool IsAbsoluteWindowsPath(std::string_view path);

// How the engine gets the paths of switches (-o, -w, list files): absolute
// ones as the system makes them full, relative ones from the base folder, as
// the names are. The names themselves stay as written: relative names are
// stored in the archive as they are given.
struct PathStyle {
  // A path -> its full form; empty when it cannot be made.
  std::function<std::string(const std::string&)> absolute;
  std::function<std::string(const std::string&)> relative;
};

// The engine's arguments, as its console takes them.
struct EnginePlan {
  std::vector<std::string> main;
  std::string archive;  // the archive, as the engine gets it
};

// exactItems[i]: names[i] has no wildcard and names an existing file or folder;
// such a name is passed as a non-recursive include so that it means that item
// only, whatever -r says. False, with a reason, when a path cannot be converted.
bool BuildEnginePlan(const ParsedCommand& cmd, const std::string& archivePath,
                     const std::vector<bool>& exactItems, const PathStyle& style,
                     EnginePlan& plan, std::string& error);

// The end of a UTF-8 text cut to at most max bytes without splitting a character.
size_t Utf8CutPoint(std::string_view text, size_t max);

}  // namespace archiver
