// Under Wine: Windows and Unix forms of paths, and the Linux processes the
// library starts. Everything here answers "none" on Windows itself.
#pragma once
#include <windows.h>

#include <string>

namespace archiver {

bool UnderWine();
std::wstring DosPath(const std::string& unixPath);  // empty when not under Wine
std::string UnixPath(std::wstring path);            // empty when it cannot be made
const std::wstring& ShellPath();                    // /bin/sh in its Windows form
bool LinuxProcessAlive(DWORD pid);

}  // namespace archiver
