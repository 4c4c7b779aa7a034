// What the jobs need from the main window, and nothing more: the core has no window code.
#pragma once
#include <windows.h>

#include <functional>
#include <string>

class CompressionSettings;
class TSHOperation;

class JobHost {
 public:
  virtual ~JobHost() = default;
  virtual void AppendLog(const std::wstring& line) = 0;   // one line at the end of LIST
  virtual void SetCaption(const std::wstring& text) = 0;  // the main window's title
  virtual void SetEnabled(bool enabled) = 0;              // the main window accepts input or not
  virtual void ProcessMessages() = 0;                     // dispatch what waits in the queue
  virtual HWND OwnerWindow() = 0;                         // parent of boxes, owner for SevenZip
  virtual TSHOperation& Shop() = 0;                       // the main window's SHOP
  virtual const CompressionSettings& Settings() = 0;      // read at the moment of use
  // True once the main window has begun to close, or a close waits for the library call
  // to return: a running batch must stop, since the library is unloaded and the settings
  // dialog destroyed, and a job that ran must keep its source.
  virtual bool Closing() const = 0;
  // Makes the library call. The library may run the window's messages meanwhile; a close
  // handled there must not unload it under the call, so the close waits until it returned.
  virtual int CallLibrary(const std::function<int()>& call) = 0;
};

// Modal boxes go through this seam so that tests can answer them; the program uses MessageBoxW.
using MessageBoxFunction = int(WINAPI*)(HWND, LPCWSTR, LPCWSTR, UINT);
extern MessageBoxFunction ShowMessageBox;
