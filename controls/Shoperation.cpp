#include "Shoperation.h"

#include <memory>

#include "Forms.h"
#include "NameList.h"

TSHOperation::FileOperationFunction TSHOperation::ShellFileOperation = SHFileOperationW;
TSHOperation::BrowseForFolderFunction TSHOperation::ShellBrowseForFolder = SHBrowseForFolderW;

namespace {

template <typename T>
struct ComRelease {
  void operator()(T* p) const { p->Release(); }
};
template <typename T>
using ComPtr = std::unique_ptr<T, ComRelease<T>>;

// Item lists come from the shell's task allocator and go back to it.
struct PidlFree {
  IMalloc* allocator;
  void operator()(ITEMIDLIST* p) const { allocator->Free(p); }
};
using UniquePidl = std::unique_ptr<ITEMIDLIST, PidlFree>;

using NameList = std::unique_ptr<wchar_t[]>;

// The browser works with 260-unit buffers; a longer text is not cut but
// passed as an empty one.
void CopyPath(const std::wstring& text, wchar_t (&buffer)[MAX_PATH]) {
  buffer[0] = L'\0';
  if (text.size() < MAX_PATH) text.copy(buffer, text.size()), buffer[text.size()] = L'\0';
}

// Null on failure: the shell could not make an item list of the text.
UniquePidl Parse(IShellFolder& desktop, IMalloc& allocator, const std::wstring& text) {
  wchar_t buffer[MAX_PATH];
  CopyPath(text, buffer);
  PIDLIST_RELATIVE pidl = nullptr;
  if (FAILED(desktop.ParseDisplayName(nullptr, nullptr, buffer, nullptr, &pidl, nullptr))) pidl = nullptr;
  return UniquePidl(pidl, PidlFree{&allocator});
}

}  // namespace

TSHOperation::TSHOperation(TComponent* owner) : TComponent(owner) {}

TSHOperation::~TSHOperation() = default;

wchar_t* TSHOperation::CreateNameList(const TStringList& list) { return NewNameList<wchar_t>(list).release(); }

bool TSHOperation::Operate(UINT function, const TStringList* destinations, const TStringList& sources,
                           FILEOP_FLAGS flags) {
  NameList to;
  if (destinations) {
    to.reset(CreateNameList(*destinations));
    if (!to) return false;
  }
  const NameList from(CreateNameList(sources));
  if (!from) return false;

  SHFILEOPSTRUCTW op = {};
  op.hwnd = WindowHandle();
  op.wFunc = function;
  op.pFrom = from.get();
  op.pTo = to.get();
  op.fFlags = flags;
  op.fAnyOperationsAborted = TRUE;
  op.hNameMappings = nullptr;
  op.lpszProgressTitle = nullptr;
  return ShellFileOperation(&op) == 0;
}

bool TSHOperation::Delete(const TStringList& paths) {
  return Operate(FO_DELETE, nullptr, paths, FOF_ALLOWUNDO | FOF_NOCONFIRMATION | FOF_SILENT);
}

bool TSHOperation::DeleteNoUndo(const TStringList& paths) {
  return Operate(FO_DELETE, nullptr, paths, FOF_NOCONFIRMATION | FOF_SILENT);
}

namespace {
FILEOP_FLAGS ListFlags(const TStringList& destinations) {
  return FOF_ALLOWUNDO | (destinations.Count() > 1 ? FOF_MULTIDESTFILES : 0);
}
}  // namespace

bool TSHOperation::Move(const TStringList& destinations, const TStringList& sources) {
  return Operate(FO_MOVE, &destinations, sources, ListFlags(destinations));
}

bool TSHOperation::Copy(const TStringList& destinations, const TStringList& sources) {
  return Operate(FO_COPY, &destinations, sources, ListFlags(destinations));
}

bool TSHOperation::Rename(const TStringList& newNames, const TStringList& oldNames) {
  return Operate(FO_RENAME, &newNames, oldNames, ListFlags(newNames));
}

bool TSHOperation::Move(const std::wstring& destination, const TStringList& sources) {
  return Move(TStringList{destination}, sources);
}

bool TSHOperation::Copy(const std::wstring& destination, const TStringList& sources) {
  return Copy(TStringList{destination}, sources);
}

bool TSHOperation::Rename(const std::wstring& newName, const std::wstring& oldName) {
  return Move(TStringList{newName}, TStringList{oldName});
}

bool TSHOperation::BrowseFolder() {
  IMalloc* rawAllocator = nullptr;
  if (FAILED(SHGetMalloc(&rawAllocator)) || !rawAllocator) return false;
  const ComPtr<IMalloc> allocator(rawAllocator);

  IShellFolder* rawDesktop = nullptr;
  if (FAILED(SHGetDesktopFolder(&rawDesktop)) || !rawDesktop) return false;
  const ComPtr<IShellFolder> desktop(rawDesktop);

  UniquePidl root(nullptr, PidlFree{allocator.get()});
  if (!Root.empty()) {
    root = Parse(*desktop, *allocator, Root);
    if (!root) return false;
  }
  UniquePidl selection(nullptr, PidlFree{allocator.get()});
  if (!FolderName.empty()) {
    selection = Parse(*desktop, *allocator, FolderName);
    if (!selection) return false;
  }

  wchar_t path[MAX_PATH] = {};
  BROWSEINFOW info = {};
  info.hwndOwner = WindowHandle();
  info.pidlRoot = root.get();
  info.pszDisplayName = path;
  info.lpszTitle = Title.c_str();
  info.ulFlags = Flags;
  info.lpfn = BrowseCallback;
  info.lParam = reinterpret_cast<LPARAM>(selection.get());
  info.iImage = 0;

  UniquePidl chosen(nullptr, PidlFree{allocator.get()});
  {
    TModalRun run(EndSystemDialogs);
    chosen.reset(ShellBrowseForFolder(&info));
  }
  if (!chosen) return false;
  // An item without a file-system path (possible with other Flags) is no
  // folder name: FolderName keeps its value and the browse counts as failed.
  if (!SHGetPathFromIDListW(chosen.get(), path)) return false;
  FolderName = path;
  return true;
}

int CALLBACK TSHOperation::BrowseCallback(HWND window, UINT message, LPARAM, LPARAM data) {
  if (message == BFFM_INITIALIZED) SendMessageW(window, BFFM_SETSELECTIONW, FALSE, data);
  return 0;
}
