#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "engine/file_error_dialog.h"
#include "resources/resource_ids.h"
#include "platform/globals.h"
#include "uiauto.h"

namespace {

const int kButtonIds[] = {IDC_REPLACE, IDC_RETRY, IDC_IGNORE, IDC_SKIP, IDCANCEL};

// What the dialog showed, read from its windows by the driver thread.
struct Seen {
  std::string caption;
  std::string message;
  std::vector<int> visibleButtons;
  bool clicked = false;
  RECT window = {};
  RECT work = {};
};

// Runs `action` once on the first visible dialog of this process with the
// given caption, from a thread of its own that ends right after it. (A
// driver that goes on polling would send messages to this thread's windows
// while this thread waits for it to stop, and each send would time out.)
class AnswerOnce {
 public:
  AnswerOnce(std::string caption, std::function<void(HWND)> action)
      : thread_([caption, action] {
          std::optional<HWND> dialog;
          uiauto::WaitUntil(
              [&] {
                dialog = uiauto::FindTopLevelWindow(GetCurrentProcessId(), uiauto::DialogFilter(caption));
                return dialog.has_value();
              },
              10000);
          if (dialog) action(*dialog);
        }) {}
  ~AnswerOnce() { thread_.join(); }
  AnswerOnce(const AnswerOnce&) = delete;
  AnswerOnce& operator=(const AnswerOnce&) = delete;

 private:
  std::thread thread_;
};

// Shows the file error dialog for `path` and `situation` on this thread,
// while a background thread reads it and presses button `press` (0: closes
// it with WM_CLOSE, as the close box does).
FileAnswer Ask(const std::string& path, FileSituation situation, int press, Seen& seen) {
  FileAnswer answer;
  {
    AnswerOnce driver(path, [&](HWND dialog) {
      seen.caption = uiauto::WindowText(dialog);
      seen.message = uiauto::ControlText(dialog, IDC_FILE_ERROR_MESSAGE).value_or("<missing>");
      for (int id : kButtonIds) {
        if (uiauto::IsControlVisible(dialog, id).value_or(false)) seen.visibleButtons.push_back(id);
      }
      GetWindowRect(dialog, &seen.window);
      SystemParametersInfoA(SPI_GETWORKAREA, 0, &seen.work, 0);
      seen.clicked = press ? uiauto::ClickButton(dialog, press) : uiauto::Close(dialog);
      // A refused click would leave the dialog open: end it another way.
      if (!seen.clicked) uiauto::ClickButton(dialog, IDCANCEL);
    });
    answer = AskFileError(g_instance, nullptr, path.c_str(), situation);
  }
  return answer;
}

struct SituationCase {
  FileSituation situation;
  const char* text;
  std::vector<int> buttons;
  int press;  // together the cases press every button once or more
};

const char kDiskFull[] =
    "Unable to install the file. This could be because the disk is full. Try deleting some files, "
    "then click Retry.";

const SituationCase kCases[] = {
    {FILE_SITUATION_GENERAL,
     "An error has occured in the setup application. Installation will end.",
     {IDC_SKIP, IDCANCEL},
     IDC_SKIP},
    {FILE_SITUATION_OPEN_SOURCE,
     "Unable to create the file. This file will not be installed. Press Skip to skip this file, "
     "and continue installation. Press Cancel to end the installation.",
     {IDC_SKIP, IDCANCEL},
     IDCANCEL},
    {FILE_SITUATION_OPEN_TEMP, kDiskFull, {IDC_RETRY, IDC_SKIP, IDCANCEL}, IDC_RETRY},
    {FILE_SITUATION_COPY, kDiskFull, {IDC_RETRY, IDC_SKIP, IDCANCEL}, IDC_SKIP},
    {FILE_SITUATION_SIZE,
     "This file may not have installed correctly. Click Retry to install it again. If you click "
     "Ignore, installation will continue for this file - if errors occur after installation, "
     "please re-install.",
     {IDC_RETRY, IDC_IGNORE, IDC_SKIP, IDCANCEL},
     IDC_IGNORE},
    {FILE_SITUATION_OLDER,
     "You are about to overwrite an existing file with an older version.  Click Replace to "
     "install anyway, or Skip to keep the current file.",
     {IDC_REPLACE, IDC_SKIP, IDCANCEL},
     IDC_REPLACE},
    {FILE_SITUATION_IN_USE,
     "The file is in use by Windows. If you close the related application you may be able to "
     "install this file. Click Retry to attempt installation again, or Ignore to install the file "
     "anyway.",
     {IDC_RETRY, IDC_IGNORE, IDC_SKIP, IDCANCEL},
     IDC_RETRY},
    {static_cast<FileSituation>(1004), "Unknown error", {IDCANCEL}, IDCANCEL},
    {FILE_SITUATION_NONE, "Unknown error", {IDCANCEL}, IDCANCEL},
};

int AnswerOf(int buttonId) {
  switch (buttonId) {
    case IDC_REPLACE:
      return FILE_ANSWER_REPLACE;
    case IDC_RETRY:
      return FILE_ANSWER_RETRY;
    case IDC_IGNORE:
      return FILE_ANSWER_IGNORE;
    case IDC_SKIP:
      return FILE_ANSWER_SKIP;
    default:
      return FILE_ANSWER_CANCEL;
  }
}

TEST(FileErrorDialog, EachSituationShowsItsTextAndButtonsAndAnswersThePressedOne) {
  int serial = 0;
  for (const SituationCase& test : kCases) {
    const std::string path = "C:\\Program Files\\Product\\file" + std::to_string(++serial) + ".dll";
    SCOPED_TRACE(std::to_string(test.situation) + " pressing " + std::to_string(test.press));
    Seen seen;
    const FileAnswer answer = Ask(path, test.situation, test.press, seen);
    EXPECT_EQ(path, seen.caption);
    EXPECT_EQ(test.text, seen.message);
    EXPECT_EQ(test.buttons, seen.visibleButtons);
    EXPECT_TRUE(seen.clicked);
    EXPECT_EQ(AnswerOf(test.press), answer);
  }
}

TEST(FileErrorDialog, HiddenButtonsCannotBePressed) {
  Seen seen;
  // Retry is hidden when Replace is offered; the driver falls back to Cancel.
  EXPECT_EQ(FILE_ANSWER_CANCEL, Ask("C:\\x\\older.dll", FILE_SITUATION_OLDER, IDC_RETRY, seen));
  EXPECT_FALSE(seen.clicked);
}

TEST(FileErrorDialog, CloseBoxAnswersCancel) {
  Seen seen;
  EXPECT_EQ(FILE_ANSWER_CANCEL, Ask("C:\\x\\inuse.dll", FILE_SITUATION_IN_USE, 0, seen));
  EXPECT_TRUE(seen.clicked);
}

TEST(FileErrorDialog, IsCentredOnTheWorkArea) {
  Seen seen;
  Ask("C:\\x\\centred.dll", FILE_SITUATION_SIZE, IDC_SKIP, seen);
  const LONG width = seen.window.right - seen.window.left;
  const LONG height = seen.window.bottom - seen.window.top;
  EXPECT_GT(width, 0);
  EXPECT_EQ(seen.work.left + (seen.work.right - seen.work.left - width) / 2, seen.window.left);
  EXPECT_EQ(seen.work.top + (seen.work.bottom - seen.work.top - height) / 2, seen.window.top);
}

TEST(FileErrorDialog, CaptionHoldsTheWholePathUpTo259Characters) {
  const std::string longPath = "C:\\" + std::string(250, 'd') + "\\a.dll";  // 259 characters
  ASSERT_EQ(259u, longPath.size());
  Seen seen;
  EXPECT_EQ(FILE_ANSWER_SKIP, Ask(longPath, FILE_SITUATION_GENERAL, IDC_SKIP, seen));
  EXPECT_EQ(longPath, seen.caption);

  FileErrorParams params;
  const std::string tooLong = longPath + "\\more";
  PrepareFileError(g_instance, tooLong.c_str(), FILE_SITUATION_GENERAL, params);
  EXPECT_EQ(longPath, params.caption);  // cut to the buffer, never beyond it
}

TEST(FileErrorDialog, WithoutItsStringsOnlyCancelIsOffered) {
  // A module without string table: a fixture DLL, mapped as data.
  HMODULE strings =
      LoadLibraryExA(uiauto::PathBesideThisExecutable("ver_none.dll").c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  ASSERT_NE(nullptr, strings);
  FileErrorParams params;
  PrepareFileError(strings, "C:\\x\\y.dll", FILE_SITUATION_IN_USE, params);
  EXPECT_STREQ("Out of memory", params.message);
  EXPECT_EQ(0, params.showReplace + params.showRetry + params.showIgnore + params.showSkip);
  EXPECT_NE(0, params.showCancel);

  // Nor is there a dialog 109 in it: a dialog that cannot be shown answers
  // Cancel rather than anything that would go on installing.
  EXPECT_EQ(FILE_ANSWER_CANCEL, AskFileError(strings, nullptr, "C:\\x\\y.dll", FILE_SITUATION_IN_USE));
  FreeLibrary(strings);
}

}  // namespace
