#include "SettingsFile.h"

#include <windows.h>

#include <algorithm>
#include <climits>
#include <cwchar>
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

// Text in the system's ANSI code page, for a settings file that is neither UTF-16 nor UTF-8.
std::u16string AnsiText(std::string_view bytes) {
  if (bytes.empty() || bytes.size() > INT_MAX) return {};
  const int size = static_cast<int>(bytes.size());
  std::wstring text(static_cast<size_t>(MultiByteToWideChar(CP_ACP, 0, bytes.data(), size, nullptr, 0)), L'\0');
  text.resize(static_cast<size_t>(MultiByteToWideChar(CP_ACP, 0, bytes.data(), size, text.data(), static_cast<int>(text.size()))));
  return U16(text);
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

// The whole content into an open file, on disk when it returns ERROR_SUCCESS.
DWORD WriteContent(HANDLE file, const std::string& bytes) {
  if (!WriteAll(file, bytes) || !SetEndOfFile(file) || !FlushFileBuffers(file)) return GetLastError();
  return ERROR_SUCCESS;
}

// The file a path stands for: a symbolic link's target, so that a store replaces the
// target and the link stays a link. The path itself when it names nothing (yet).
std::wstring RealFile(const std::wstring& path) {
  const auto file = Adopt(CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                      OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (!file) return path;
  std::wstring final(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = GetFinalPathNameByHandleW(file.get(), final.data(), static_cast<DWORD>(final.size()), 0);
    if (n == 0) return path;
    if (n < final.size()) {
      final.resize(n);
      break;
    }
    final.resize(n + 1);
  }
  if (final.starts_with(L"\\\\?\\UNC\\")) return L"\\" + final.substr(7);
  if (final.starts_with(L"\\\\?\\")) return final.substr(4);
  return final;
}

// Temporary files of stores that never finished (the program was killed or the machine
// stopped in between): "<name>.<process id>.tmp" beside the file, left by no running process.
void RemoveStaleTemporaries(const std::wstring& file) {
  const std::wstring folder = W(FolderPart(U16(file)));
  const std::wstring prefix = W(NamePart(U16(file))) + L".";
  WIN32_FIND_DATAW data;
  const HANDLE find = FindFirstFileW((file + L".*.tmp").c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return;
  do {
    const std::wstring name = data.cFileName;
    if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || name.size() <= prefix.size() + 4 ||
        _wcsnicmp(name.c_str(), prefix.c_str(), prefix.size()) != 0 || _wcsicmp(name.c_str() + name.size() - 4, L".tmp") != 0)
      continue;
    const std::wstring id = name.substr(prefix.size(), name.size() - prefix.size() - 4);
    if (id.empty() || id.size() > 10 || id.find_first_not_of(L"0123456789") != std::wstring::npos) continue;
    const DWORD pid = static_cast<DWORD>(std::wcstoul(id.c_str(), nullptr, 10));
    if (pid != GetCurrentProcessId()) {
      // Another copy of the program may be in the middle of its own store.
      const auto process = Adopt(OpenProcess(SYNCHRONIZE, FALSE, pid));
      if (process && WaitForSingleObject(process.get(), 0) == WAIT_TIMEOUT) continue;
    }
    DeleteFileW((folder + name).c_str());
  } while (FindNextFileW(find, &data));
  FindClose(find);
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
  return IniImage::Parse(bytes, AnsiText);
}

std::optional<IniImage> ReadSettingsFileReported() {
  try {
    return ReadSettingsFile();
  } catch (const Exception& e) {
    Application.ShowException(e);
    return std::nullopt;
  }
}

void StoreSettingsFile(const IniImage& image, const std::wstring& path) {
  const std::wstring target = RealFile(path);
  // Replacing by rename does not stop at the read-only attribute everywhere, so look first:
  // a read-only settings file is one that must not be rewritten.
  const DWORD attributes = GetFileAttributesW(target.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)))
    ThrowCreateError(path, ERROR_ACCESS_DENIED);
  RemoveStaleTemporaries(target);

  // The new content goes completely into a file of its own beside the old one, which is
  // replaced only once that file is whole and on disk. The process id keeps two running
  // copies from writing into the same temporary file.
  const std::string bytes = image.Serialize();
  const std::wstring temp = target + L"." + std::to_wstring(GetCurrentProcessId()) + L".tmp";
  auto tempFile =
      Adopt(CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!tempFile) {
    // No file can be made beside it (a folder without write permission that holds a
    // writable file): rewriting the file itself still keeps the settings.
    const DWORD tempError = GetLastError();
    const auto file = Adopt(CreateFileW(target.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) ThrowCreateError(path, attributes == INVALID_FILE_ATTRIBUTES ? tempError : GetLastError());
    if (const DWORD error = WriteContent(file.get(), bytes); error != ERROR_SUCCESS) ThrowCreateError(path, error);
    return;
  }
  DWORD error = WriteContent(tempFile.get(), bytes);
  tempFile.reset();  // closed before it can take the file's place
  if (error == ERROR_SUCCESS &&
      !MoveFileExW(temp.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
    error = GetLastError();
  if (error != ERROR_SUCCESS) {
    DeleteFileW(temp.c_str());
    ThrowCreateError(path, error);
  }
}
