#include "Jobs.h"

#include <shlobj.h>

#include <algorithm>
#include <memory>
#include <optional>
#include <vector>

#include "ArchiveCommand.h"
#include "Archiver.h"
#include "CompressionSettings.h"
#include "JobHost.h"
#include "PathText.h"
#include "Shoperation.h"
#include "StringList.h"
#include "Utf8.h"
#include "WideText.h"

bool LastJobSucceeded = true;

namespace {

struct HandleCloser {
  void operator()(HANDLE h) const { CloseHandle(h); }
};
using UniqueHandle = std::unique_ptr<void, HandleCloser>;

UniqueHandle OpenExisting(const std::wstring& path, DWORD access, DWORD share, DWORD flags) {
  HANDLE h = CreateFileW(path.c_str(), access, share, nullptr, OPEN_EXISTING, flags, nullptr);
  return UniqueHandle(h == INVALID_HANDLE_VALUE ? nullptr : h);
}

std::wstring FullPath(const std::wstring& path) {
  if (path.empty()) return {};
  const DWORD n = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
  if (n == 0) return {};
  std::wstring full(n, L'\0');
  const DWORD m = GetFullPathNameW(path.c_str(), n, full.data(), nullptr);
  if (m == 0 || m >= n) return {};
  full.resize(m);
  return full;
}

// The name the file system itself gives an existing item: links, short names
// and case differences resolved. Empty when the item cannot be opened.
std::wstring FinalPath(const std::wstring& path) {
  const auto h = OpenExisting(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, FILE_FLAG_BACKUP_SEMANTICS);
  if (!h) return {};
  std::wstring out(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = GetFinalPathNameByHandleW(h.get(), out.data(), static_cast<DWORD>(out.size()), 0);
    if (n == 0) return {};
    if (n < out.size()) {
      out.resize(n);
      return out;
    }
    out.resize(n + 1);
  }
}

bool EqualNoCase(std::wstring_view a, std::wstring_view b) {
  return a.size() == b.size() &&
         CompareStringOrdinal(a.data(), static_cast<int>(a.size()), b.data(), static_cast<int>(b.size()), TRUE) ==
             CSTR_EQUAL;
}

std::wstring WithoutTrailingSeparators(std::wstring s) {
  while (!s.empty() && (s.back() == L'\\' || s.back() == L'/')) s.pop_back();
  return s;
}

bool CompressJob(JobHost& host, const std::wstring& source, bool folder) {
  const std::u16string src = U16(source);
  const std::wstring name = W(NamePart(src));
  const wchar_t* const okPrefix = folder ? L"[DirectoryOK] " : L"[FileOK] ";
  const wchar_t* const ngPrefix = folder ? L"[DirectoryNG] " : L"[FileNG] ";

  std::optional<std::u16string> dest;
  const std::u16string fileExt = U16(host.Settings().FileExt());
  if (host.Settings().GetDestFolderMode() == DestFolderMode::SpecifiedFolder) dest = U16(host.Settings().DestFolder());
  const ArchivePath archive = MakeArchivePath(folder, src, fileExt, dest);

  // Looked up for every job. A library without it cannot run the job: that is
  // a failed job, reported like any other.
  const auto sevenZip = ArchiverEntry<SevenZipFunction>(ArchiverModule, "SevenZip");
  if (!sevenZip) {
    host.AppendLog(ngPrefix + name);
    return false;
  }

  host.SetCaption((folder ? L"[圧縮中/Directory] " : L"[圧縮中/File] ") + name);
  host.SetEnabled(false);

  JobForm form = JobForm::File;
  if (folder) form = host.Settings().TopFolderCompress() ? JobForm::FolderWithTop : JobForm::FolderContents;
  // Sized to the text: a long command is passed whole, never cut.
  const std::string command = ComposeCommand(form, ToUtf8(U16(host.Settings().SelectedProfile())), archive.Utf8(), src);
  std::vector<char> output(65536);
  const int code =
      host.CallLibrary([&] { return sevenZip(host.OwnerWindow(), command.c_str(), output.data(), 0xFFFF); });

  const bool ok = code == 0;
  host.AppendLog((ok ? okPrefix : ngPrefix) + name);
  // A window that is closing, or was asked to during the call, may lose its settings
  // any moment; keeping the source is the safe side then.
  if (ok && !host.Closing() && host.Settings().DelFile() && !ArchiveInsideSource(W(archive.Text()), source))
    DeleteSource(host, source);

  host.SetEnabled(true);
  host.SetCaption(L"完了.");
  return ok;
}

}  // namespace

std::optional<bool> ProcessPath(JobHost& host, const std::wstring& path) {
  host.ProcessMessages();
  // A close that ran during the dispatch has unloaded the library and freed the settings.
  if (host.Closing()) return std::nullopt;

  std::optional<bool> result;
  switch (ClassifyPath(path)) {
    case PathKind::ZipArchive:
    case PathKind::SevenZipArchive:
      result = RenameArchive(host, path);
      break;
    case PathKind::PlainFile:
      result = CompressFile(host, path);
      break;
    case PathKind::Folder:
      result = CompressFolder(host, path);
      break;
    case PathKind::Unreadable:
      break;
  }
  if (result) LastJobSucceeded = *result;
  const std::wstring folder = W(FolderPart(U16(path)));
  SHChangeNotify(SHCNE_UPDATEDIR, SHCNF_PATHW, folder.c_str(), nullptr);
  return result;
}

PathKind ClassifyPath(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) return PathKind::Folder;
  if (path.empty()) return PathKind::Unreadable;

  const auto file = OpenExisting(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, FILE_ATTRIBUTE_NORMAL);
  if (!file) return PathKind::Unreadable;
  unsigned char head[2] = {};
  DWORD got = 0;
  if (!ReadFile(file.get(), head, sizeof head, &got, nullptr) || got < sizeof head) return PathKind::PlainFile;
  if (head[0] == 'P' && head[1] == 'K') return PathKind::ZipArchive;
  if (head[0] == '7' && head[1] == 'z') return PathKind::SevenZipArchive;
  return PathKind::PlainFile;
}

bool RenameArchive(JobHost& host, const std::wstring& path) {
  const std::u16string old = U16(path);
  const std::wstring renamed = W(ReplaceExtension(old, U16(host.Settings().FileExt())));
  const bool ok = MoveFileW(path.c_str(), renamed.c_str()) != FALSE;
  host.AppendLog((ok ? L"[RenameOK] " : L"[RenameNG] ") + W(NamePart(old)));
  return ok;
}

bool CompressFile(JobHost& host, const std::wstring& source) { return CompressJob(host, source, false); }

bool CompressFolder(JobHost& host, const std::wstring& source) { return CompressJob(host, source, true); }

void DeleteSource(JobHost& host, const std::wstring& path) {
  // The shell expands wildcards and would take a root or a parent reference
  // for a whole tree: only a full path that ends in the item's own name goes on.
  if (path.empty() || path.find_first_of(L"*?") != std::wstring::npos) return;
  const auto realName = [](const std::u16string& name) { return name.find_first_not_of(u". ") != name.npos; };
  // Both the name as given ("C:" alone means a current folder, "x\.." a parent)
  // and the name after resolving must be the item's own.
  const std::wstring full = FullPath(path);
  if (full.empty() || !realName(NamePart(U16(path))) || !realName(NamePart(U16(full)))) return;
  if (full.rfind(L"\\\\", 0) == 0 && std::count(full.begin(), full.end(), L'\\') < 4) return;  // \\server\share
  if (GetFileAttributesW(full.c_str()) == INVALID_FILE_ATTRIBUTES) return;

  TStringList names{full};
  if (host.Settings().GetDeleteMode() == DeleteMode::RecycleBin)
    host.Shop().Delete(names);
  else
    host.Shop().DeleteNoUndo(names);
}

bool ArchiveInsideSource(const std::wstring& archive, const std::wstring& source) {
  std::wstring a = FinalPath(archive);
  std::wstring s = FinalPath(source);
  if (a.empty() || s.empty()) {
    a = FullPath(archive);
    s = FullPath(source);
  }
  if (a.empty() || s.empty()) return true;  // cannot tell: keep the source
  s = WithoutTrailingSeparators(s);
  a = WithoutTrailingSeparators(a);
  if (EqualNoCase(a, s)) return true;
  return a.size() > s.size() && a[s.size()] == L'\\' && EqualNoCase(std::wstring_view(a).substr(0, s.size()), s);
}
