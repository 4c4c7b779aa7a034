#include "SettingsFile.h"

#include <windows.h>

#include <algorithm>
#include <memory>

#include "Exception.h"
#include "Forms.h"
#include "PathText.h"
#include "WideText.h"

namespace {

struct HandleCloser {
  void operator()(HANDLE h) const { CloseHandle(h); }
};
using UniqueHandle = std::unique_ptr<void, HandleCloser>;

UniqueHandle Adopt(HANDLE h) { return UniqueHandle(h == INVALID_HANDLE_VALUE ? nullptr : h); }

struct LocalFreer {
  void operator()(wchar_t* p) const { LocalFree(p); }
};

// The system's own text for an error, without the line end it carries, so that it can
// stand inside a sentence.
std::wstring SystemErrorText(DWORD error) {
  wchar_t* buffer = nullptr;
  const DWORD length = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                          FORMAT_MESSAGE_IGNORE_INSERTS,
                                      nullptr, error, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  const std::unique_ptr<wchar_t, LocalFreer> owner(buffer);
  if (length == 0 || !buffer) return std::to_wstring(error);
  std::wstring text(buffer, length);
  while (!text.empty() && text.back() <= L' ') text.pop_back();
  return text;
}

[[noreturn]] void ThrowOpenError(const std::wstring& path, DWORD error) {
  throw Exception(L"ファイル " + path + L" は開けません。 " + SystemErrorText(error) + L" ");
}

[[noreturn]] void ThrowCreateError(const std::wstring& path, DWORD error) {
  throw Exception(L"ファイル \"" + path + L"\" を作成できません。" + SystemErrorText(error));
}

bool WriteAll(HANDLE file, const std::string& bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1 << 20));
    DWORD written = 0;
    if (!WriteFile(file, bytes.data() + done, chunk, &written, nullptr) || written == 0) return false;
    done += written;
  }
  return true;
}

// Creates the file anew with exactly these bytes, on disk when it returns ERROR_SUCCESS.
DWORD WriteWholeFile(const std::wstring& path, const std::string& bytes) {
  const auto file =
      Adopt(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return GetLastError();
  if (!WriteAll(file.get(), bytes) || !FlushFileBuffers(file.get())) return GetLastError();
  return ERROR_SUCCESS;
}

}  // namespace

std::wstring SettingsFilePath() {
  std::wstring module(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = GetModuleFileNameW(nullptr, module.data(), static_cast<DWORD>(module.size()));
    if (length == 0) ThrowOpenError(L".ini", GetLastError());
    if (length < module.size()) {
      module.resize(length);
      break;
    }
    module.resize(module.size() * 2);  // the path was cut: ask again with more room
  }
  return W(ReplaceExtension(U16(module), u".ini"));
}

IniImage ReadSettingsFile(const std::wstring& path) {
  // Sharing writers too: a file that some editor keeps open is still readable.
  const auto file = Adopt(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) {
    const DWORD error = GetLastError();
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return {};
    ThrowOpenError(path, error);
  }
  std::string bytes;
  char buffer[64 * 1024];
  for (;;) {
    DWORD got = 0;
    if (!ReadFile(file.get(), buffer, sizeof buffer, &got, nullptr)) ThrowOpenError(path, GetLastError());
    if (got == 0) break;
    bytes.append(buffer, got);
  }
  return IniImage::Parse(bytes);
}

IniImage ReadSettingsFileOrDefaults() {
  try {
    return ReadSettingsFile();
  } catch (const Exception& e) {
    Application.ShowException(e);
    return {};
  }
}

void StoreSettingsFile(const IniImage& image, const std::wstring& path) {
  // Replacing by rename does not stop at the read-only attribute everywhere, so look first:
  // a read-only settings file is one that must not be rewritten.
  const DWORD attributes = GetFileAttributesW(path.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)))
    ThrowCreateError(path, ERROR_ACCESS_DENIED);

  // The new content goes completely into a file of its own beside the old one, which is
  // replaced only once that file is whole and on disk. The process id keeps two running
  // copies from writing into the same temporary file.
  const std::wstring temp = path + L"." + std::to_wstring(GetCurrentProcessId()) + L".tmp";
  DWORD error = WriteWholeFile(temp, image.Serialize());
  if (error == ERROR_SUCCESS && !MoveFileExW(temp.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
    error = GetLastError();
  if (error != ERROR_SUCCESS) {
    DeleteFileW(temp.c_str());
    ThrowCreateError(path, error);
  }
}
