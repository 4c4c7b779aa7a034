// How the archiver library's version numbers are shown: hundredths, so
// 920 and 2 read 9.20.0.02.
#pragma once
#include <cstdint>
#include <string>

std::u16string VersionText(std::uint16_t version, std::uint16_t subVersion);
