// UTF-16 <-> UTF-8 as code page 65001 does it on Windows Vista and later:
// an unpaired surrogate or a malformed UTF-8 sequence becomes U+FFFD.
#pragma once
#include <string>
#include <string_view>

std::string ToUtf8(std::u16string_view text);
std::u16string FromUtf8(std::string_view text);
// True when every byte belongs to a well-formed sequence: no overlong form, no
// surrogate, nothing past U+10FFFF, no sequence cut short.
bool IsValidUtf8(std::string_view text);
