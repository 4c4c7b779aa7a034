// The settings every job reads. The options dialog implements this by reading
// its controls at the moment of the call: there is no copy and no snapshot,
// so a change in the dialog reaches the very next job.
#pragma once
#include <windows.h>

#include <string>

enum class DestFolderMode { SameAsSource = 1, SpecifiedFolder = 2 };
enum class DeleteMode { RecycleBin = 1, DeleteDirectly = 2 };

class CompressionSettings {
 public:
  static constexpr int kProfileCount = 5;

  virtual ~CompressionSettings() = default;
  virtual std::wstring FileExt() const = 0;
  virtual std::wstring Profile(int index) const = 0;  // index 0..4
  virtual int ProfileIndex() const = 0;               // 0..4, or -1 when none is selected
  virtual bool TopFolderCompress() const = 0;
  virtual DestFolderMode GetDestFolderMode() const = 0;
  virtual std::wstring DestFolder() const = 0;
  virtual bool DelFile() const = 0;
  virtual DeleteMode GetDeleteMode() const = 0;
  virtual bool AutoClose() const = 0;
  // The window that owns the validation messages (the options dialog, also when hidden).
  virtual HWND MessageOwner() const = 0;

  // The template every compression job starts its command with; empty when none is selected.
  std::wstring SelectedProfile() const;
};

// True when the settings can be used for a job; otherwise it has shown the
// first failing check's message box, owned by settings.MessageOwner().
bool ValidateSettings(const CompressionSettings& settings);
