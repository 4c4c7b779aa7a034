// The runner's one output stream, standard output, as UTF-8 lines. The log
// lines stand as they are; a line that begins with a control character is for
// the launcher, which shows it on the terminal instead: U+0001 the progress
// line (its text, empty to clear it), U+0002 a note for the person.
#pragma once
#include <string>

namespace headless {

void PrintLine(const std::wstring& text);
void PrintProgress(const std::wstring& text);
void PrintNote(const std::wstring& text);

}  // namespace headless
