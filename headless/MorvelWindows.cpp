#include "MorvelWindows.h"

#include "WindowText.h"

namespace headless {

namespace {

struct Search {
  DWORD pid;
  MorvelWindows found;
};

BOOL CALLBACK Collect(HWND hwnd, LPARAM param) {
  auto* s = reinterpret_cast<Search*>(param);
  DWORD pid = 0;
  GetWindowThreadProcessId(hwnd, &pid);
  if (pid != s->pid) return TRUE;
  const std::wstring cls = ClassOf(hwnd);
  if (cls == L"Morvel7z32Reasons") s->found.reasons = hwnd;
  else if (cls == L"Morvel7z32Progress" && IsWindowVisible(hwnd)) s->found.progress = hwnd;
  else if (cls == L"#32770" && IsWindowVisible(hwnd)) s->found.boxes.push_back(hwnd);
  else if (cls == L"TMorvelForm") {
    if (GetMenu(hwnd)) s->found.main = hwnd;
    else if (IsWindowVisible(hwnd) && TextOf(hwnd) == L"圧縮設定") s->found.options = hwnd;
  }
  return TRUE;
}

struct ChildSearch {
  std::wstring cls;
  std::vector<HWND> found;
};

BOOL CALLBACK CollectChild(HWND hwnd, LPARAM param) {
  auto* s = reinterpret_cast<ChildSearch*>(param);
  if (_wcsicmp(ClassOf(hwnd).c_str(), s->cls.c_str()) == 0) s->found.push_back(hwnd);
  return TRUE;
}

std::vector<HWND> Children(HWND parent, const wchar_t* cls) {
  ChildSearch s{cls, {}};
  EnumChildWindows(parent, CollectChild, reinterpret_cast<LPARAM>(&s));
  return s.found;
}

void Press(HWND button) { PostMessageW(button, BM_CLICK, 0, 0); }

}  // namespace

MorvelWindows FindMorvelWindows(DWORD pid) {
  Search s{pid, {}};
  EnumWindows(Collect, reinterpret_cast<LPARAM>(&s));
  return s.found;
}

Box ReadBox(HWND box) {
  Box b{TextOf(box), {}};
  for (HWND s : Children(box, L"Static")) {
    const std::wstring text = ControlText(s);
    if (text.empty()) continue;
    if (!b.text.empty()) b.text += L" ";
    b.text += text;
  }
  return b;
}

void AnswerBox(HWND box) {
  for (int id : {IDOK, IDYES, IDCANCEL, IDCLOSE}) {
    if (HWND button = GetDlgItem(box, id); button && IsWindowEnabled(button)) {
      Press(button);
      return;
    }
  }
  PostMessageW(box, WM_CLOSE, 0, 0);
}

void PressOk(HWND options) {
  for (HWND b : Children(options, L"Button"))
    if (TextOf(b) == L"OK") {
      Press(b);
      return;
    }
}

void CancelJob(HWND progress) {
  if (HWND cancel = GetDlgItem(progress, IDCANCEL)) Press(cancel);
  else PostMessageW(progress, WM_CLOSE, 0, 0);  // its close box cancels too
}

std::vector<std::wstring> ReasonLines(HWND reasons) {
  std::vector<std::wstring> lines;
  const std::wstring text = ControlText(GetDlgItem(reasons, 100));
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find(L'\n', start);
    if (end == std::wstring::npos) end = text.size();
    std::wstring line = text.substr(start, end - start);
    if (!line.empty() && line.back() == L'\r') line.pop_back();
    if (!line.empty()) lines.push_back(std::move(line));
    start = end + 1;
  }
  return lines;
}

}  // namespace headless
