// The windows of a long pass stay alive: while Setup.exe installs or
// removes a product that takes many seconds, a second program finds its
// progress or removal window answering within 200 ms every time it asks,
// never reported hung, movable by a drag of its caption, and painted; a
// file question half-way is answered and the pass goes on.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <functional>
#include <mutex>
#include <thread>

#include "e2e/setup_run.h"
#include "resources/resource_ids.h"

namespace e2e {
namespace {

const char kProduct[] = "Long Pass";
// Large compressed files spread among many small ones: the large ones make
// long copies, the small ones a pass of many items; on this bench the
// install pass takes well over ten seconds.
constexpr int kSmallFiles = 10000;
constexpr int kLargeFiles = 8;
constexpr std::size_t kLargeSize = 48u << 20;
constexpr int kQuestionAt = kSmallFiles / 2;  // the small file asked about

constexpr DWORD kSampleEveryMs = 250;
constexpr DWORD kLongestAnswerMs = 200;

std::string SmallName(int i) { return "S" + std::to_string(10000 + i).substr(1) + ".BIN"; }
std::string LargeName(int i) { return "LARGE" + std::to_string(i) + ".TXT"; }

// Text that compresses, different in each file.
std::string LargeContent(int variant) {
  std::string line;
  for (int word = 0; word < 400; ++word) line += "word" + std::to_string((word * 7919 + variant * 104729) % 997) + ' ';
  line += "\r\n";
  std::string text;
  text.reserve(kLargeSize);
  for (int n = 0; text.size() < kLargeSize; ++n) text += std::to_string(n) + line;
  text.resize(kLargeSize);
  return text;
}

std::string SmallContent(int i) {
  std::string bytes(1024, '\0');
  unsigned state = 2166136261u ^ static_cast<unsigned>(i);
  for (char& c : bytes) c = static_cast<char>((state = state * 1103515245u + 12345u) >> 24);
  return bytes;
}

// One installation set, packed by the kit, for every scenario here.
class LongPassSet {
public:
  LongPassSet() : folder_(ProgramFiles() + "\\" + kProduct) {
    testsupport::TempFolder product;
    std::string files;
    for (int i = 0; i < kSmallFiles; ++i) {
      if (i % (kSmallFiles / kLargeFiles) == 0) {
        const int large = i / (kSmallFiles / kLargeFiles);
        testsupport::WriteFile(product.Join(LargeName(large)), LargeContent(large));
        files += LargeName(large) + "=%0\\" + LargeName(large) + ",?,0,Large file\r\n";
      }
      testsupport::WriteFile(product.Join(SmallName(i)), SmallContent(i));
      files += SmallName(i) + "=%0\\Data\\" + SmallName(i) + ",?,0,Small file\r\n";
    }
    const std::string entry = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\LongPass";
    testsupport::WriteFile(product.Join("Setup.dat"),
                           std::string("[Setup]\r\nTitle=") + kProduct + "\r\nApp=" + kProduct +
                               "\r\nDefaultFolder=" + folder_ + "\r\nFiles=Files\r\nRegMachine=Machine\r\n[Files]\r\n" +
                               files + "Setup.exe=%0\\Setup.exe,?,0,Setup\r\nSetup.dat=%0\\Setup.dat,?,0,Information\r\n"
                               "[Machine]\r\n" + entry + ":1=DisplayName|" + kProduct + "\r\n" + entry +
                               ":2=UninstallString|\"%0\\Setup.exe\" /U \"%0\"\r\n");
    CopyFileA(uiauto::PathBesideThisExecutable("Setup.exe").c_str(), product.Join("Setup.exe").c_str(), FALSE);
    const KitRun packed = RunKit("pack " + uiauto::QuoteArg(product.path()) + " " + uiauto::QuoteArg(set_.folder()));
    packError_ = packed.exitCode == 0 ? "" : "setupkit pack: " + packed.output;
  }

  const std::string& packError() const { return packError_; }
  const InstallationSet& set() const { return set_; }
  const std::string& folder() const { return folder_; }
  std::string Installed(const std::string& name) const { return folder_ + "\\" + name; }
  std::string SmallPath(int i) const { return folder_ + "\\Data\\" + SmallName(i); }

private:
  std::string folder_;
  InstallationSet set_;
  std::string packError_;
};

// The pass window of a Setup.exe process: the progress window, or the
// removal window of an uninstall.
HWND PassWindow(const uiauto::Process& process, bool& removal) {
  for (HWND window : uiauto::FindWindows(process.Id(), uiauto::DialogFilter())) {
    if (GetDlgItem(window, IDC_PROGRESS_BAR)) {
      removal = false;
      return window;
    }
    if (GetDlgItem(window, IDC_REMOVAL_STAGE)) {
      removal = true;
      return window;
    }
  }
  return nullptr;
}

// Pixels of a control on the screen: how many show the dialog's face, and
// how many are dark like its text. A painted label shows both; a window
// that never painted shows neither pattern.
struct Ink {
  int face = 0;
  int dark = 0;
  int all = 0;
};

Ink InkOf(HWND control) {
  Ink ink;
  RECT area = {};
  if (!GetWindowRect(control, &area)) return ink;
  auto picture = uiauto::CaptureScreen(area);
  if (!picture) return ink;
  const COLORREF face = GetSysColor(COLOR_BTNFACE);
  for (int y = 0; y < picture->height; ++y)
    for (int x = 0; x < picture->width; ++x) {
      const COLORREF c = picture->At(x, y);
      ++ink.all;
      if (c == face) ++ink.face;
      if (GetRValue(c) + GetGValue(c) + GetBValue(c) < 3 * 80) ++ink.dark;
    }
  return ink;
}

HWND ControlWithText(HWND window, const std::string& text) {
  for (const auto& control : uiauto::Controls(window))
    if (control.text == text) return control.hwnd;
  return nullptr;
}

void MouseTo(int x, int y, DWORD flags) {
  INPUT input = {};
  input.type = INPUT_MOUSE;
  input.mi.dx = MulDiv(x, 65535, GetSystemMetrics(SM_CXSCREEN) - 1);
  input.mi.dy = MulDiv(y, 65535, GetSystemMetrics(SM_CYSCREEN) - 1);
  input.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE | flags;
  SendInput(1, &input, sizeof input);
}

// Drags the window by its caption as the mouse would, by (dx, dy): true
// when it moved there. A point of the caption is found by asking the
// window itself.
bool DragCaption(HWND window, int dx, int dy, std::string& failure) {
  RECT before = {};
  GetWindowRect(window, &before);
  POINT grip = {(before.left + before.right) / 2, -1};
  for (int y = before.top; y < before.top + 40 && grip.y < 0; ++y)
    if (uiauto::Send(window, WM_NCHITTEST, 0, MAKELPARAM(grip.x, y), 500).value_or(0) == HTCAPTION) grip.y = y;
  if (grip.y < 0) {
    failure = "no caption found";
    return false;
  }
  MouseTo(grip.x, grip.y, 0);
  Sleep(50);
  MouseTo(grip.x, grip.y, MOUSEEVENTF_LEFTDOWN);
  for (int step = 1; step <= 5; ++step) {
    Sleep(40);
    MouseTo(grip.x + dx * step / 5, grip.y + dy * step / 5, 0);
  }
  Sleep(40);
  MouseTo(grip.x + dx, grip.y + dy, MOUSEEVENTF_LEFTUP);
  const bool moved = uiauto::WaitUntil(
      [&] {
        RECT now = {};
        GetWindowRect(window, &now);
        return now.left == before.left + dx && now.top == before.top + dy;
      },
      3000);
  RECT after = {};
  GetWindowRect(window, &after);
  failure = "the window stayed at " + std::to_string(after.left) + "," + std::to_string(after.top) + " from " +
            std::to_string(before.left) + "," + std::to_string(before.top);
  return moved;
}

// What a second program saw of one run's pass windows.
struct Watch {
  int samples = 0;
  DWORD longestAnswerMs = 0;
  int hungSeen = 0;
  DWORD passMs = 0;  // from the first sample that found a pass window to the last
  bool sawProgress = false;
  bool sawRemoval = false;
  std::string dragFailure = "no drag tried";
  bool dragged = false;
  Ink label;      // "Installing:" after the drag, mid-pass
  Ink stage;      // the removal window's stage text, mid-pass
  bool questionAnswered = false;
  int samplesAfterQuestion = 0;
};

// Samples the run's pass window every 250 ms from a thread of its own, as
// a second program would: the answer time of a message, the system's hung
// test. Mid-pass it drags the progress window and looks at its label, and
// answers the file question with `answer` when one comes.
class PassWatcher {
public:
  PassWatcher(const uiauto::Process& process, std::function<bool(HWND)> answer)
      : process_(process), answer_(std::move(answer)), thread_([this] { Run(); }) {}
  ~PassWatcher() { Stop(); }

  Watch Stop() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
    return watch_;
  }

private:
  void Run() {
    DWORD first = 0;
    while (!stop_ && process_.IsRunning()) {
      const DWORD tick = GetTickCount();
      bool removal = false;
      if (HWND window = PassWindow(process_, removal)) {
        if (!first) first = tick;
        Sample(window, removal, tick - first);
        watch_.passMs = GetTickCount() - first;
      }
      if (answer_ && !watch_.questionAnswered) AnswerQuestion();
      const DWORD spent = GetTickCount() - tick;
      if (spent < kSampleEveryMs) Sleep(kSampleEveryMs - spent);
    }
  }

  void Sample(HWND window, bool removal, DWORD sinceFirst) {
    DWORD_PTR result = 0;
    const DWORD sent = GetTickCount();
    SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_NORMAL, 10000, &result);
    const DWORD answeredIn = GetTickCount() - sent;
    if (!IsWindow(window)) return;  // gone while asked: the pass ended
    ++watch_.samples;
    if (watch_.questionAnswered) ++watch_.samplesAfterQuestion;
    watch_.longestAnswerMs = std::max(watch_.longestAnswerMs, answeredIn);
    if (IsHungAppWindow(window)) ++watch_.hungSeen;
    (removal ? watch_.sawRemoval : watch_.sawProgress) = true;
    // A second into the pass: well inside it, past the window's start.
    if (sinceFirst < 1000) return;
    if (!removal && !triedDrag_) {
      triedDrag_ = true;
      watch_.dragged = DragCaption(window, 40, 30, watch_.dragFailure);
      watch_.label = InkOf(ControlWithText(window, "Installing:"));
    }
    if (removal && !watch_.stage.all) watch_.stage = InkOf(GetDlgItem(window, IDC_REMOVAL_STAGE));
  }

  void AnswerQuestion() {
    for (HWND dialog : uiauto::FindWindows(process_.Id(), uiauto::DialogFilter()))
      if (GetDlgItem(dialog, IDC_RETRY) && IsWindowVisible(GetDlgItem(dialog, IDC_RETRY)) && answer_(dialog)) {
        watch_.questionAnswered = true;
        return;
      }
  }

  const uiauto::Process& process_;
  std::function<bool(HWND)> answer_;
  Watch watch_;
  bool triedDrag_ = false;
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

int Agree(const uiauto::MessageBoxInfo& box) {
  if (box.HasButton(IDYES) && box.caption == "Uninstall") return IDYES;
  if (box.HasButton(IDNO)) return IDNO;
  return IDOK;
}

struct Outcome {
  uiauto::MessageBoxLog log;
  Watch watch;
};

Outcome RunWatched(const InstallationSet& set, const std::string& arguments,
                   std::function<bool(HWND)> answer = nullptr) {
  Outcome outcome;
  auto process = set.Start(arguments);
  if (!process) {
    ADD_FAILURE() << uiauto::LastError();
    return outcome;
  }
  PassWatcher watcher(*process, std::move(answer));
  outcome.log = RunToEnd(*process, Agree, 300000);
  outcome.watch = watcher.Stop();
  return outcome;
}

// Everything a second program must have seen of a pass that stays alive.
void ExpectAlive(const Watch& watch, bool removal) {
  EXPECT_TRUE(removal ? watch.sawRemoval : watch.sawProgress);
  // Enough samples to span the system's five seconds of silence before it
  // calls a window hung, so that the hung test means something here.
  EXPECT_GE(watch.passMs, removal ? 1000u : 10000u) << "the pass was too short to show anything";
  EXPECT_GE(watch.samples, static_cast<int>(watch.passMs / kSampleEveryMs / 2));
  EXPECT_LE(watch.longestAnswerMs, kLongestAnswerMs);
  EXPECT_EQ(watch.hungSeen, 0);
  if (!removal) {
    EXPECT_TRUE(watch.dragged) << watch.dragFailure;
    EXPECT_GT(watch.label.face, watch.label.all / 3) << "Installing: label not painted";
    EXPECT_GT(watch.label.dark, 10) << "Installing: label not painted";
  } else {
    EXPECT_GT(watch.stage.face, watch.stage.all / 3) << "stage text not painted";
    EXPECT_GT(watch.stage.dark, 10) << "stage text not painted";
  }
}

class LongPass : public testing::Test {
protected:
  static void SetUpTestSuite() { set_ = new LongPassSet; }
  static void TearDownTestSuite() {
    delete set_;
    set_ = nullptr;
  }
  void SetUp() override { ASSERT_EQ(set_->packError(), ""); }
  void TearDown() override { testsupport::RemoveTree(set_->folder()); }

  static LongPassSet* set_;
};

LongPassSet* LongPass::set_ = nullptr;

TEST_F(LongPass, InstallAndUninstallAnswerAllAlong) {
  const Outcome installed = RunWatched(set_->set(), "");
  ASSERT_TRUE(installed.log.exited) << installed.log.ToString();
  EXPECT_EQ(installed.log.exitCode, 0u) << installed.log.ToString();
  ExpectAlive(installed.watch, false);
  // Chunk by chunk, the copies still come out whole.
  EXPECT_EQ(testsupport::ReadFile(set_->Installed(LargeName(kLargeFiles - 1))), LargeContent(kLargeFiles - 1));
  EXPECT_EQ(testsupport::ReadFile(set_->SmallPath(kSmallFiles - 1)), SmallContent(kSmallFiles - 1));

  const Outcome removed = RunWatched(set_->set(), "/U " + uiauto::QuoteArg(set_->folder()));
  ASSERT_TRUE(removed.log.exited) << removed.log.ToString();
  EXPECT_EQ(removed.log.exitCode, 0u) << removed.log.ToString();
  ExpectAlive(removed.watch, true);
  EXPECT_FALSE(testsupport::FileExists(set_->folder()));
}

TEST_F(LongPass, AFileQuestionHalfWayIsAnsweredAndThePassGoesOn) {
  // A read-only file where the pass will want to put one: it asks.
  const std::string asked = set_->SmallPath(kQuestionAt);
  CreateDirectoryA(set_->folder().c_str(), nullptr);
  CreateDirectoryA((set_->folder() + "\\Data").c_str(), nullptr);
  testsupport::WriteFile(asked, "protected on purpose");
  ASSERT_TRUE(SetFileAttributesA(asked.c_str(), FILE_ATTRIBUTE_READONLY));

  std::atomic<bool> passWindowUnderQuestion{false};
  const Outcome installed = RunWatched(set_->set(), "", [&](HWND question) {
    if (uiauto::WindowText(question) != asked) return false;
    // The window behind the question answers too (the watcher samples it
    // all along); the user frees the file and tries again.
    HWND owner = uiauto::Owner(question);
    passWindowUnderQuestion = owner && GetDlgItem(owner, IDC_PROGRESS_BAR) && IsWindowVisible(owner);
    SetFileAttributesA(asked.c_str(), FILE_ATTRIBUTE_NORMAL);
    return uiauto::ClickButton(question, IDC_RETRY);
  });
  ASSERT_TRUE(installed.log.exited) << installed.log.ToString();
  EXPECT_EQ(installed.log.exitCode, 0u) << installed.log.ToString();
  EXPECT_TRUE(installed.watch.questionAnswered);
  EXPECT_TRUE(passWindowUnderQuestion);
  ExpectAlive(installed.watch, false);
  // The pass went on after the answer: the file asked about and every one
  // after it are in place.
  EXPECT_GT(installed.watch.samplesAfterQuestion, 4);
  EXPECT_EQ(testsupport::ReadFile(asked), SmallContent(kQuestionAt));
  EXPECT_EQ(testsupport::ReadFile(set_->SmallPath(kSmallFiles - 1)), SmallContent(kSmallFiles - 1));

  // The folders were there before: the uninstall leaves them.
  const Outcome removed = RunWatched(set_->set(), "/U " + uiauto::QuoteArg(set_->folder()));
  ASSERT_TRUE(removed.log.exited) << removed.log.ToString();
  EXPECT_EQ(removed.log.exitCode, 0u) << removed.log.ToString();
  EXPECT_FALSE(testsupport::FileExists(set_->Installed(LargeName(0))));
  EXPECT_FALSE(testsupport::FileExists(set_->SmallPath(kSmallFiles - 1)));
}

}  // namespace
}  // namespace e2e
