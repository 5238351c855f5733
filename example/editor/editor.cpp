// Example Editor: one window that is all text. It is the program of the
// example installation set, so it has what a product being installed has:
// a version resource, a shared library it depends on (for its About text),
// a document type that opens it and a window class the installer can look
// for while the program runs.

#include <windows.h>

#include <new>
#include <vector>

#include "editor_ids.h"
#include "exshared.h"

namespace {

// Setup.dat names this class in its Check key: the installer asks the user
// to close the editor while a window of this class is open.
const char kClassName[] = "ExampleEditorWindow";
const char kAppName[] = "Example Editor";
const int kEditId = 100;
// The edit control is no place for big files; larger ones open empty.
const DWORD kMaxDocumentBytes = 1024 * 1024;

class FileHandle {
public:
  explicit FileHandle(HANDLE handle) : handle_(handle) {}
  ~FileHandle() {
    if (valid()) CloseHandle(handle_);
  }
  FileHandle(const FileHandle&) = delete;
  FileHandle& operator=(const FileHandle&) = delete;
  bool valid() const { return handle_ != INVALID_HANDLE_VALUE; }
  HANDLE get() const { return handle_; }

private:
  HANDLE handle_;
};

// The document named on the command line, without the quotation marks the
// shell puts around a path with blanks ("%0\Editor.exe" "%1").
void DocumentPath(const char* commandLine, char* path, size_t size) {
  path[0] = '\0';
  if (!commandLine) return;
  while (*commandLine == ' ' || *commandLine == '\t') ++commandLine;
  const char end = *commandLine == '"' ? '"' : '\0';
  if (end) ++commandLine;
  size_t length = 0;
  while (commandLine[length] && commandLine[length] != end && length + 1 < size) ++length;
  lstrcpynA(path, commandLine, static_cast<int>(length + 1));
  // Unquoted paths may carry trailing blanks from the shell.
  while (length > 0 && (path[length - 1] == ' ' || path[length - 1] == '\t')) path[--length] = '\0';
}

// Shows the file in the edit control; one that cannot be read leaves the
// window empty, as a new document.
bool LoadDocument(HWND edit, const char* path) {
  FileHandle file(
      CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.valid()) return false;
  const DWORD size = GetFileSize(file.get(), nullptr);
  if (size == INVALID_FILE_SIZE || size > kMaxDocumentBytes) return false;
  std::vector<char> text;
  try {
    text.resize(size + 1, '\0');
  } catch (const std::bad_alloc&) {
    return false;
  }
  DWORD read = 0;
  if (!ReadFile(file.get(), text.data(), size, &read, nullptr)) return false;
  text[read] = '\0';
  SetWindowTextA(edit, text.data());
  return true;
}

void SetTitle(HWND window, const char* path) {
  char title[MAX_PATH + 64];
  const char* name = "Untitled";
  if (path[0]) {
    name = path;
    for (const char* p = path; *p; ++p) {
      if (*p == '\\' || *p == '/') name = p + 1;
    }
  }
  wsprintfA(title, "%s - %s", name, kAppName);
  SetWindowTextA(window, title);
}

void ShowAbout(HWND window) {
  char text[512];
  ExSharedAboutText(text, sizeof text);
  MessageBoxA(window, text, "About Example Editor", MB_OK | MB_ICONINFORMATION);
}

LRESULT CALLBACK EditorWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CREATE: {
      HWND edit = CreateWindowExA(WS_EX_CLIENTEDGE, "EDIT", "",
                                  WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_HSCROLL | ES_MULTILINE | ES_AUTOVSCROLL |
                                      ES_AUTOHSCROLL | ES_WANTRETURN | ES_NOHIDESEL,
                                  0, 0, 0, 0, window, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kEditId)),
                                  reinterpret_cast<CREATESTRUCTA*>(lParam)->hInstance, nullptr);
      if (!edit) return -1;
      SendMessageA(edit, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(ANSI_FIXED_FONT)), FALSE);
      // A multi-line edit control stops at 32K characters unless told.
      SendMessageA(edit, EM_LIMITTEXT, 0, 0);
      return 0;
    }
    case WM_SIZE:
      MoveWindow(GetDlgItem(window, kEditId), 0, 0, LOWORD(lParam), HIWORD(lParam), TRUE);
      return 0;
    case WM_SETFOCUS:
      SetFocus(GetDlgItem(window, kEditId));
      return 0;
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case IDM_FILE_EXIT:
          SendMessageA(window, WM_CLOSE, 0, 0);
          return 0;
        case IDM_HELP_ABOUT:
          ShowAbout(window);
          return 0;
      }
      break;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int showCommand) {
  WNDCLASSA windowClass = {};
  windowClass.lpfnWndProc = EditorWndProc;
  windowClass.hInstance = instance;
  windowClass.hIcon = LoadIconA(nullptr, MAKEINTRESOURCEA(32512));  // IDI_APPLICATION
  windowClass.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));  // IDC_ARROW
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  windowClass.lpszMenuName = MAKEINTRESOURCEA(IDR_EDITOR_MENU);
  windowClass.lpszClassName = kClassName;
  if (!RegisterClassA(&windowClass)) return 1;

  HWND window = CreateWindowExA(0, kClassName, kAppName, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT, 640, 480,
                                nullptr, nullptr, instance, nullptr);
  if (!window) return 1;

  char path[MAX_PATH];
  DocumentPath(commandLine, path, sizeof path);
  if (path[0] && !LoadDocument(GetDlgItem(window, kEditId), path)) path[0] = '\0';
  SetTitle(window, path);

  ShowWindow(window, showCommand);
  UpdateWindow(window);

  MSG message;
  while (GetMessageA(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  return static_cast<int>(message.wParam);
}
