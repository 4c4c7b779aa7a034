// Text, file and handle helpers that every part of the library uses. Windows only.
#pragma once
#include <windows.h>

#include <memory>
#include <string>
#include <string_view>

namespace archiver {

std::string U8(std::wstring_view s);        // UTF-16 to UTF-8
std::wstring Wide(std::string_view s);      // UTF-8 to UTF-16
std::wstring FullPath(const std::wstring& path);  // empty when the system cannot make one

struct HandleCloser {
  void operator()(HANDLE h) const {
    if (h && h != INVALID_HANDLE_VALUE) CloseHandle(h);
  }
};
using UniqueHandle = std::unique_ptr<void, HandleCloser>;
inline UniqueHandle Own(HANDLE h) { return UniqueHandle(h == INVALID_HANDLE_VALUE ? nullptr : h); }

std::wstring Env(const wchar_t* name);
bool IsFile(const std::wstring& path);
bool Exists(const std::wstring& path);
std::wstring ModuleFolder(HMODULE module);  // ends in a backslash
HINSTANCE LibraryInstance();                // this library's own module

std::string ReadWholeFile(const std::wstring& path);
bool WriteWholeFile(const std::wstring& path, const std::string& data);

// Reads a file that another process is still writing, a piece at a time.
class GrowingFile {
 public:
  explicit GrowingFile(std::wstring path) : path_(std::move(path)) {}
  std::string ReadNew();  // what was added since the last call; empty while the file is missing

 private:
  std::wstring path_;
  UniqueHandle file_;
};

// A private folder for one run's script and output files, removed with everything in it.
class TempFolder {
 public:
  TempFolder();                                                // a new one in the system's temporary folder
  TempFolder(const std::wstring& parent, const std::wstring& name);  // parent\name, made new
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  bool Ok() const { return !path_.empty(); }
  std::wstring File(const wchar_t* name) const { return path_ + L"\\" + name; }
  const std::wstring& Path() const { return path_; }
  // Another process removes it: left as it is here (until reclaimed).
  void Release() { released_ = true; }
  void Reclaim() { released_ = false; }

 private:
  std::wstring path_;
  bool released_ = false;
};

}  // namespace archiver
