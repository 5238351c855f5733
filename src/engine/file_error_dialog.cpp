#include "engine/file_error_dialog.h"

#include "engine/progress_window.h"
#include "platform/globals.h"
#include "platform/run_log.h"
#include "resources/resource_ids.h"
#include "setupdat/install_item.h"
#include "session/setup_session.h"
#include "platform/string_table.h"

namespace {

struct SituationText {
  FileSituation situation;
  UINT stringId;
  int buttons;  // FileAnswer bits
};

// Every situation offers Cancel, so the close box and Escape (IDCANCEL)
// always have a button behind them.
const SituationText kSituations[] = {
    {FILE_SITUATION_GENERAL, IDS_FILE_SETUP_ERROR, FILE_ANSWER_SKIP | FILE_ANSWER_CANCEL},
    {FILE_SITUATION_OPEN_SOURCE, IDS_FILE_CANNOT_CREATE, FILE_ANSWER_SKIP | FILE_ANSWER_CANCEL},
    {FILE_SITUATION_OPEN_TEMP, IDS_FILE_DISK_FULL, FILE_ANSWER_RETRY | FILE_ANSWER_SKIP | FILE_ANSWER_CANCEL},
    {FILE_SITUATION_COPY, IDS_FILE_DISK_FULL, FILE_ANSWER_RETRY | FILE_ANSWER_SKIP | FILE_ANSWER_CANCEL},
    {FILE_SITUATION_SIZE, IDS_FILE_SIZE_MISMATCH,
     FILE_ANSWER_RETRY | FILE_ANSWER_IGNORE | FILE_ANSWER_SKIP | FILE_ANSWER_CANCEL},
    {FILE_SITUATION_OLDER, IDS_FILE_OLDER_VERSION, FILE_ANSWER_REPLACE | FILE_ANSWER_SKIP | FILE_ANSWER_CANCEL},
    {FILE_SITUATION_IN_USE, IDS_FILE_IN_USE,
     FILE_ANSWER_RETRY | FILE_ANSWER_IGNORE | FILE_ANSWER_SKIP | FILE_ANSWER_CANCEL},
};

struct ButtonAnswer {
  int controlId;
  FileAnswer answer;
};

const ButtonAnswer kButtons[] = {
    {IDC_REPLACE, FILE_ANSWER_REPLACE}, {IDC_RETRY, FILE_ANSWER_RETRY}, {IDC_IGNORE, FILE_ANSWER_IGNORE},
    {IDC_SKIP, FILE_ANSWER_SKIP},       {IDCANCEL, FILE_ANSWER_CANCEL},
};

const char* AnswerName(FileAnswer answer) {
  switch (answer) {
    case FILE_ANSWER_REPLACE:
      return "Replace";
    case FILE_ANSWER_RETRY:
      return "Retry";
    case FILE_ANSWER_IGNORE:
      return "Ignore";
    case FILE_ANSWER_SKIP:
      return "Skip";
    default:
      return "Cancel";
  }
}

bool IsAnswer(INT_PTR result) {
  for (const ButtonAnswer& button : kButtons) {
    if (result == button.answer) return true;
  }
  return false;
}

void CentreOnWorkArea(HWND dialog) {
  RECT window;
  RECT work;
  if (!GetWindowRect(dialog, &window)) return;
  if (!SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0)) return;
  const int width = window.right - window.left;
  const int height = window.bottom - window.top;
  const int x = work.left + ((work.right - work.left) - width) / 2;
  const int y = work.top + ((work.bottom - work.top) - height) / 2;
  SetWindowPos(dialog, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
}

void InitDialog(HWND dialog, const FileErrorParams& params) {
  SetWindowTextA(dialog, params.caption);
  SetDlgItemTextA(dialog, IDC_FILE_ERROR_MESSAGE, params.message);
  const int shown[] = {params.showReplace, params.showRetry, params.showIgnore, params.showSkip, params.showCancel};
  for (std::size_t i = 0; i < sizeof(kButtons) / sizeof(kButtons[0]); ++i) {
    if (HWND button = GetDlgItem(dialog, kButtons[i].controlId)) {
      ShowWindow(button, shown[i] ? SW_SHOW : SW_HIDE);
    }
  }
  CentreOnWorkArea(dialog);
}

}  // namespace

void PrepareFileError(HINSTANCE instance, const char* path, FileSituation situation, FileErrorParams& params) {
  CopyText(params.caption, sizeof(params.caption), path ? path : "");
  int buttons = FILE_ANSWER_CANCEL;
  const SituationText* known = nullptr;
  for (const SituationText& entry : kSituations) {
    if (entry.situation == situation) {
      known = &entry;
      break;
    }
  }
  if (!known) {
    CopyText(params.message, sizeof(params.message), "Unknown error");
  } else if (!LoadTableString(instance, known->stringId, params.message, sizeof(params.message))) {
    CopyText(params.message, sizeof(params.message), "Out of memory");
  } else {
    buttons = known->buttons;
  }
  params.showReplace = (buttons & FILE_ANSWER_REPLACE) != 0;
  params.showRetry = (buttons & FILE_ANSWER_RETRY) != 0;
  params.showIgnore = (buttons & FILE_ANSWER_IGNORE) != 0;
  params.showSkip = (buttons & FILE_ANSWER_SKIP) != 0;
  params.showCancel = (buttons & FILE_ANSWER_CANCEL) != 0;
}

namespace {

// The dialog's result as the platform gives it: an answer, or -1 (0 for
// a bad owner) when the dialog could not be shown.
INT_PTR ShowFileError(HINSTANCE instance, HWND owner, const char* path, FileSituation situation) {
  FileErrorParams params = {};
  PrepareFileError(instance, path, situation, params);
  return DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_FILE_ERROR), owner, FileErrorDlgProc,
                         reinterpret_cast<LPARAM>(&params));
}

}  // namespace

FileAnswer AskFileError(HINSTANCE instance, HWND owner, const char* path, FileSituation situation) {
  const INT_PTR result = ShowFileError(instance, owner, path, situation);
  // A dialog that could not be shown must not be read as some answer that
  // goes on installing: it stops, as Cancel.
  return IsAnswer(result) ? static_cast<FileAnswer>(result) : FILE_ANSWER_CANCEL;
}

namespace {

// The situation as the log tells it.
const char* LoggedSituation(FileSituation situation) {
  switch (situation) {
    case FILE_SITUATION_OPEN_SOURCE:
      return "its source cannot be read";
    case FILE_SITUATION_OPEN_TEMP:
      return "no temporary file can be written beside it";
    case FILE_SITUATION_COPY:
      return "its source cannot be expanded";
    case FILE_SITUATION_SIZE:
      return "its size differs from the list's";
    case FILE_SITUATION_OLDER:
      return "the version there is newer";
    case FILE_SITUATION_IN_USE:
      return "the file there is in use";
    default:
      return "it cannot be put in place";
  }
}

}  // namespace

FileAnswer SilentAnswer(FileSituation situation) {
  switch (situation) {
    case FILE_SITUATION_OLDER:
      return FILE_ANSWER_SKIP;  // the newer file stays
    case FILE_SITUATION_IN_USE:
      return FILE_ANSWER_IGNORE;  // replaced at the restart
    default:
      return FILE_ANSWER_CANCEL;  // nothing half installed: the run rolls back
  }
}

FileAnswer AskFileError(const InstallItem& item, const char* path, FileSituation situation) {
  if (!item.owner) return FILE_ANSWER_CANCEL;
  if (g_silent) {
    // Nobody was asked: a Cancel here is the failure of the file, and the
    // run ends as failed.
    const FileAnswer answer = SilentAnswer(situation);
    LogEvent("file %s: %s; answered %s for the administrator", path, LoggedSituation(situation), AnswerName(answer));
    return answer;
  }
  // The window behind the question shows the file it is about.
  FlushProgress(*item.owner);
  const INT_PTR result = ShowFileError(item.owner->instance, item.owner->progressWindow, path, situation);
  const FileAnswer answer = IsAnswer(result) ? static_cast<FileAnswer>(result) : FILE_ANSWER_CANCEL;
  if (result == FILE_ANSWER_CANCEL) item.owner->cancelledByUser = true;
  LogEvent("file %s: %s; the user answered %s", path, LoggedSituation(situation), AnswerName(answer));
  return answer;
}

INT_PTR CALLBACK FileErrorDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      if (lParam) InitDialog(dialog, *reinterpret_cast<const FileErrorParams*>(lParam));
      return TRUE;
    case WM_COMMAND: {
      const int id = LOWORD(wParam);
      for (const ButtonAnswer& button : kButtons) {
        if (button.controlId == id) {
          EndDialog(dialog, button.answer);
          return TRUE;
        }
      }
      return FALSE;
    }
    default:
      return FALSE;
  }
}
