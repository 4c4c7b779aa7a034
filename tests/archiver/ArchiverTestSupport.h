// What the library's tests share: the library loaded as Morvel loads it, a
// test tree with blanks and Japanese in its path, the Linux side reached
// through /bin/sh, and archives read back with unzip, 7zz and zipfile.
#pragma once
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "SevenZip32.h"
#include "Utf8.h"
#include "WideText.h"

namespace archtest {

inline std::string U8(std::wstring_view s) { return ToUtf8(U16(s)); }
inline std::wstring Wide(std::string_view s) { return W(FromUtf8(s)); }

inline std::string Unhex(const std::string& hex) {
  std::string r;
  for (size_t i = 0; i + 1 < hex.size(); i += 2) r += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
  return r;
}
inline std::string Hex(std::string_view s) {
  static const char digits[] = "0123456789abcdef";
  std::string r;
  for (unsigned char c : s) {
    r += digits[c >> 4];
    r += digits[c & 15];
  }
  return r;
}

// --- Wine's path conversions and the Linux side ---------------------------------

inline std::string UnixPath(const std::wstring& path) {
  using Proc = char*(CDECL*)(LPCWSTR);
  static Proc toUnix = reinterpret_cast<Proc>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
  if (!toUnix) return {};
  char* u = toUnix(path.c_str());
  if (!u) return {};
  std::string r = u;
  HeapFree(GetProcessHeap(), 0, u);
  return r;
}

inline std::wstring DosPath(const std::string& path) {
  using Proc = WCHAR*(CDECL*)(LPCSTR);
  static Proc toDos = reinterpret_cast<Proc>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_dos_file_name")));
  if (!toDos) return {};
  WCHAR* d = toDos(path.c_str());
  if (!d) return {};
  std::wstring r = d;
  HeapFree(GetProcessHeap(), 0, d);
  return r;
}

inline std::string Quote(const std::string& s) {  // for /bin/sh
  std::string r = "'";
  for (char c : s) r += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return r + "'";
}

inline std::string ReadFileText(const std::wstring& path) {
  std::string data;
  HANDLE f = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                         OPEN_EXISTING, 0, nullptr);
  if (f == INVALID_HANDLE_VALUE) return data;
  char buf[65536];
  DWORD got;
  while (ReadFile(f, buf, sizeof buf, &got, nullptr) && got) data.append(buf, got);
  CloseHandle(f);
  return data;
}

inline void WriteFileText(const std::wstring& path, const std::string& text) {
  HANDLE f = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  ASSERT_NE(f, INVALID_HANDLE_VALUE) << U8(path);
  DWORD wrote;
  WriteFile(f, text.data(), static_cast<DWORD>(text.size()), &wrote, nullptr);
  CloseHandle(f);
}

inline bool Exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

inline std::wstring g_root;     // the test tree, a Windows path with blanks and Japanese
inline std::string g_rootUnix;  // the same folder for the Linux side
inline std::wstring g_scratch;  // the shell scripts' own files, apart from the tree
inline std::string g_scratchUnix;

struct ShellResult {
  int code = -1;
  std::string output;
};

// Runs a script with /bin/sh and waits for the file it writes last, for at most two minutes.
inline ShellResult Shell(const std::string& script) {
  static int counter = 0;
  std::wstring name = g_scratch + L"\\shell-" + std::to_wstring(++counter);
  std::string u = g_scratchUnix + "/shell-" + std::to_string(counter);
  // Wine reuses process ids: a result left by an earlier run that crashed must not count.
  DeleteFileW((name + L".rc").c_str());
  WriteFileText(name + L".sh", "(\n" + script + "\n) >" + Quote(u + ".out") + " 2>&1 </dev/null\necho $? >" +
                                   Quote(u + ".part") + "\nmv " + Quote(u + ".part") + " " + Quote(u + ".rc") + "\n");
  std::wstring sh = DosPath("/bin/sh");
  std::wstring line = L"\"" + sh + L"\" \"" + Wide(u) + L".sh\"";
  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  ShellResult r;
  if (!CreateProcessW(sh.c_str(), line.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr, &si, &pi)) {
    ADD_FAILURE() << "cannot start /bin/sh";
    return r;
  }
  if (pi.hProcess) CloseHandle(pi.hProcess);
  if (pi.hThread) CloseHandle(pi.hThread);
  const ULONGLONG deadline = GetTickCount64() + 120000;
  while (!Exists(name + L".rc")) {
    if (GetTickCount64() > deadline) {
      ADD_FAILURE() << "the shell script never finished:\n" << script;
      return r;
    }
    Sleep(5);
  }
  r.code = std::stoi(ReadFileText(name + L".rc"));
  r.output = ReadFileText(name + L".out");
  return r;
}

// --- the library, as Morvel uses it ---------------------------------------------

struct Library {
  HMODULE module = nullptr;
  SevenZipProc sevenZip = nullptr;
  SevenZipGetVersionProc getVersion = nullptr;
  SevenZipGetSubVersionProc getSubVersion = nullptr;
  SevenZipSetUnicodeModeProc setUnicodeMode = nullptr;

  explicit Library(const std::wstring& path) {
    module = LoadLibraryW(path.c_str());
    if (!module) return;
    sevenZip = reinterpret_cast<SevenZipProc>(reinterpret_cast<void*>(GetProcAddress(module, "SevenZip")));
    getVersion =
        reinterpret_cast<SevenZipGetVersionProc>(reinterpret_cast<void*>(GetProcAddress(module, "SevenZipGetVersion")));
    getSubVersion = reinterpret_cast<SevenZipGetSubVersionProc>(
        reinterpret_cast<void*>(GetProcAddress(module, "SevenZipGetSubVersion")));
    setUnicodeMode = reinterpret_cast<SevenZipSetUnicodeModeProc>(
        reinterpret_cast<void*>(GetProcAddress(module, "SevenZipSetUnicodeMode")));
  }
  ~Library() {
    if (module) FreeLibrary(module);
  }
  bool Complete() const { return module && sevenZip && getVersion && getSubVersion && setUnicodeMode; }
};

inline Library& TheLibrary() {
  static Library lib(DosPath(ARCHIVER_DLL));
  return lib;
}

struct Call {
  int code = -1;
  std::string output;
};

inline Call SevenZipCall(const std::string& command, HWND owner = nullptr) {
  // Morvel's buffer: 65536 bytes offered as 65535.
  std::vector<char> out(65536, '\x7f');
  Call c;
  c.code = TheLibrary().sevenZip(owner, command.c_str(), out.data(), 65535);
  c.output = out.data();
  return c;
}

// Sets an environment variable for one test and puts the old value back.
class EnvVar {
 public:
  EnvVar(const wchar_t* name, const std::wstring& value) : name_(name) {
    wchar_t old[32768];
    DWORD n = GetEnvironmentVariableW(name, old, 32768);
    had_ = n > 0;
    if (had_) old_.assign(old, n);
    SetEnvironmentVariableW(name, value.c_str());
  }
  ~EnvVar() { SetEnvironmentVariableW(name_, had_ ? old_.c_str() : nullptr); }

 private:
  const wchar_t* name_;
  bool had_ = false;
  std::wstring old_;
};

// --- reading archives back ------------------------------------------------------

struct Listing {
  std::map<std::string, int> tools;     // exit codes of unzip -t and 7zz t
  bool zipfileOk = false;
  std::set<std::string> zipNames;       // folders end in '/'
  std::set<std::string> utf8Flagged;
  std::set<std::string> sevenNames;
  std::string raw;
};

inline Listing ReadBack(const std::wstring& archive) {
  Listing l;
  ShellResult r = Shell("python3 " + Quote(READ_ARCHIVE_SCRIPT) + " " + Quote(UnixPath(archive)));
  l.raw = r.output;
  EXPECT_EQ(r.code, 0) << r.output;
  size_t pos = 0;
  while (pos < r.output.size()) {
    size_t end = r.output.find('\n', pos);
    if (end == std::string::npos) end = r.output.size();
    std::string line = r.output.substr(pos, end - pos);
    pos = end + 1;
    char a[64] = {}, b[8] = {};
    int num = 0;
    if (line.rfind("tool ", 0) == 0 && std::sscanf(line.c_str(), "tool %63s %d", a, &num) == 2) {
      l.tools[a] = num;
    } else if (line.rfind("zipfile-test ", 0) == 0) {
      l.zipfileOk = line == "zipfile-test ok";
    } else if (line.rfind("zipfile ", 0) == 0) {
      std::vector<char> hex(line.size());
      if (std::sscanf(line.c_str(), "zipfile %7s %s %d", b, hex.data(), &num) == 3) {
        std::string name = Unhex(hex.data()) + (b[0] == 'D' ? "/" : "");
        l.zipNames.insert(name);
        if (num) l.utf8Flagged.insert(name);
      }
    } else if (line.rfind("7zz ", 0) == 0) {
      std::vector<char> hex(line.size());
      if (std::sscanf(line.c_str(), "7zz %7s %s", b, hex.data()) == 2)
        l.sevenNames.insert(Unhex(hex.data()) + (b[0] == 'D' ? "/" : ""));
    }
  }
  return l;
}

inline bool IsAscii(const std::string& s) {
  for (unsigned char c : s)
    if (c >= 0x80) return false;
  return true;
}

inline void ExpectZip(const std::wstring& archive, const std::set<std::string>& names) {
  SCOPED_TRACE(U8(archive));
  Listing l = ReadBack(archive);
  // unzip -t calls an archive without entries a warning ("zipfile is empty").
  if (!names.empty()) {
    EXPECT_EQ(l.tools["unzip-t"], 0) << l.raw;
  }
  EXPECT_EQ(l.tools["7zz-t"], 0) << l.raw;
  EXPECT_TRUE(l.zipfileOk) << l.raw;
  EXPECT_EQ(l.zipNames, names);
  // 7zz l shows a line break in a name as '_'; zipfile above has the real name.
  std::set<std::string> shown;
  for (std::string n : names) {
    for (char& ch : n)
      if (ch == '\n') ch = '_';
    shown.insert(n);
  }
  EXPECT_EQ(l.sevenNames, shown);
  for (const std::string& n : names) {
    if (!IsAscii(n)) {
      EXPECT_TRUE(l.utf8Flagged.count(n)) << "no UTF-8 flag on " << n;
    }
  }
}

inline void Expect7z(const std::wstring& archive, const std::set<std::string>& names) {
  SCOPED_TRACE(U8(archive));
  Listing l = ReadBack(archive);
  EXPECT_EQ(l.tools["7zz-t"], 0) << l.raw;
  EXPECT_EQ(l.tools.count("unzip-t"), 0u) << "not a 7z archive: " << l.raw;
  EXPECT_EQ(l.sevenNames, names);
}

// --- the tree -------------------------------------------------------------------

inline void MakeDir(const std::wstring& path) { CreateDirectoryW(path.c_str(), nullptr); }
inline void MakeFile(const std::wstring& path, const std::string& text = "some text\n") { WriteFileText(path, text); }

class Environment : public testing::Environment {
 public:
  void SetUp() override {
    wchar_t temp[MAX_PATH + 1];
    GetTempPathW(MAX_PATH + 1, temp);
    g_root = std::wstring(temp) + L"morvel arch テスト " + std::to_wstring(GetCurrentProcessId());
    g_scratch = std::wstring(temp) + L"morvel-arch-shell-" + std::to_wstring(GetCurrentProcessId());
    MakeDir(g_scratch);
    g_rootUnix = UnixPath(g_root);
    g_scratchUnix = UnixPath(g_scratch);
    ASSERT_FALSE(g_rootUnix.empty());
    ASSERT_FALSE(g_scratchUnix.empty());
    Shell("rm -rf " + Quote(g_rootUnix));  // what an earlier run that crashed left
    MakeDir(g_root);
    const std::wstring d = g_root + L"\\data";
    for (const wchar_t* dir : {L"", L"\\other", L"\\other\\photos", L"\\photos", L"\\photos\\nested",
                               L"\\photos\\nested\\deep", L"\\photos\\empty", L"\\emptydir", L"\\names"})
      MakeDir(d + dir);
    for (const wchar_t* file : {L"\\report.txt", L"\\other\\report.txt", L"\\other\\photos\\q.txt",
                                L"\\photos\\a b.jpg", L"\\photos\\日本語.txt", L"\\photos\\.hidden",
                                L"\\photos\\nested\\deep\\x.txt", L"\\names\\@notes.txt", L"\\names\\-x.txt",
                                L"\\names\\notes.txt", L"\\names\\x.txt"})
      MakeFile(d + file);
    SetFileAttributesW((d + L"\\photos\\.hidden").c_str(), FILE_ATTRIBUTE_HIDDEN);
    MakeDir(g_root + L"\\out");
  }
  void TearDown() override {
    if (!g_rootUnix.empty() && g_rootUnix.find("morvel arch") != std::string::npos)
      Shell("rm -rf " + Quote(g_rootUnix));
    WIN32_FIND_DATAW fd;
    HANDLE find = FindFirstFileW((g_scratch + L"\\*").c_str(), &fd);
    if (find != INVALID_HANDLE_VALUE) {
      do {
        DeleteFileW((g_scratch + L"\\" + fd.cFileName).c_str());
      } while (FindNextFileW(find, &fd));
      FindClose(find);
    }
    RemoveDirectoryW(g_scratch.c_str());
  }
};
inline const auto* g_environment = testing::AddGlobalTestEnvironment(new Environment);

inline std::string Q(const std::wstring& path) { return "\"" + U8(path) + "\""; }
inline std::wstring Data() { return g_root + L"\\data\\"; }
inline std::wstring Out(const std::wstring& name) { return g_root + L"\\out\\" + name; }

class ArchiverTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(TheLibrary().Complete()) << "cannot load " << ARCHIVER_DLL;
    TheLibrary().setUnicodeMode(TRUE);
  }
};

inline const std::set<std::string> kPhotos = {"a b.jpg", "日本語.txt", ".hidden", "nested/", "nested/deep/",
                                       "nested/deep/x.txt", "empty/"};
inline std::set<std::string> Under(const std::string& folder, const std::set<std::string>& names) {
  std::set<std::string> r;
  for (const std::string& n : names) r.insert(folder + n);
  return r;
}

// Holds a file open with no sharing, as a program that writes it would.
struct Locked {
  HANDLE h;
  explicit Locked(const std::wstring& path)
      : h(CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr)) {}
  ~Locked() {
    if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
  }
};

}  // namespace archtest
