#include "WinTestSupport.h"

#include <commctrl.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "Archiver.h"

namespace test {

std::vector<RecordedBox> recordedBoxes;

namespace {
// Like the program: OLE in apartment mode on the GUI thread, for the whole run.
class OleEnvironment : public ::testing::Environment {
 public:
  void SetUp() override { ASSERT_TRUE(SUCCEEDED(OleInitialize(nullptr))); }
  void TearDown() override { OleUninitialize(); }
};
[[maybe_unused]] auto* const ole = ::testing::AddGlobalTestEnvironment(new OleEnvironment);
}  // namespace

std::wstring FromUnixPath(const std::string& unix) {
  std::wstring out = L"Z:";
  for (char c : unix) out += c == '/' ? L'\\' : static_cast<wchar_t>(static_cast<unsigned char>(c));
  return out;
}

std::wstring ExecutableFolder() {
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring s = path;
  return s.substr(0, s.find_last_of(L'\\') + 1);
}

std::wstring SystemFolder() {
  wchar_t path[MAX_PATH] = {};
  GetSystemDirectoryW(path, MAX_PATH);
  return path;
}

std::wstring FakeLibrary(const std::wstring& variant) {
  return FromUnixPath(MORVEL_FAKES_DIR) + L"\\fake7z_" + variant + L".dll";
}

std::wstring TrashFiles() { return FromUnixPath(MORVEL_TEST_HOME) + L"\\.local\\share\\Trash\\files"; }

void EmptyTrash() {
  const std::filesystem::path trash = std::filesystem::path(TrashFiles()).parent_path();
  for (const char* sub : {"files", "info"}) {
    std::filesystem::create_directories(trash / sub);
    for (const auto& entry : std::filesystem::directory_iterator(trash / sub)) std::filesystem::remove_all(entry.path());
  }
}

std::wstring FreshFolder() {
  const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
  std::string name = std::string(info->test_suite_name()) + "." + info->name();
  for (char& c : name)
    if (c == '/') c = '_';
  const std::wstring folder = FromUnixPath(MORVEL_TEST_WORK) + L"\\" + std::wstring(name.begin(), name.end());
  std::filesystem::remove_all(folder);
  std::filesystem::create_directories(folder);
  return folder;
}

void WriteBytes(const std::wstring& path, const std::string& bytes) {
  std::ofstream out(std::filesystem::path(path), std::ios::binary);
  out << bytes;
  ASSERT_TRUE(out.good()) << "cannot write fixture file";
}

bool Exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

void SetEnv(const wchar_t* name, const std::wstring& value) {
  SetEnvironmentVariableW(name, value.empty() ? nullptr : value.c_str());
}

bool PumpUntil(const std::function<bool()>& done, std::chrono::milliseconds limit) {
  const auto end = std::chrono::steady_clock::now() + limit;
  for (;;) {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    if (done()) return true;
    if (std::chrono::steady_clock::now() > end) return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
  }
}

// ---- TestWindow

namespace {
constexpr UINT kShellUpdate = WM_APP + 5;
constexpr wchar_t kClassName[] = L"MorvelCoreTestWindow";
}  // namespace

TestWindow::TestWindow() {
  static const ATOM atom = [] {
    WNDCLASSW wc = {};
    wc.lpfnWndProc = Proc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = kClassName;
    return RegisterClassW(&wc);
  }();
  (void)atom;
  hwnd_ = CreateWindowExW(0, kClassName, L"Morvel test", WS_OVERLAPPEDWINDOW, 0, 0, 300, 200, nullptr, nullptr,
                          GetModuleHandleW(nullptr), this);
}

TestWindow::~TestWindow() {
  if (registration_) SHChangeNotifyDeregister(registration_);
  DestroyWindow(hwnd_);
}

std::wstring TestWindow::Caption() const {
  wchar_t text[512] = {};
  GetWindowTextW(hwnd_, text, 512);
  return text;
}

void TestWindow::WatchShellUpdates() {
  PIDLIST_ABSOLUTE desktop = nullptr;
  ASSERT_EQ(SHGetSpecialFolderLocation(nullptr, CSIDL_DESKTOP, &desktop), S_OK);
  SHChangeNotifyEntry entry = {desktop, TRUE};
  registration_ = SHChangeNotifyRegister(hwnd_, SHCNRF_ShellLevel | SHCNRF_InterruptLevel | SHCNRF_NewDelivery,
                                         SHCNE_UPDATEDIR, kShellUpdate, 1, &entry);
  CoTaskMemFree(desktop);
  ASSERT_NE(registration_, 0u) << "SHChangeNotifyRegister refused the test window";
}

LRESULT CALLBACK TestWindow::Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE)
    SetWindowLongPtrW(hwnd, GWLP_USERDATA,
                      reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams));
  auto* self = reinterpret_cast<TestWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (message == kShellUpdate && self) {
    PIDLIST_ABSOLUTE* pidls = nullptr;
    LONG event = 0;
    HANDLE lock = SHChangeNotification_Lock(reinterpret_cast<HANDLE>(wParam), static_cast<DWORD>(lParam), &pidls, &event);
    if (lock) {
      wchar_t path[MAX_PATH] = {};
      if (event == SHCNE_UPDATEDIR && pidls && pidls[0] && SHGetPathFromIDListW(pidls[0], path)) {
        std::wstring p = path;
        while (p.size() > 3 && p.back() == L'\\') p.pop_back();
        self->updates.push_back(p);
      }
      SHChangeNotification_Unlock(lock);
    }
    return 0;
  }
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

// ---- TestHost

TestHost::TestHost() : form(window.Handle()), shop(new TSHOperation(&form)) { settings.owner = window.Handle(); }

TestHost::~TestHost() = default;

void TestHost::Event(const std::wstring& what) {
  events.push_back(watch.empty() ? what : what + (Exists(watch) ? L" (source there)" : L" (source gone)"));
  if (onEvent) onEvent(what);
}

void TestHost::AppendLog(const std::wstring& line) {
  log.push_back(line);
  Event(L"log " + line);
}

void TestHost::SetCaption(const std::wstring& text) {
  SetWindowTextW(window.Handle(), text.c_str());
  Event(L"caption " + text);
}

void TestHost::SetEnabled(bool enabled) {
  EnableWindow(window.Handle(), enabled);
  Event(enabled ? L"enable" : L"disable");
}

int TestHost::CallLibrary(const std::function<int()>& call) {
  Event(L"library call");
  const int code = call();
  Event(L"library returned");
  return code;
}

void TestHost::ProcessMessages() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  if (onProcessMessages) onProcessMessages();
}

// ---- FakeLog

FakeLog::FakeLog() {
  path_ = FreshFolder() + L"-fake.log";
  DeleteFileW(path_.c_str());
  SetEnv(L"MORVEL_FAKE7Z_LOG", path_);
}

FakeLog::~FakeLog() { SetEnv(L"MORVEL_FAKE7Z_LOG", L""); }

std::vector<FakeCall> FakeLog::Calls() const {
  std::ifstream in(std::filesystem::path(path_), std::ios::binary);
  const std::string all((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::vector<FakeCall> calls;
  size_t pos = 0;
  while (pos < all.size()) {
    const size_t eol = all.find('\n', pos);
    if (eol == std::string::npos) break;
    FakeCall call{all.substr(pos, eol - pos), {}};
    pos = eol + 1;
    if (call.header.rfind("SevenZip ", 0) == 0) {
      const size_t at = call.header.rfind("length=");
      const size_t length = std::stoul(call.header.substr(at + 7));
      call.command = all.substr(pos, length);
      pos += length + 1;
    }
    calls.push_back(call);
  }
  return calls;
}

std::vector<std::string> FakeLog::Headers() const {
  std::vector<std::string> out;
  for (const auto& c : Calls()) out.push_back(c.header);
  return out;
}

// ---- InstalledLibrary

InstalledLibrary::InstalledLibrary(const std::wstring& variant, const std::wstring& folder)
    : path_(folder + (folder.back() == L'\\' ? L"" : L"\\") + L"7-ZIP32.DLL") {
  EXPECT_TRUE(CopyFileW(FakeLibrary(variant).c_str(), path_.c_str(), FALSE))
      << "cannot install the fake library, error " << GetLastError();
}

InstalledLibrary::~InstalledLibrary() {
  UnloadArchiver();
  DeleteFileW(path_.c_str());
}

int WINAPI RecordBox(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type) {
  recordedBoxes.push_back({owner, text ? text : L"(null)", caption ? caption : L"(null)", type});
  return IDOK;
}

// ---- DialogWatcher

namespace {

// Plain functions, not lambdas: on 32-bit x86 the callbacks must be stdcall.
BOOL CALLBACK FindDialogProc(HWND hwnd, LPARAM param) {
  wchar_t cls[64] = {};
  GetClassNameW(hwnd, cls, 64);
  if (std::wstring(cls) == L"#32770" && IsWindowVisible(hwnd)) {
    *reinterpret_cast<HWND*>(param) = hwnd;
    return FALSE;
  }
  return TRUE;
}

struct TextSearch {
  const wchar_t* cls;
  std::vector<std::wstring> texts;
};

BOOL CALLBACK ChildTextProc(HWND child, LPARAM param) {
  auto* s = reinterpret_cast<TextSearch*>(param);
  wchar_t cls[64] = {};
  GetClassNameW(child, cls, 64);
  if (_wcsicmp(cls, s->cls) == 0) {
    wchar_t text[1024] = {};
    GetWindowTextW(child, text, 1024);
    s->texts.push_back(text);
  }
  return TRUE;
}

}  // namespace

HWND FindDialog(DWORD thread) {
  HWND found = nullptr;
  EnumThreadWindows(thread, FindDialogProc, reinterpret_cast<LPARAM>(&found));
  return found;
}

namespace {

std::wstring ItemText(HWND tree, HTREEITEM item) {
  wchar_t text[MAX_PATH] = {};
  TVITEMW tv{};
  tv.mask = TVIF_TEXT;
  tv.hItem = item;
  tv.pszText = text;
  tv.cchTextMax = MAX_PATH;
  return SendMessageW(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&tv)) ? text : L"";
}

HTREEITEM NextItem(HWND tree, UINT which, HTREEITEM from) {
  return reinterpret_cast<HTREEITEM>(SendMessageW(tree, TVM_GETNEXTITEM, which, reinterpret_cast<LPARAM>(from)));
}

}  // namespace

// As a user would: the folder's item among the children of the tree's root is
// clicked (selected), once the tree has them; the browser follows its tree.
// (Asking the browser itself, BFFM_SETSELECTION, is lost now and then here.)
void SelectInBrowser(HWND browser, const std::wstring& folder) {
  const std::wstring leaf = std::filesystem::path(folder).filename().wstring();
  for (int attempt = 0; attempt < 100; ++attempt) {
    HWND tree = FindWindowExW(browser, nullptr, L"SysTreeView32", nullptr);
    if (HTREEITEM root = tree ? NextItem(tree, TVGN_ROOT, nullptr) : nullptr) {
      SendMessageW(tree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(root));
      for (HTREEITEM child = NextItem(tree, TVGN_CHILD, root); child; child = NextItem(tree, TVGN_NEXT, child))
        if (_wcsicmp(ItemText(tree, child).c_str(), leaf.c_str()) == 0) {
          SendMessageW(tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(child));
          if (NextItem(tree, TVGN_CARET, nullptr) == child) return;
        }
    }
    Sleep(50);
  }
}

DialogWatcher::DialogWatcher(DWORD thread, std::function<void(HWND)> action, std::chrono::milliseconds limit)
    : thread_([this, thread, action, limit] {
        const auto end = std::chrono::steady_clock::now() + limit;
        while (std::chrono::steady_clock::now() < end) {
          if (HWND dialog = FindDialog(thread)) {
            found_ = true;
            action(dialog);
            return;
          }
          Sleep(20);
        }
      }) {}

DialogWatcher::~DialogWatcher() { Join(); }

void DialogWatcher::Join() {
  if (thread_.joinable()) thread_.join();
}

std::vector<std::wstring> ChildTexts(HWND dialog, const wchar_t* className) {
  TextSearch search{className, {}};
  EnumChildWindows(dialog, ChildTextProc, reinterpret_cast<LPARAM>(&search));
  return search.texts;
}

}  // namespace test
