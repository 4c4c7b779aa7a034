// The library's own callback objects for 7-Zip's archive layer, in the
// places its console and GUI front ends put theirs: progress and the item at
// hand go into the call's state, the user's cancel comes out of it as
// E_ABORT, and every failure or warning is said there in the engine's words.
// Nothing here ever waits for input: a question the console would ask is
// answered from the command's own switches, or ends the call with an error.
#pragma once
#include "7zip/UI/Common/Extract.h"
#include "7zip/UI/Common/Update.h"

#include "CallState.h"

namespace archiver {

// A password was needed and the command gave none: its own outcome, not a cancel.
constexpr HRESULT kNoPassword = static_cast<HRESULT>(0xA0077A01);
// An item exists where it would be extracted and no switch says what to do.
constexpr HRESULT kWouldOverwrite = static_cast<HRESULT>(0xA0077A02);

struct Password {
  bool given = false;   // -p with a value
  bool wanted = false;  // -p, with a value or without
  UString text;
};

// What the engine reported besides progress, counted as its console counts it.
struct Tally {
  unsigned warnings = 0;  // items skipped or changed while read: the archive lacks them
  unsigned errors = 0;    // items or archives that failed
};

// Opening an archive (also the one an update reads) and updating one.
class UpdateUi final : public IOpenCallbackUI, public IUpdateCallbackUI2 {
 public:
  UpdateUi(CallState& state, Password password, Tally& tally) : state_(state), password_(std::move(password)), tally_(tally) {}
  Z7_IFACE_IMP(IOpenCallbackUI)
  Z7_IFACE_IMP(IUpdateCallbackUI)
  Z7_IFACE_IMP(IDirItemsCallback)
  Z7_IFACE_IMP(IUpdateCallbackUI2)

 private:
  HRESULT Break() const { return state_.Cancelled() ? E_ABORT : S_OK; }
  void Problem(const char* kind, const FString& path, DWORD systemError);

  CallState& state_;
  Password password_;
  Tally& tally_;
};

// Testing or extracting one archive.
class ExtractUi final : public IFolderArchiveExtractCallback,
                        public IFolderArchiveExtractCallback2,
                        public ICryptoGetTextPassword,
                        public IExtractCallbackUI,
                        public IOpenCallbackUI,
                        public CMyUnknownImp {
  Z7_COM_QI_BEGIN2(IFolderArchiveExtractCallback)
  Z7_COM_QI_ENTRY(IFolderArchiveExtractCallback2)
  Z7_COM_QI_ENTRY(ICryptoGetTextPassword)
  Z7_COM_QI_END
  Z7_COM_ADDREF_RELEASE
  Z7_IFACE_COM7_IMP(IProgress)
  Z7_IFACE_COM7_IMP(IFolderArchiveExtractCallback)
  Z7_IFACE_COM7_IMP(IFolderArchiveExtractCallback2)
  Z7_IFACE_COM7_IMP(ICryptoGetTextPassword)
  Z7_IFACE_IMP(IExtractCallbackUI)
  Z7_IFACE_IMP(IOpenCallbackUI)

 public:
  ExtractUi(CallState& state, Password password, Tally& tally, bool yesToAll)
      : state_(state), password_(std::move(password)), tally_(tally), yesToAll_(yesToAll) {}
  virtual ~ExtractUi() = default;

 private:
  HRESULT Break() const { return state_.Cancelled() ? E_ABORT : S_OK; }

  CallState& state_;
  Password password_;
  Tally& tally_;
  bool yesToAll_;
  UString current_;
};

// The console's words for an item's extraction result ("CRC Failed", ...).
UString ExtractResultText(Int32 opRes, Int32 encrypted);

}  // namespace archiver
