// uiauto_target: a small GUI program that test_uiauto drives through the
// uiauto library. What it shows and its exit code depend on its arguments:
//
//   (none)            a message box, then the main dialog; exits with the id
//                     of the button that closed the dialog
//   --exit N          exits with code N at once, without any window
//   --boxes N [--icon stop|warning|information|question|none] [--yesno]
//                     N message boxes one after the other; exits with the sum
//                     of the answers
//   --window [--maximized]
//                     an ordinary top-level window; exits with 42 when closed
//   --wizard          a two-page wizard property sheet; exits with 10 + the
//                     state of the check box on page 2 if finished, 0 if cancelled
//   --spawn-child     starts `--boxes 1` as a child, then shows a box whose
//                     text holds the child's process id
//
// Dialogs are built in memory so no resource script is needed.
#include <windows.h>
#include <commctrl.h>

#include <cstdlib>
#include <initializer_list>
#include <string>
#include <vector>

namespace {

// Ids of the main dialog's controls.
constexpr int kIdNameEdit = 101;
constexpr int kIdEcho = 102;          // "<id>:<text>" of the edit that last sent EN_CHANGE
constexpr int kIdEnableApply = 103;   // auto check box; enables kIdApply
constexpr int kIdApply = 104;         // disabled until kIdEnableApply is ticked
constexpr int kIdRed = 105;           // auto radio buttons
constexpr int kIdBlue = 106;
constexpr int kIdFolder = 107;        // current folder
constexpr int kIdArgs = 108;          // arguments as the C runtime split them, joined by "|"
constexpr int kIdAsk = 109;           // asks a yes/no question in an owned box
constexpr int kIdAnswer = 110;        // "yes" or "no" after kIdAsk
constexpr int kIdNotes = 111;         // multi-line edit
constexpr int kIdList = 113;          // list box
constexpr int kIdSelection = 114;     // "selected:<item>" after a selection change
constexpr int kIdBusy = 115;          // keeps the dialog from reading messages for 3 s

// Wizard controls.
constexpr int kIdWizardEdit = 201;
constexpr int kIdWizardCheck = 202;

// Builds a DLGTEMPLATE with its items in a WORD buffer, keeping the DWORD
// alignment the items need.
class DialogTemplate {
 public:
  DialogTemplate(const char* title, DWORD style, short cx, short cy) {
    Append32(style | DS_SETFONT);
    Append32(0);  // extended style
    countAt_ = words_.size();
    Append16(0);  // item count, patched by Add
    Append16(0);  // x
    Append16(0);  // y
    Append16(static_cast<WORD>(cx));
    Append16(static_cast<WORD>(cy));
    Append16(0);  // no menu
    Append16(0);  // standard dialog class
    AppendText(title);
    Append16(8);  // font size
    AppendText("MS Shell Dlg");
  }

  // cls: 0x0080 button, 0x0081 edit, 0x0082 static, 0x0083 list box.
  void Add(WORD cls, int id, const char* text, DWORD style, short x, short y, short cx, short cy) {
    while (words_.size() % 2 != 0) Append16(0);
    Append32(style | WS_CHILD | WS_VISIBLE);
    Append32(0);
    Append16(static_cast<WORD>(x));
    Append16(static_cast<WORD>(y));
    Append16(static_cast<WORD>(cx));
    Append16(static_cast<WORD>(cy));
    Append16(static_cast<WORD>(id));
    Append16(0xFFFF);
    Append16(cls);
    AppendText(text);
    Append16(0);  // no creation data
    ++words_[countAt_];
  }

  const DLGTEMPLATE* Get() const { return reinterpret_cast<const DLGTEMPLATE*>(words_.data()); }

 private:
  void Append16(WORD w) { words_.push_back(w); }
  void Append32(DWORD d) {
    Append16(LOWORD(d));
    Append16(HIWORD(d));
  }
  void AppendText(const char* s) {
    for (; *s != '\0'; ++s) Append16(static_cast<WORD>(static_cast<unsigned char>(*s)));
    Append16(0);
  }

  std::vector<WORD> words_;
  std::size_t countAt_ = 0;
};

std::string TextOf(HWND dlg, int id) {
  char buf[1024] = {};
  GetDlgItemTextA(dlg, id, buf, static_cast<int>(sizeof buf));
  return buf;
}

std::string g_args;

INT_PTR CALLBACK MainDialogProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM /*lParam*/) {
  switch (msg) {
    case WM_INITDIALOG: {
      CheckRadioButton(dlg, kIdRed, kIdBlue, kIdRed);
      EnableWindow(GetDlgItem(dlg, kIdApply), FALSE);
      char folder[MAX_PATH] = {};
      GetCurrentDirectoryA(MAX_PATH, folder);
      SetDlgItemTextA(dlg, kIdFolder, folder);
      SetDlgItemTextA(dlg, kIdArgs, g_args.c_str());
      for (const char* item : {"alpha", "beta", "gamma"}) {
        SendDlgItemMessageA(dlg, kIdList, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item));
      }
      return TRUE;
    }
    case WM_COMMAND: {
      const int id = LOWORD(wParam);
      const int code = HIWORD(wParam);
      if ((id == kIdNameEdit || id == kIdNotes) && code == EN_CHANGE) {
        SetDlgItemTextA(dlg, kIdEcho, (std::to_string(id) + ":" + TextOf(dlg, id)).c_str());
        return TRUE;
      }
      if (id == kIdList && code == LBN_SELCHANGE) {
        const LRESULT sel = SendDlgItemMessageA(dlg, kIdList, LB_GETCURSEL, 0, 0);
        char item[64] = {};
        if (sel >= 0) {
          SendDlgItemMessageA(dlg, kIdList, LB_GETTEXT, static_cast<WPARAM>(sel),
                              reinterpret_cast<LPARAM>(item));
        }
        SetDlgItemTextA(dlg, kIdSelection, (std::string("selected:") + item).c_str());
        return TRUE;
      }
      if (code != BN_CLICKED) return FALSE;
      switch (id) {
        case kIdEnableApply:
          EnableWindow(GetDlgItem(dlg, kIdApply), IsDlgButtonChecked(dlg, kIdEnableApply) == BST_CHECKED);
          return TRUE;
        case kIdAsk: {
          const int answer = MessageBoxA(dlg, "Proceed?", "Question", MB_YESNO | MB_ICONQUESTION);
          SetDlgItemTextA(dlg, kIdAnswer, answer == IDYES ? "yes" : "no");
          return TRUE;
        }
        case IDOK: {
          const std::string summary =
              "name=" + TextOf(dlg, kIdNameEdit) +
              ";check=" + (IsDlgButtonChecked(dlg, kIdEnableApply) == BST_CHECKED ? "1" : "0") +
              ";color=" + (IsDlgButtonChecked(dlg, kIdBlue) == BST_CHECKED ? "blue" : "red");
          MessageBoxA(dlg, summary.c_str(), "Summary", MB_OK);
          EndDialog(dlg, IDOK);
          return TRUE;
        }
        case kIdBusy:
          Sleep(3000);
          return TRUE;
        case IDCANCEL:
        case kIdApply:
          EndDialog(dlg, id);
          return TRUE;
        default:
          return FALSE;
      }
    }
    default:
      return FALSE;
  }
}

int RunMainDialog() {
  MessageBoxA(nullptr, "Hello from the target.\nSecond line.", "UiAuto Target",
              MB_OK | MB_ICONINFORMATION);
  DialogTemplate t("UiAuto Target Dialog",
                   WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_CENTER, 260, 200);
  // An unnumbered label like most dialogs have; it must not make the
  // dialog look like a message box.
  t.Add(0x0082, -1, "Name:", SS_LEFT, 7, 9, 40, 8);
  t.Add(0x0081, kIdNameEdit, "", ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP, 50, 7, 120, 12);
  t.Add(0x0082, kIdEcho, "", SS_LEFT, 7, 24, 200, 8);
  t.Add(0x0080, kIdEnableApply, "Enable Apply", BS_AUTOCHECKBOX | WS_TABSTOP, 7, 36, 100, 10);
  t.Add(0x0080, kIdApply, "Apply", BS_PUSHBUTTON | WS_TABSTOP, 110, 34, 50, 14);
  t.Add(0x0080, kIdRed, "Red", BS_AUTORADIOBUTTON | WS_GROUP | WS_TABSTOP, 7, 52, 50, 10);
  t.Add(0x0080, kIdBlue, "Blue", BS_AUTORADIOBUTTON, 60, 52, 50, 10);
  t.Add(0x0082, kIdFolder, "", SS_LEFT | WS_GROUP, 7, 66, 240, 8);
  t.Add(0x0082, kIdArgs, "", SS_LEFT, 7, 76, 240, 8);
  t.Add(0x0080, kIdAsk, "Ask", BS_PUSHBUTTON | WS_TABSTOP, 7, 88, 50, 14);
  t.Add(0x0082, kIdAnswer, "", SS_LEFT, 60, 91, 60, 8);
  t.Add(0x0081, kIdNotes, "", ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN | WS_BORDER | WS_TABSTOP,
        7, 106, 120, 30);
  t.Add(0x0083, kIdList, "", LBS_NOTIFY | WS_BORDER | WS_VSCROLL | WS_TABSTOP, 135, 106, 60, 40);
  t.Add(0x0082, kIdSelection, "", SS_LEFT, 135, 150, 100, 8);
  t.Add(0x0080, kIdBusy, "Busy", BS_PUSHBUTTON | WS_TABSTOP, 7, 180, 50, 14);
  t.Add(0x0080, IDOK, "OK", BS_DEFPUSHBUTTON | WS_TABSTOP, 140, 180, 50, 14);
  t.Add(0x0080, IDCANCEL, "Cancel", BS_PUSHBUTTON | WS_TABSTOP, 200, 180, 50, 14);
  const INT_PTR r = DialogBoxIndirectParamA(GetModuleHandleA(nullptr), t.Get(), nullptr,
                                            MainDialogProc, 0);
  return static_cast<int>(r);
}

int RunBoxes(int count, const std::string& icon, bool yesNo) {
  UINT type = yesNo ? MB_YESNO : MB_OK;
  if (icon == "stop") type |= MB_ICONSTOP;
  if (icon == "warning") type |= MB_ICONWARNING;
  if (icon == "information") type |= MB_ICONINFORMATION;
  if (icon == "question") type |= MB_ICONQUESTION;
  int sum = 0;
  for (int i = 1; i <= count; ++i) {
    const std::string caption = "Box " + std::to_string(i) + " of " + std::to_string(count);
    const std::string text = "Message number " + std::to_string(i);
    sum += MessageBoxA(nullptr, text.c_str(), caption.c_str(), type);
  }
  return sum;
}

LRESULT CALLBACK PlainWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_DESTROY) {
    PostQuitMessage(42);
    return 0;
  }
  return DefWindowProcA(hwnd, msg, wParam, lParam);
}

int RunWindow(bool maximized) {
  WNDCLASSA wc = {};
  wc.lpfnWndProc = PlainWindowProc;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));
  wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_WINDOW + 1));
  wc.lpszClassName = "UiAutoTargetWindow";
  if (!RegisterClassA(&wc)) return 1;
  HWND hwnd = CreateWindowExA(0, wc.lpszClassName, "UiAuto Target Window", WS_OVERLAPPEDWINDOW,
                              CW_USEDEFAULT, CW_USEDEFAULT, 400, 300, nullptr, nullptr,
                              wc.hInstance, nullptr);
  if (hwnd == nullptr) return 2;
  ShowWindow(hwnd, maximized ? SW_SHOWMAXIMIZED : SW_SHOWNORMAL);
  MSG m;
  while (GetMessageA(&m, nullptr, 0, 0) > 0) {
    TranslateMessage(&m);
    DispatchMessageA(&m);
  }
  return static_cast<int>(m.wParam);
}

int g_wizardResult = 0;

INT_PTR CALLBACK WizardPageProc(HWND page, UINT msg, WPARAM /*wParam*/, LPARAM lParam) {
  if (msg != WM_NOTIFY) return FALSE;
  const NMHDR* hdr = reinterpret_cast<const NMHDR*>(lParam);
  HWND sheet = GetParent(page);
  const bool last = GetDlgItem(page, kIdWizardCheck) != nullptr;
  switch (hdr->code) {
    case PSN_SETACTIVE:
      PropSheet_SetWizButtons(sheet, last ? (PSWIZB_BACK | PSWIZB_FINISH) : PSWIZB_NEXT);
      return TRUE;
    case PSN_WIZFINISH:
      g_wizardResult = 10 + (IsDlgButtonChecked(page, kIdWizardCheck) == BST_CHECKED ? 1 : 0);
      return TRUE;
    default:
      return FALSE;
  }
}

int RunWizard() {
  INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_WIN95_CLASSES};
  InitCommonControlsEx(&icc);
  DialogTemplate first("First", WS_CHILD | WS_CAPTION | DS_CONTROL, 200, 100);
  first.Add(0x0082, -1, "Folder:", SS_LEFT, 7, 9, 40, 8);
  first.Add(0x0081, kIdWizardEdit, "C:\\Target", ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP, 50, 7, 120, 12);
  DialogTemplate second("Second", WS_CHILD | WS_CAPTION | DS_CONTROL, 200, 100);
  second.Add(0x0080, kIdWizardCheck, "Create shortcut", BS_AUTOCHECKBOX | WS_TABSTOP, 7, 7, 100, 10);

  PROPSHEETPAGEA pages[2] = {};
  const DialogTemplate* templates[2] = {&first, &second};
  for (int i = 0; i < 2; ++i) {
    pages[i].dwSize = sizeof pages[i];
    pages[i].dwFlags = PSP_DLGINDIRECT;
    pages[i].hInstance = GetModuleHandleA(nullptr);
    pages[i].pResource = templates[i]->Get();
    pages[i].pfnDlgProc = WizardPageProc;
  }
  PROPSHEETHEADERA header = {};
  header.dwSize = sizeof header;
  header.dwFlags = PSH_PROPSHEETPAGE | PSH_WIZARD | PSH_NOAPPLYNOW;
  header.hInstance = GetModuleHandleA(nullptr);
  header.pszCaption = "UiAuto Wizard";
  header.nPages = 2;
  header.ppsp = pages;
  PropertySheetA(&header);
  return g_wizardResult;
}

int RunSpawnChild() {
  char self[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, self, MAX_PATH);
  std::string cmd = std::string("\"") + self + "\" --boxes 1";
  STARTUPINFOA si = {};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi = {};
  if (!CreateProcessA(nullptr, &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
    return 3;
  }
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  const std::string text = "child " + std::to_string(pi.dwProcessId);
  MessageBoxA(nullptr, text.c_str(), "Parent", MB_OK);
  return 0;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  std::vector<std::string> args;
  for (int i = 1; i < __argc; ++i) {
    args.emplace_back(__argv[i]);
    g_args += (i > 1 ? "|" : "") + args.back();
  }
  auto has = [&](const char* flag) {
    for (const std::string& a : args) {
      if (a == flag) return true;
    }
    return false;
  };
  auto value = [&](const char* flag, const char* fallback) {
    for (std::size_t i = 0; i + 1 < args.size(); ++i) {
      if (args[i] == flag) return args[i + 1];
    }
    return std::string(fallback);
  };
  if (has("--exit")) return std::atoi(value("--exit", "0").c_str());
  if (has("--boxes")) {
    return RunBoxes(std::atoi(value("--boxes", "1").c_str()), value("--icon", "none"), has("--yesno"));
  }
  if (has("--window")) return RunWindow(has("--maximized"));
  if (has("--wizard")) return RunWizard();
  if (has("--spawn-child")) return RunSpawnChild();
  return RunMainDialog();
}
