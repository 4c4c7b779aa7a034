// What the engine said went wrong, taken out of everything it prints. Plain
// C++ on UTF-8 text, built and tested natively too.
#pragma once
#include <string>
#include <string_view>

namespace archiver {

// The engine's output without its banner, its routine report (scanning,
// counts, sizes, "Everything is Ok") and its blank lines and rules: what is
// left are its warnings and errors with the items they name, and the
// library's own closing line. Lines end in "\n".
std::string EngineComplaint(std::string_view output);

}  // namespace archiver
