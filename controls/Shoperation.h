// TSHOperation: the shell's file operations (delete to the recycle bin or for
// good, move, copy, rename) and its folder browser, for the window that owns it.
#pragma once
#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>

#include <string>

#include "Component.h"
#include "StringList.h"

class TSHOperation : public TComponent {
 public:
  explicit TSHOperation(TComponent* owner);
  ~TSHOperation() override;

  std::wstring Root;        // top of the browse tree; empty: the whole namespace
  std::wstring FolderName;  // selected when the browser opens; the choice after a success
  std::wstring Title;       // prompt above the tree
  UINT Flags = 65;          // BROWSEINFOW.ulFlags: BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE

  // Each returns true when the shell reported success; an empty list is false
  // without a shell call. Where there are two lists the destinations come first.
  bool Delete(const TStringList& paths);
  bool DeleteNoUndo(const TStringList& paths);
  bool Move(const TStringList& destinations, const TStringList& sources);
  bool Copy(const TStringList& destinations, const TStringList& sources);
  bool Rename(const TStringList& newNames, const TStringList& oldNames);
  bool Move(const std::wstring& destination, const TStringList& sources);
  bool Copy(const std::wstring& destination, const TStringList& sources);
  // A shell move of one item: it changes folders when the new name lies in another.
  bool Rename(const std::wstring& newName, const std::wstring& oldName);

  // Each entry then a NUL, then one more NUL; null for an empty list.
  // The caller owns the block and frees it with delete[].
  wchar_t* CreateNameList(const TStringList& list);

  // Shows the folder browser; true and FolderName set when a folder was accepted.
  bool BrowseFolder();
  // Selects the item list passed as data once the browser is up.
  static int CALLBACK BrowseCallback(HWND window, UINT message, LPARAM param, LPARAM data);

  // The shell entry points, replaceable so that tests can see the exact
  // structures handed over (and still pass them on to the shell).
  using FileOperationFunction = int(WINAPI*)(LPSHFILEOPSTRUCTW);
  using BrowseForFolderFunction = PIDLIST_ABSOLUTE(WINAPI*)(LPBROWSEINFOW);
  static FileOperationFunction ShellFileOperation;
  static BrowseForFolderFunction ShellBrowseForFolder;

 private:
  bool Operate(UINT function, const TStringList* destinations, const TStringList& sources, FILEOP_FLAGS flags);
};
