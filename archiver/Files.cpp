#include "Files.h"

#include <atomic>

#include "Utf8.h"
#include "WideText.h"

namespace archiver {

std::string U8(std::wstring_view s) { return ToUtf8(U16(s)); }
std::wstring Wide(std::string_view s) { return W(FromUtf8(s)); }

std::wstring FullPath(const std::wstring& path) {
  DWORD n = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
  if (n == 0) return {};
  std::wstring full(n, L'\0');
  n = GetFullPathNameW(path.c_str(), n, full.data(), nullptr);
  full.resize(n);
  return full;
}

std::wstring Env(const wchar_t* name) {
  DWORD n = GetEnvironmentVariableW(name, nullptr, 0);
  if (n == 0) return {};
  std::wstring v(n, L'\0');
  n = GetEnvironmentVariableW(name, v.data(), n);
  v.resize(n);
  return v;
}

bool IsFile(const std::wstring& path) {
  DWORD a = GetFileAttributesW(path.c_str());
  return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

bool Exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::wstring ModuleFolder(HMODULE module) {
  std::wstring path(MAX_PATH, L'\0');
  while (true) {
    DWORD n = GetModuleFileNameW(module, path.data(), static_cast<DWORD>(path.size()));
    if (n == 0) return {};
    if (n < path.size()) {
      path.resize(n);
      break;
    }
    path.resize(path.size() * 2);
  }
  return path.substr(0, path.find_last_of(L"\\/") + 1);
}

HINSTANCE LibraryInstance() {
  static const HINSTANCE self = [] {
    HMODULE m = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCWSTR>(&LibraryInstance), &m);
    return m;
  }();
  return self;
}

std::string ReadWholeFile(const std::wstring& path) {
  UniqueHandle f = Own(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                   nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  std::string data;
  if (!f) return data;
  char buf[65536];
  DWORD got = 0;
  while (ReadFile(f.get(), buf, sizeof buf, &got, nullptr) && got > 0) data.append(buf, got);
  return data;
}

bool WriteWholeFile(const std::wstring& path, const std::string& data) {
  UniqueHandle f = Own(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  DWORD wrote = 0;
  return f && WriteFile(f.get(), data.data(), static_cast<DWORD>(data.size()), &wrote, nullptr) &&
         wrote == data.size();
}

std::string GrowingFile::ReadNew() {
  if (!file_) {
    file_ = Own(CreateFileW(path_.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                            nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file_) return {};
  }
  std::string data;
  char buf[16384];
  DWORD got = 0;
  while (ReadFile(file_.get(), buf, sizeof buf, &got, nullptr) && got > 0) data.append(buf, got);
  return data;
}

TempFolder::TempFolder() {
  static std::atomic<unsigned> counter{0};
  wchar_t base[MAX_PATH + 1];
  DWORD n = GetTempPathW(MAX_PATH + 1, base);
  if (n == 0 || n > MAX_PATH) return;
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::wstring p = std::wstring(base, n) + L"7z32-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                     std::to_wstring(counter++) + L"-" + std::to_wstring(GetTickCount64() % 100000);
    if (CreateDirectoryW(p.c_str(), nullptr)) {
      path_ = p;
      return;
    }
    if (GetLastError() != ERROR_ALREADY_EXISTS) return;
  }
}

TempFolder::TempFolder(const std::wstring& parent, const std::wstring& name) {
  const std::wstring p = parent + L"\\" + name;
  if (CreateDirectoryW(p.c_str(), nullptr)) path_ = p;
}

namespace {

// Removes a folder and what is in it. A link to a folder is removed as a
// link, never followed.
void RemoveTree(const std::wstring& path) {
  WIN32_FIND_DATAW fd;
  HANDLE find = FindFirstFileW((path + L"\\*").c_str(), &fd);
  if (find != INVALID_HANDLE_VALUE) {
    do {
      const std::wstring name = fd.cFileName;
      if (name == L"." || name == L"..") continue;
      const std::wstring item = path + L"\\" + name;
      if ((fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && !(fd.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
        RemoveTree(item);
      else if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
        RemoveDirectoryW(item.c_str());
      else
        DeleteFileW(item.c_str());
    } while (FindNextFileW(find, &fd));
    FindClose(find);
  }
  RemoveDirectoryW(path.c_str());
}

}  // namespace

TempFolder::~TempFolder() {
  if (!path_.empty() && !released_) RemoveTree(path_);
}

}  // namespace archiver
