#include "EngineCall.h"

#include <new>

#include "7zip/UI/Common/ArchiveCommandLine.h"
#include "7zip/UI/Common/Extract.h"
#include "7zip/UI/Common/LoadCodecs.h"
#include "7zip/UI/Common/OpenArchive.h"
#include "7zip/UI/Common/Update.h"
#include "C/7zVersion.h"
#include "Common/MyException.h"
#include "Windows/ErrorMsg.h"
#include "Windows/FileName.h"
#include "Windows/PropVariant.h"

#include "EngineUi.h"
#include "LongPath.h"

// The engine's module, where it looks for files beside itself.
HINSTANCE g_hInstance = nullptr;

// The parser's switches that outlive a call in the engine's globals.
extern bool g_CaseSensitive;
extern bool g_PathTrailReplaceMode;
extern bool g_Timestamp_Show_UTC;

namespace archiver {

namespace {

using Kind = EngineOutcome::Kind;

// The suffix of the file an archive is written to before it is tested.
// A name of its own, so that the one a killed call left behind is known for
// what it is and removed by the next call that writes the same archive.
const wchar_t kTempSuffix[] = L"7z32tmp";

std::wstring W(const UString& s) { return std::wstring(s.Ptr(), s.Len()); }

std::wstring SystemText(DWORD error) { return W(NWindows::NError::MyFormatMessage(error)); }

// The formats and codecs are registered once per process.
CCodecs* Codecs() {
  static CMyComPtr<IUnknown> keep;  // for the life of the process
  static CCodecs* codecs = [] {
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCWSTR>(&g_hInstance), &g_hInstance);
    auto* c = new CCodecs;
    keep = c;
    if (c->Load() != S_OK) throw CSystemException(E_FAIL);
    return c;
  }();
  return codecs;
}

struct Fault {
  Kind kind;
  std::wstring why;
};

// The files a write produced under the temporary name, and where each goes.
struct Outputs {
  std::vector<std::wstring> temp, final;
};

// A call's archive written to its temporary name: one file, or volumes .001, .002, ...
Outputs FindOutputs(const std::wstring& temp, const std::wstring& finalVolBase, const std::wstring& finalPath,
                    bool volumes) {
  Outputs o;
  if (!volumes) {
    if (Exists(temp)) {
      o.temp.push_back(temp);
      o.final.push_back(finalPath);
    }
    return o;
  }
  for (unsigned i = 1; i < 100000; ++i) {
    wchar_t ext[16];
    wsprintfW(ext, i < 1000 ? L".%03u" : L".%u", i);
    if (!Exists(temp + ext)) break;
    o.temp.push_back(temp + ext);
    o.final.push_back(finalVolBase + ext);
  }
  return o;
}

// Removes what a write left under the temporary name; false when one is held open.
bool RemoveTemp(const std::wstring& temp, bool volumes, std::wstring& held) {
  Outputs o = FindOutputs(temp, temp, temp, volumes);
  for (const std::wstring& f : o.temp)
    if (!DeleteFileW(Long(f).c_str()) && Exists(f)) {
      held = f;
      return false;
    }
  return true;
}

// The bytes are on the disk before the archive is put in place: the caller
// may delete the sources as soon as this call reports success.
bool Flush(const std::wstring& path) {
  HANDLE h = CreateFileW(Long(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  const bool ok = FlushFileBuffers(h) != FALSE;
  CloseHandle(h);
  return ok;
}

// Damages a written file as a failing disk would: the library's own tests
// use it to see that such an archive never reaches its name.
void DamageIfAsked(const std::wstring& path) {
  if (GetEnvironmentVariableW(L"SEVENZIP32_DAMAGE_WRITTEN", nullptr, 0) == 0) return;
  HANDLE h = CreateFileW(Long(path).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return;
  LARGE_INTEGER size{};
  GetFileSizeEx(h, &size);
  std::string junk(static_cast<size_t>(size.QuadPart / 2 + 1), 'X');
  SetFilePointer(h, static_cast<LONG>(size.QuadPart / 2), nullptr, FILE_BEGIN);
  DWORD wrote = 0;
  WriteFile(h, junk.data(), static_cast<DWORD>(junk.size()), &wrote, nullptr);
  CloseHandle(h);
}

class Call {
 public:
  Call(const std::wstring& base, CallState& state) : base_(base), state_(state) {}

  EngineOutcome Run(const std::vector<std::wstring>& args);

 private:
  void Parse(const std::vector<std::wstring>& args);
  void Update();
  void Extract(const UString& archive, bool test, const CObjectVector<COpenType>& types,
               const CExtractOptionsBase& base, const NWildcard::CCensorNode& wildcards);
  void List();
  void Check(HRESULT hr, Kind otherwise, const std::wstring& why = {});
  Password GivenPassword() const;

  const std::wstring& base_;
  CallState& state_;
  CArcCmdLineOptions options_;
  CObjectVector<COpenType> types_;
  CIntVector excluded_;
  Tally tally_;
  EngineOutcome out_;
};

Password Call::GivenPassword() const {
  Password p;
  p.given = options_.PasswordEnabled && !options_.Password.IsEmpty();
  p.wanted = options_.PasswordEnabled;
  p.text = options_.Password;
  return p;
}

// Ends the call with the outcome a failed step earns.
void Call::Check(HRESULT hr, Kind otherwise, const std::wstring& why) {
  if (hr == S_OK) return;
  if (hr == E_ABORT) throw Fault{Kind::Cancelled, L"cancelled by the user"};
  if (hr == kNoPassword) throw Fault{Kind::NoPassword, L"a password is needed and the command gives none (-p…)"};
  if (hr == E_OUTOFMEMORY) throw Fault{Kind::OutOfMemory, L"out of memory"};
  if (!why.empty()) throw Fault{otherwise, why};
  throw Fault{otherwise, hr == S_FALSE ? L"the engine failed" : SystemText(static_cast<DWORD>(hr))};
}

void Call::Parse(const std::vector<std::wstring>& args) {
  // What an earlier call's switches (-ssc, -slt, -snr) left in the engine's
  // globals is put back to the engine's defaults first.
  g_CaseSensitive = false;
  g_PathTrailReplaceMode = true;
  g_Timestamp_Show_UTC = false;

  UStringVector strings;
  for (const std::wstring& a : args) strings.Add(UString(a.c_str()));
  CArcCmdLineParser parser;
  parser.Parse1(strings, options_);
  parser.Parse2(options_);
  // A library has no console: nothing may be read from standard input or
  // written to standard output.
  if (options_.StdInMode || options_.StdOutMode)
    throw Fault{Kind::BadCommand, L"-si and -so are not available in a library"};

  CCodecs* codecs = Codecs();
  codecs->CaseSensitive_Change = options_.CaseSensitive_Change;
  codecs->CaseSensitive = options_.CaseSensitive;
  if (!ParseOpenTypes(*codecs, options_.ArcType, types_)) throw Fault{Kind::BadCommand, L"Unsupported archive type"};
  for (unsigned i = 0; i < options_.ExcludedArcTypes.Size(); ++i) {
    CIntVector found;
    if (!codecs->FindFormatForArchiveType(options_.ExcludedArcTypes[i], found) || found.Size() != 1)
      throw Fault{Kind::BadCommand, L"Unsupported archive type"};
    excluded_.AddToUniqueSorted(found[0]);
  }
}

EngineOutcome Call::Run(const std::vector<std::wstring>& args) {
  try {
    try {
      Parse(args);
      out_.archive = W(options_.ArchiveName);
      if (options_.Command.IsFromUpdateGroup()) {
        Update();
      } else if (options_.Command.IsFromExtractGroup()) {
        if (!Exists(out_.archive))
          throw Fault{Kind::Failed, SystemText(ERROR_FILE_NOT_FOUND) + L" : " + out_.archive};
        NWildcard::CCensor all;
        if (options_.Censor.Pairs.IsEmpty()) {
          all.AddPreItem_Wildcard();
          all.AddPathsToCensor(NWildcard::k_RelatPath);
        }
        const NWildcard::CCensor& c = options_.Censor.Pairs.IsEmpty() ? all : options_.Censor;
        Extract(options_.ArchiveName, options_.Command.IsTestCommand(), types_, options_.ExtractOptions,
                c.Pairs.Front().Head);
      } else if (options_.Command.CommandType == NCommandType::kList) {
        List();
      } else {
        throw Fault{Kind::BadCommand, L"this command is not available in the library"};
      }
      if (tally_.errors > 0) throw Fault{Kind::Failed, L"the engine reported errors"};
      if (tally_.warnings > 0) {
        out_.kind = Kind::Warnings;
        out_.why = L"the engine reported warnings: items were left out";
      }
      out_.said = state_.Said();
    } catch (const CArcCmdLineException& e) {
      throw Fault{Kind::BadCommand, W(e)};
    } catch (const CSystemException& e) {
      Check(e.ErrorCode, Kind::Failed);
      throw Fault{Kind::Failed, L"the engine failed"};
    } catch (const std::bad_alloc&) {
      throw Fault{Kind::OutOfMemory, L"out of memory"};
    } catch (const UString& s) {
      throw Fault{Kind::Failed, W(s)};
    } catch (const AString& s) {
      throw Fault{Kind::Failed, W(UString(s.Ptr()))};
    } catch (const wchar_t* s) {
      throw Fault{Kind::Failed, s ? s : L"the engine failed"};
    } catch (const char* s) {
      throw Fault{Kind::Failed, W(UString(s ? s : "the engine failed"))};
    }
  } catch (const Fault& f) {
    out_.kind = f.kind;
    out_.said = state_.Said();
    out_.why = f.why;
  } catch (...) {
    out_.kind = Kind::Internal;
    out_.said = state_.Said();
    out_.why = L"internal error";
  }
  return out_;
}

void Call::Update() {
  CUpdateOptions& uo = options_.UpdateOptions;
  // The forms that write more than the one archive, or delete the sources
  // before the archive is tested, are not offered: the caller deletes them,
  // once this call has reported a tested archive.
  if (!uo.UpdateArchiveItself || uo.Commands.Size() != 1)
    throw Fault{Kind::BadCommand, L"-u…! (writing other archives) is not available in the library"};
  if (uo.DeleteAfterCompressing) throw Fault{Kind::BadCommand, L"-sdel is not available in the library"};
  if (uo.EMailMode) throw Fault{Kind::BadCommand, L"-seml is not available in the library"};

  CCodecs* codecs = Codecs();
  if (!uo.InitFormatIndex(codecs, types_, options_.ArchiveName) || !uo.SetArcPath(codecs, options_.ArchiveName))
    throw Fault{Kind::BadCommand, L"this archive type cannot be written"};
  // Names that are not ASCII go into a zip in UTF-8, flagged as such,
  // whatever the system's code page, unless the command says otherwise.
  const int format = uo.MethodMode.Type.FormatIndex;
  if (format >= 0 && codecs->Formats[static_cast<unsigned>(format)].Name.IsEqualTo_Ascii_NoCase("zip")) {
    bool chosen = false;
    for (unsigned i = 0; i < uo.MethodMode.Properties.Size(); ++i) {
      const UString& name = uo.MethodMode.Properties[i].Name;
      chosen |= name.IsPrefixedBy_Ascii_NoCase("cu") || name.IsPrefixedBy_Ascii_NoCase("cp");
    }
    if (!chosen) {
      CProperty utf8;
      utf8.Name = "cu";
      uo.MethodMode.Properties.Add(utf8);
    }
  }
  const bool volumes = !uo.VolumesSizes.IsEmpty();
  const std::wstring finalPath = W(uo.ArchivePath.GetFinalPath());
  const std::wstring finalVolBase = W(uo.ArchivePath.GetFinalVolPath());
  out_.archive = finalPath;

  // The engine writes to the temporary name and leaves the archive it reads as it is.
  CArchivePath temp = uo.ArchivePath;
  temp.Name = (volumes ? uo.ArchivePath.GetFinalVolPath() : uo.ArchivePath.GetFinalPath()).Ptr(temp.Prefix.Len());
  temp.BaseExtension = kTempSuffix;
  temp.VolExtension = kTempSuffix;
  temp.Temp = false;
  const std::wstring tempPath = W(temp.GetFinalPath());
  std::wstring held;
  if (!RemoveTemp(tempPath, volumes, held))
    throw Fault{Kind::Failed, L"another call is writing this archive: " + held + L" is in use"};
  uo.UpdateArchiveItself = false;
  uo.Commands[0].UserArchivePath = temp.GetFinalPath();
  uo.Commands[0].ArchivePath = temp;

  // Relative names are the base folder's, as if the engine ran there.
  NWildcard::CCensor& censor = options_.Censor;
  censor.AddPathsToCensor(uo.PathMode);
  for (unsigned i = 0; i < censor.Pairs.Size(); ++i) {
    UString& prefix = censor.Pairs[i].Prefix;
    if (!NWindows::NFile::NName::IsAbsolutePath(prefix)) prefix.Insert(0, UString(base_.c_str()));
  }

  struct TempGuard {
    const std::wstring& path;
    bool volumes;
    bool keep = false;
    ~TempGuard() {
      std::wstring ignored;
      if (!keep) RemoveTemp(path, volumes, ignored);
    }
  } guard{tempPath, volumes};

  {
    UpdateUi ui(state_, GivenPassword(), tally_);
    CUpdateErrorInfo error;
    HRESULT hr = UpdateArchive(codecs, types_, options_.ArchiveName, censor, uo, error, &ui, &ui, false);
    if (hr != S_OK || error.ThereIsError()) {
      std::wstring why = W(UString(error.Message.Ptr()));
      for (unsigned i = 0; i < error.FileNames.Size(); ++i) why += L" : " + std::wstring(error.FileNames[i].Ptr());
      if (error.SystemError != 0) why += (why.empty() ? L"" : L" : ") + SystemText(error.SystemError);
      Check(hr == S_OK ? E_FAIL : hr, Kind::Failed, why.empty() ? std::wstring() : why);
    }
    if (tally_.errors > 0) throw Fault{Kind::Failed, L"the engine reported errors"};
  }

  Outputs outputs = FindOutputs(tempPath, finalVolBase, finalPath, volumes);
  if (outputs.temp.empty()) throw Fault{Kind::Failed, L"the engine wrote no archive"};
  DamageIfAsked(outputs.temp.front());

  // The test reads what was written, by itself, as any reader will.
  state_.BeginPhase(CallState::Phase::Testing);
  const unsigned errorsBefore = tally_.errors;
  NWildcard::CCensor all;
  all.AddPreItem_Wildcard();
  all.AddPathsToCensor(NWildcard::k_RelatPath);
  try {
    Extract(UString(outputs.temp.front().c_str()), true, CObjectVector<COpenType>(), CExtractOptionsBase(),
            all.Pairs.Front().Head);
  } catch (const Fault& f) {
    if (f.kind == Kind::Cancelled || f.kind == Kind::NoPassword || f.kind == Kind::OutOfMemory) throw;
    throw Fault{Kind::CheckFailed, L"the archive written failed its test"};
  }
  if (tally_.errors > errorsBefore) throw Fault{Kind::CheckFailed, L"the archive written failed its test"};

  for (const std::wstring& f : outputs.temp)
    if (!Flush(f)) throw Fault{Kind::Failed, L"the archive cannot be flushed to the disk: " + SystemText(GetLastError())};
  if (state_.Cancelled()) throw Fault{Kind::Cancelled, L"cancelled by the user"};
  // From here on a cancel comes too late: the tested archive goes in place.
  state_.BeginPhase(CallState::Phase::Moving);
  for (size_t i = 0; i < outputs.temp.size(); ++i) {
    if (!MoveFileExW(Long(outputs.temp[i]).c_str(), Long(outputs.final[i]).c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
      DWORD e = GetLastError();
      throw Fault{Kind::Failed, SystemText(e) + L" : " + outputs.final[i]};
    }
  }
  guard.keep = true;
}

void Call::Extract(const UString& archive, bool test, const CObjectVector<COpenType>& types,
                   const CExtractOptionsBase& base, const NWildcard::CCensorNode& wildcards) {
  CExtractOptions eo;
  static_cast<CExtractOptionsBase&>(eo) = base;
  eo.YesToAll = options_.YesToAll;
  eo.TestMode = test;
  eo.Properties = options_.Properties;

  ExtractUi* ui = new ExtractUi(state_, GivenPassword(), tally_, options_.YesToAll);
  CMyComPtr<IFolderArchiveExtractCallback> hold = ui;
  UStringVector paths, full;
  paths.Add(archive);
  full.Add(archive);
  UString error;
  CDecompressStat stat;
  HRESULT hr = ::Extract(Codecs(), types, excluded_, paths, full, wildcards, eo, ui, ui, ui, nullptr, error, stat);
  if (!error.IsEmpty()) state_.Say(L"ERROR: " + W(error));
  if (hr == kWouldOverwrite) throw Fault{Kind::Failed, L"an item exists where it would be extracted"};
  Check(hr, Kind::Failed);
  if (!error.IsEmpty()) throw Fault{Kind::Failed, L"the engine reported errors"};
}

std::wstring Column(UInt64 n) {
  std::wstring s = std::to_wstring(n);
  return std::wstring(s.size() < 12 ? 12 - s.size() : 0, L' ') + s;
}

// One line per item: size, packed size and path, with a total at the end.
void Call::List() {
  COpenOptions op;
  op.codecs = Codecs();
  op.types = &types_;
  op.excludedFormats = &excluded_;
  op.props = &options_.Properties;  // not set by the options' constructor
  op.filePath = options_.ArchiveName;
  ExtractUi* ui = new ExtractUi(state_, GivenPassword(), tally_, false);
  CMyComPtr<IFolderArchiveExtractCallback> hold = ui;
  CArchiveLink link;
  HRESULT hr = link.Open_Strict(op, ui);
  if (hr != S_OK) {
    static_cast<IExtractCallbackUI*>(ui)->OpenResult(op.codecs, link, options_.ArchiveName, hr);
    Check(hr == S_FALSE ? E_FAIL : hr, Kind::Failed, L"the archive cannot be opened");
  }
  const CArc& arc = link.Arcs.Back();
  UInt32 n = 0;
  Check(arc.Archive->GetNumberOfItems(&n), Kind::Failed);
  std::wstring text = L"Path = " + W(arc.Path) + L"\n";
  UInt64 totalSize = 0;
  for (UInt32 i = 0; i < n; ++i) {
    CReadArcItem item;
    Check(arc.GetItem(i, item), Kind::Failed);
    UInt64 size = 0, packed = 0;
    bool defined = false;
    arc.GetItem_Size(i, size, defined);
    NWindows::NCOM::CPropVariant prop;
    if (arc.Archive->GetProperty(i, kpidPackSize, &prop) == S_OK && prop.vt == VT_UI8) packed = prop.uhVal.QuadPart;
    bool dir = false;
    Archive_IsItem_Dir(arc.Archive, i, dir);
    text += (dir ? L"D " : L". ") + Column(size) + L" " + Column(packed) + L"  " + W(item.Path) + L"\n";
    totalSize += size;
  }
  const std::wstring tail = std::to_wstring(n) + L" items, " + std::to_wstring(totalSize) + L" bytes\n";
  out_.listing = text + tail;
}

}  // namespace

EngineOutcome RunEngineCommand(const std::vector<std::wstring>& args, const std::wstring& base, CallState& state) {
  try {
    Call call(base, state);
    return call.Run(args);
  } catch (...) {
    EngineOutcome o;
    o.kind = EngineOutcome::Kind::OutOfMemory;
    o.why = L"out of memory";
    return o;
  }
}

WORD EngineVersion() { return static_cast<WORD>(MY_VER_MAJOR * 100 + MY_VER_MINOR); }

}  // namespace archiver
