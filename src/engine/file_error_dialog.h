#pragma once
#include <windows.h>

class InstallItem;

// A problem met while a file is installed. Any other value is an unknown
// problem, which the dialog still puts to the user with Cancel only.
enum FileSituation : int {
  FILE_SITUATION_NONE = 0,
  FILE_SITUATION_GENERAL = 1000,      // no folder part, no temporary file, final rename
  FILE_SITUATION_OPEN_SOURCE = 1001,  // the source file cannot be opened
  FILE_SITUATION_OPEN_TEMP = 1002,    // the temporary file cannot be opened for writing
  FILE_SITUATION_COPY = 1003,         // the decompression (copy) failed
  FILE_SITUATION_SIZE = 1010,         // bytes written differ from the item's size
  FILE_SITUATION_OLDER = 1011,        // the existing file has a newer version
  FILE_SITUATION_IN_USE = 1012,       // the existing file cannot be deleted
};

// The user's answer. As bits, the same values choose the buttons shown.
enum FileAnswer : int {
  FILE_ANSWER_REPLACE = 1,
  FILE_ANSWER_RETRY = 2,
  FILE_ANSWER_IGNORE = 4,
  FILE_ANSWER_SKIP = 8,
  FILE_ANSWER_CANCEL = 16,
};

// The creation parameter of the file error dialog.
struct FileErrorParams {
  char caption[260];  // the destination path
  char message[256];  // the explanation
  int showReplace;
  int showRetry;
  int showIgnore;
  int showSkip;
  int showCancel;
};

// Fills `params` for `path` and `situation`: caption, text from the string
// table of `instance`, and the buttons the situation offers.
void PrepareFileError(HINSTANCE instance, const char* path, FileSituation situation, FileErrorParams& params);

// Puts a file problem to the user in the modal file error dialog, owned by
// the progress window of the item's session, and returns the answer.
// A dialog that cannot be shown answers Cancel. The user's own Cancel is
// noted in the session (cancelledByUser); unattended, SilentAnswer
// answers and nothing is noted.
FileAnswer AskFileError(const InstallItem& item, const char* path, FileSituation situation);

// The answer that loses nothing when nobody can be asked: a newer file
// stays, a file in use is replaced at the restart, anything else cancels.
FileAnswer SilentAnswer(FileSituation situation);

// The same with the instance and owner given directly.
FileAnswer AskFileError(HINSTANCE instance, HWND owner, const char* path, FileSituation situation);

// Dialog procedure of dialog IDD_FILE_ERROR; the creation parameter is a
// FileErrorParams.
INT_PTR CALLBACK FileErrorDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
