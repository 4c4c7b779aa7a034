// Splits the process command line the way this program has always read it
// (not CommandLineToArgvW: a backslash never escapes a quote here, so "D:\" is D:\).
#pragma once
#include <string>
#include <string_view>
#include <vector>

// Every item, the program's own name first; the list ends at the first item that comes out empty.
std::vector<std::u16string> SplitCommandLine(std::u16string_view line);
