// The resident helper that starts the Linux engine's scripts: one per process,
// replaced when it was killed, and nothing of it left once its process lets
// the library go or ends. Without it (switched off) calls still work.
#include "ArchiverTestSupport.h"
#include "CommandText.h"

namespace {

using namespace archtest;

struct Seen {
  std::string pid;
  std::string folder;  // Unix path
};

// The helpers of one Windows process, found by the name of their folder.
std::vector<Seen> HelpersOf(DWORD windowsPid) {
  const std::string pattern = "7z32-" + std::to_string(windowsPid) + "-[0-9]*-[0-9]*/helper.sh";
  ShellResult r = Shell("for f in $(grep -la '" + pattern +
                        "' /proc/[0-9]*/cmdline 2>/dev/null); do p=${f#/proc/}; "
                        "printf '%s\\t%s\\n' \"${p%/cmdline}\" \"$(tr '\\0' '\\n' <\"$f\" | tail -n 1)\"; done");
  std::vector<Seen> seen;
  size_t pos = 0;
  while (pos < r.output.size()) {
    size_t end = r.output.find('\n', pos);
    if (end == std::string::npos) end = r.output.size();
    const std::string line = r.output.substr(pos, end - pos);
    pos = end + 1;
    const size_t tab = line.find('\t');
    if (tab != std::string::npos) seen.push_back({line.substr(0, tab), line.substr(tab + 1)});
  }
  return seen;
}

bool FolderExists(const std::string& unixFolder) { return Shell("test -e " + Quote(unixFolder)).code == 0; }

// Waits at most 30 s for the process's helpers to end and their folders to go.
::testing::AssertionResult NothingLeft(DWORD windowsPid, const std::vector<Seen>& seen) {
  const ULONGLONG end = GetTickCount64() + 30000;
  for (;;) {
    const std::vector<Seen> now = HelpersOf(windowsPid);
    bool folders = false;
    for (const Seen& s : seen) folders = folders || FolderExists(s.folder);
    if (now.empty() && !folders) return ::testing::AssertionSuccess();
    if (GetTickCount64() > end)
      return ::testing::AssertionFailure() << now.size() << " helper(s) still running, folders left: " << folders;
    Sleep(100);
  }
}

struct Child {
  PROCESS_INFORMATION pi{};
  std::wstring resultFile;
  ~Child() {
    if (pi.hProcess) {
      TerminateProcess(pi.hProcess, 0);
      WaitForSingleObject(pi.hProcess, 10000);
      CloseHandle(pi.hProcess);
    }
    if (pi.hThread) CloseHandle(pi.hThread);
  }
  // The library's answer, or -1 when the child wrote none within two minutes.
  int Result() {
    const ULONGLONG end = GetTickCount64() + 120000;
    while (!Exists(resultFile)) {
      if (GetTickCount64() > end || WaitForSingleObject(pi.hProcess, 0) == WAIT_OBJECT_0) return -1;
      Sleep(20);
    }
    return std::stoi(ReadFileText(resultFile));
  }
};

// Starts call-and-stay: one call that packs report.txt into the archive, then it stays.
void StartChild(Child& child, const std::wstring& archive, const wchar_t* mode) {
  child.resultFile = g_scratch + L"\\child-" + std::wstring(mode) + L".rc";
  DeleteFileW(child.resultFile.c_str());
  const std::string command = "a -tzip " + Q(archive) + " " + Q(Data()) + " \"report.txt\"";
  const std::wstring program = DosPath(CALL_AND_STAY);
  std::wstring line = Wide(archiver::WindowsQuote(U8(program)) + " " + archiver::WindowsQuote(U8(DosPath(ARCHIVER_DLL))) +
                           " " + archiver::WindowsQuote(command) + " " + archiver::WindowsQuote(U8(child.resultFile)) +
                           " " + U8(mode));
  STARTUPINFOW si{};
  si.cb = sizeof si;
  ASSERT_TRUE(CreateProcessW(program.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &child.pi))
      << GetLastError();
}

TEST_F(ArchiverTest, TheHelperEndsWhenItsProcessLetsTheLibraryGoOrEnds) {
  for (const wchar_t* mode : {L"unload", L"keep"}) {
    SCOPED_TRACE(U8(mode));
    const std::wstring archive = Out(L"helper-" + std::wstring(mode) + L".zip");
    Child child;
    StartChild(child, archive, mode);
    ASSERT_EQ(child.Result(), SEVENZIP32_OK);
    ExpectZip(archive, {"report.txt"});
    std::vector<Seen> seen;
    if (std::wstring(mode) == L"keep") {
      seen = HelpersOf(child.pi.dwProcessId);
      ASSERT_EQ(seen.size(), 1u) << "one helper for the process while it holds the library";
      // Killed, as a crash or the task manager would: no chance to say goodbye.
      TerminateProcess(child.pi.hProcess, 1);
    }
    EXPECT_TRUE(NothingLeft(child.pi.dwProcessId, seen));
  }
}

TEST_F(ArchiverTest, AKilledHelperIsReplacedAndItsFolderRemoved) {
  ASSERT_EQ(SevenZipCall("a -tzip " + Q(Out(L"before-kill.zip")) + " " + Q(Data()) + " \"report.txt\"").code,
            SEVENZIP32_OK);
  const std::vector<Seen> first = HelpersOf(GetCurrentProcessId());
  ASSERT_EQ(first.size(), 1u);
  ASSERT_EQ(Shell("kill -9 " + first[0].pid).code, 0);

  const std::wstring archive = Out(L"after-kill.zip");
  Call c = SevenZipCall("a -tzip " + Q(archive) + " " + Q(Data()) + " \"report.txt\"");
  ASSERT_EQ(c.code, SEVENZIP32_OK) << c.output;
  ExpectZip(archive, {"report.txt"});
  const std::vector<Seen> second = HelpersOf(GetCurrentProcessId());
  ASSERT_EQ(second.size(), 1u);
  EXPECT_NE(second[0].pid, first[0].pid);
  EXPECT_FALSE(FolderExists(first[0].folder)) << first[0].folder << Shell("ls -la " + Quote(first[0].folder)).output;
}

TEST_F(ArchiverTest, WithoutTheHelperEachCallStartsItsOwnShell) {
  EnvVar off(SEVENZIP32_NO_HELPER_VARIABLE, L"1");  // inherited by the child
  const std::wstring archive = Out(L"no-helper.zip");
  Child child;
  StartChild(child, archive, L"keep");
  ASSERT_EQ(child.Result(), SEVENZIP32_OK);
  ExpectZip(archive, {"report.txt"});
  EXPECT_TRUE(HelpersOf(child.pi.dwProcessId).empty());
}

}  // namespace
