#include "EngineUi.h"

#include "Windows/ErrorMsg.h"

namespace archiver {

namespace {

std::wstring W(const UString& s) { return std::wstring(s.Ptr(), s.Len()); }

// The archive's own error flags, in the console's words.
void SayFlags(CallState& state, const char* title, UInt32 flags) {
  static const char* const kFlags[] = {
      "Is not archive", "Headers Error", "Headers Error in encrypted archive. Wrong password?",
      "Unavailable start of archive", "Unconfirmed start of archive", "Unexpected end of archive",
      "There are data after the end of archive", "Unsupported method", "Unsupported feature", "Data Error",
      "CRC Error"};
  std::wstring line = UString(title).Ptr();
  for (unsigned i = 0; i < sizeof kFlags / sizeof kFlags[0]; ++i)
    if (flags & (1u << i)) line += std::wstring(L" ") + UString(kFlags[i]).Ptr();
  state.Say(line);
}

// What opening an archive said, for both the update's open and a test's.
HRESULT SayOpenResult(CallState& state, Tally& tally, const CArchiveLink& link, const wchar_t* name,
                      HRESULT result) {
  for (unsigned i = 0; i < link.Arcs.Size(); ++i) {
    const CArcErrorInfo& er = link.Arcs[i].ErrorInfo;
    if (er.GetErrorFlags() != 0) {
      SayFlags(state, "ERRORS:", er.GetErrorFlags());
      ++tally.errors;
    }
    if (!er.ErrorMessage.IsEmpty()) {
      state.Say(L"ERRORS: " + W(er.ErrorMessage));
      ++tally.errors;
    }
    if (er.GetWarningFlags() != 0) {
      SayFlags(state, "WARNINGS:", er.GetWarningFlags());
      ++tally.warnings;
    }
  }
  if (result == S_OK || result == E_ABORT || result == kNoPassword) return S_OK;
  std::wstring what = result == S_FALSE ? L"Can not open the file as archive"
                                        : W(NWindows::NError::MyFormatMessage(result));
  state.Say(L"ERROR: " + what + L" : " + (name ? std::wstring(name) : std::wstring()));
  ++tally.errors;
  return S_OK;
}

HRESULT GivePassword(const Password& p, BSTR* password) {
  if (!p.given) return kNoPassword;
  return StringToBstr(p.text, password);
}

}  // namespace

UString ExtractResultText(Int32 opRes, Int32 encrypted) {
  namespace R = NArchive::NExtract::NOperationResult;
  switch (opRes) {
    case R::kUnsupportedMethod: return UString("Unsupported Method");
    case R::kCRCError: return UString(encrypted ? "CRC Failed in encrypted file. Wrong password?" : "CRC Failed");
    case R::kDataError: return UString(encrypted ? "Data Error in encrypted file. Wrong password?" : "Data Error");
    case R::kUnavailable: return UString("Unavailable data");
    case R::kUnexpectedEnd: return UString("Unexpected end of data");
    case R::kDataAfterEnd: return UString("There are some data after the end of the payload data");
    case R::kIsNotArc: return UString("Is not archive");
    case R::kHeadersError: return UString("Headers Error");
    case R::kWrongPassword: return UString("Wrong password");
    default: {
      UString s("Error #");
      s.Add_UInt32(static_cast<UInt32>(opRes));
      return s;
    }
  }
}

// ---- UpdateUi ----

void UpdateUi::Problem(const char* kind, const FString& path, DWORD systemError) {
  state_.Say(UString(kind).Ptr() + W(NWindows::NError::MyFormatMessage(systemError)) + L" : " + W(path));
}

HRESULT UpdateUi::Open_CheckBreak() { return Break(); }
HRESULT UpdateUi::Open_SetTotal(const UInt64*, const UInt64*) { return Break(); }
HRESULT UpdateUi::Open_SetCompleted(const UInt64*, const UInt64*) { return Break(); }
HRESULT UpdateUi::Open_Finished() { return S_OK; }
HRESULT UpdateUi::Open_CryptoGetTextPassword(BSTR* password) { return GivePassword(password_, password); }

HRESULT UpdateUi::StartScanning() { return Break(); }
HRESULT UpdateUi::ScanProgress(const CDirItemsStat&, const FString& path, bool) {
  state_.SetItem(W(path));
  return Break();
}
// A name that cannot be read while scanning is left out, as the console does,
// and counts as a warning: the archive lacks it.
HRESULT UpdateUi::ScanError(const FString& path, DWORD systemError) {
  Problem("WARNING: ", path, systemError);
  ++tally_.warnings;
  return S_OK;
}
HRESULT UpdateUi::FinishScanning(const CDirItemsStat&) { return Break(); }

HRESULT UpdateUi::StartOpenArchive(const wchar_t*) { return Break(); }
HRESULT UpdateUi::OpenResult(const CCodecs*, const CArchiveLink& link, const wchar_t* name, HRESULT result) {
  return SayOpenResult(state_, tally_, link, name, result);
}
HRESULT UpdateUi::StartArchive(const wchar_t*, bool) { return Break(); }
HRESULT UpdateUi::FinishArchive(const CFinishArchiveStat&) { return S_OK; }

HRESULT UpdateUi::WriteSfx(const wchar_t*, UInt64) { return Break(); }
HRESULT UpdateUi::SetTotal(UInt64 size) {
  state_.SetTotal(size);
  return Break();
}
HRESULT UpdateUi::SetCompleted(const UInt64* done) {
  if (done) state_.SetDone(*done);
  return Break();
}
HRESULT UpdateUi::SetRatioInfo(const UInt64*, const UInt64*) { return Break(); }
HRESULT UpdateUi::CheckBreak() { return Break(); }
HRESULT UpdateUi::SetNumItems(const CArcToDoStat&) { return Break(); }
HRESULT UpdateUi::GetStream(const wchar_t* name, bool, bool, UInt32) {
  if (name) state_.SetItem(name);
  return Break();
}
// A file that cannot be opened is skipped (S_FALSE) with a warning, as the console does.
HRESULT UpdateUi::OpenFileError(const FString& path, DWORD systemError) {
  Problem("WARNING: ", path, systemError);
  ++tally_.warnings;
  return S_FALSE;
}
HRESULT UpdateUi::ReadingFileError(const FString& path, DWORD systemError) {
  Problem("ERROR: ", path, systemError);
  ++tally_.errors;
  return HRESULT_FROM_WIN32(systemError);
}
HRESULT UpdateUi::SetOperationResult(Int32) { return Break(); }
HRESULT UpdateUi::ReportExtractResult(Int32 opRes, Int32 encrypted, const wchar_t* name) {
  if (opRes != NArchive::NExtract::NOperationResult::kOK) {
    state_.Say(L"ERROR: " + W(ExtractResultText(opRes, encrypted)) + L" : " + (name ? name : L""));
    ++tally_.errors;
  }
  return S_OK;
}
// A file that changed while it was read is in the archive as it was read:
// a warning, as the console gives it.
HRESULT UpdateUi::ReportUpdateOperation(UInt32 op, const wchar_t* name, bool) {
  if (op == NUpdateNotifyOp::kInFileChanged) {
    state_.Say(L"WARNING: The file changed while it was read : " + std::wstring(name ? name : L""));
    ++tally_.warnings;
  } else if (name) {
    state_.SetItem(name);
  }
  return Break();
}
// -p without a value asks for one, which no one can give here.
HRESULT UpdateUi::CryptoGetTextPassword2(Int32* defined, BSTR* password) {
  if (password_.wanted && !password_.given) return kNoPassword;
  *defined = password_.given ? 1 : 0;
  return StringToBstr(password_.given ? password_.text : UString(), password);
}
HRESULT UpdateUi::CryptoGetTextPassword(BSTR* password) { return GivePassword(password_, password); }
HRESULT UpdateUi::ShowDeleteFile(const wchar_t*, bool) { return S_OK; }
HRESULT UpdateUi::DeletingAfterArchiving(const FString&, bool) { return S_OK; }
HRESULT UpdateUi::FinishDeletingAfterArchiving() { return S_OK; }
HRESULT UpdateUi::MoveArc_Start(const wchar_t*, const wchar_t*, UInt64, Int32) { return S_OK; }
// The engine's own move of its temporary file is never cut short: a cancel
// there could leave only that file.
HRESULT UpdateUi::MoveArc_Progress(UInt64, UInt64) { return S_OK; }
HRESULT UpdateUi::MoveArc_Finish() { return S_OK; }

// ---- ExtractUi ----

Z7_COM7F_IMF(ExtractUi::SetTotal(UInt64 size)) {
  state_.SetTotal(size);
  return Break();
}
Z7_COM7F_IMF(ExtractUi::SetCompleted(const UInt64* done)) {
  if (done) state_.SetDone(*done);
  return Break();
}

// Nobody can be asked: an existing item is replaced only when the command
// says so (-y or -ao…, which the engine answers itself before asking).
Z7_COM7F_IMF(ExtractUi::AskOverwrite(const wchar_t* existName, const FILETIME*, const UInt64*, const wchar_t*,
                                     const FILETIME*, const UInt64*, Int32* answer)) {
  if (yesToAll_) {
    *answer = NOverwriteAnswer::kYesToAll;
    return S_OK;
  }
  state_.Say(L"ERROR: The file already exists and no switch says whether to replace it (-aoa, -aos, -y) : " +
             std::wstring(existName ? existName : L""));
  ++tally_.errors;
  return kWouldOverwrite;
}

Z7_COM7F_IMF(ExtractUi::PrepareOperation(const wchar_t* name, Int32, Int32, const UInt64*)) {
  current_ = name ? name : L"";
  state_.SetItem(W(current_));
  return Break();
}

Z7_COM7F_IMF(ExtractUi::MessageError(const wchar_t* message)) {
  state_.Say(L"ERROR: " + std::wstring(message ? message : L""));
  ++tally_.errors;
  return Break();
}

Z7_COM7F_IMF(ExtractUi::SetOperationResult(Int32 opRes, Int32 encrypted)) {
  if (opRes != NArchive::NExtract::NOperationResult::kOK) {
    state_.Say(L"ERROR: " + W(ExtractResultText(opRes, encrypted)) + L" : " + W(current_));
    ++tally_.errors;
  }
  return Break();
}

Z7_COM7F_IMF(ExtractUi::ReportExtractResult(Int32 opRes, Int32 encrypted, const wchar_t* name)) {
  if (opRes != NArchive::NExtract::NOperationResult::kOK) {
    state_.Say(L"ERROR: " + W(ExtractResultText(opRes, encrypted)) + L" : " + std::wstring(name ? name : L""));
    ++tally_.errors;
  }
  return S_OK;
}

Z7_COM7F_IMF(ExtractUi::CryptoGetTextPassword(BSTR* password)) { return GivePassword(password_, password); }

HRESULT ExtractUi::BeforeOpen(const wchar_t*, bool) { return Break(); }
HRESULT ExtractUi::OpenResult(const CCodecs*, const CArchiveLink& link, const wchar_t* name, HRESULT result) {
  return SayOpenResult(state_, tally_, link, name, result);
}
HRESULT ExtractUi::ThereAreNoFiles() { return S_OK; }
// Extract hands back what this returns: a cancel must stay a cancel.
HRESULT ExtractUi::ExtractResult(HRESULT result) {
  if (result == S_OK || result == E_ABORT || result == kNoPassword || result == kWouldOverwrite) return result;
  state_.Say(L"ERROR: " + W(NWindows::NError::MyFormatMessage(result)));
  ++tally_.errors;
  return result;
}
HRESULT ExtractUi::SetPassword(const UString& password) {
  password_.given = true;
  password_.text = password;
  return S_OK;
}

HRESULT ExtractUi::Open_CheckBreak() { return Break(); }
HRESULT ExtractUi::Open_SetTotal(const UInt64*, const UInt64*) { return Break(); }
HRESULT ExtractUi::Open_SetCompleted(const UInt64*, const UInt64*) { return Break(); }
HRESULT ExtractUi::Open_Finished() { return S_OK; }
HRESULT ExtractUi::Open_CryptoGetTextPassword(BSTR* password) { return GivePassword(password_, password); }

}  // namespace archiver
