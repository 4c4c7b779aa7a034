// One command run in this process by 7-Zip's own archive layer: its command
// line parser, then its update, test, extract or list operation with the
// library's callbacks. An archive it writes reaches its final name only once
// it has been tested and flushed. Windows only; no window code.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "CallState.h"

namespace archiver {

struct EngineOutcome {
  enum class Kind {
    Ok,
    Warnings,     // done, but items were left out or changed while read
    Failed,       // the engine reported an error; nothing was changed
    CheckFailed,  // the archive written failed its test: it was not put in place
    BadCommand,   // the command cannot be run (the engine's parser said why)
    Cancelled,    // the user cancelled; an existing archive is as it was
    NoPassword,   // a password was needed and the command gave none
    OutOfMemory,
    Internal,
  };
  Kind kind = Kind::Ok;
  std::wstring said;     // the engine's own words on what went wrong, a line each
  std::wstring why;      // the outcome in a line, when it is not Ok
  std::wstring listing;  // what `l` lists
  std::wstring archive;  // the archive's final full path, once known
};

// args: the engine's arguments, as its console takes them (command, switches,
// "--", the archive's full path, names). base: the folder that relative names
// are taken from, a full path ending in '\'. Never throws.
EngineOutcome RunEngineCommand(const std::vector<std::wstring>& args, const std::wstring& base, CallState& state);

// The engine compiled in, in hundredths (26.02 -> 2602).
WORD EngineVersion();

}  // namespace archiver
