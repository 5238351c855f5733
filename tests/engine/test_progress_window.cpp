#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "engine/file_item.h"
#include "engine/install_pass.h"
#include "engine/progress_weights.h"
#include "engine/progress_window.h"
#include "resources/resource_ids.h"
#include "platform/globals.h"
#include "session/setup_session.h"
#include "platform/system_library.h"
#include "platform/unique_handle.h"
#include "support/message_box_answerer.h"
#include "support/temp_folder.h"
#include "uiauto.h"

namespace {

std::string Text(HWND dialog, int id) {
  char text[300] = {};
  GetDlgItemTextA(dialog, id, text, sizeof text);
  return text;
}

LRESULT Bar(HWND dialog, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
  return SendDlgItemMessageA(dialog, IDC_PROGRESS_BAR, message, wParam, lParam);
}

// An item that notes the progress window's texts when its turn comes.
class TextProbe : public InstallItem {
public:
  TextProbe(SetupSession& session, WORD itemKind) : InstallItem(itemKind, &session, session.variables.get()) {}
  BOOL Install(WORD) override {
    description = Text(owner->progressWindow, IDC_PROGRESS_DESCRIPTION);
    file = Text(owner->progressWindow, IDC_PROGRESS_FILE);
    return TRUE;
  }
  std::string description = "<not run>";
  std::string file = "<not run>";
};

// Dialog 108 over a plain owner window, as the install step creates it.
class ProgressWindowTest : public testing::Test {
protected:
  ProgressWindowTest() : session(g_instance, nullptr, set.path().c_str()) {
    if (auto init = GetSystemProc<void(WINAPI*)()>("comctl32.dll", "InitCommonControls")) init();
    owner.reset(CreateWindowExA(0, "STATIC", "Owner", WS_POPUP | WS_VISIBLE, 0, 0, 800, 600, nullptr, nullptr,
                                g_instance, nullptr));
    dialog.reset(CreateDialogParamA(g_instance, MAKEINTRESOURCEA(IDD_PROGRESS), owner.get(), ProgressDlgProc,
                                    reinterpret_cast<LPARAM>(&session)));
    for (WORD kind = ITEM_KIND_FILE; kind <= ITEM_KIND_SHORTCUT; ++kind)
      session.lists[kind - 1].reset(new ItemList(kind));
    session.setupDatPath.reset(new char[kPathSize]());
    session.variables->Set('0', target.path().c_str());
  }

  testsupport::TempFolder set;
  testsupport::TempFolder target;
  SetupSession session;
  WindowHandle owner;   // destroyed after the dialog
  WindowHandle dialog;
};

TEST_F(ProgressWindowTest, OpensEmptyCentredOverItsOwnerAndKeepsTheSession) {
  ASSERT_TRUE(dialog.valid());
  EXPECT_EQ(Text(dialog.get(), IDC_PROGRESS_DESCRIPTION), "");
  EXPECT_EQ(Text(dialog.get(), IDC_PROGRESS_FILE), "");
  EXPECT_EQ(Bar(dialog.get(), PBM_GETPOS), 0);
  EXPECT_EQ(GetWindowLongPtrA(dialog.get(), DWLP_USER), reinterpret_cast<LONG_PTR>(&session));

  RECT ownerArea, dialogArea, placed;
  GetClientRect(owner.get(), &ownerArea);
  GetClientRect(dialog.get(), &dialogArea);
  GetWindowRect(dialog.get(), &placed);
  EXPECT_EQ(placed.left, (ownerArea.right - dialogArea.right) / 2);
  EXPECT_EQ(placed.top, (ownerArea.bottom - dialogArea.bottom) / 2);
}

TEST_F(ProgressWindowTest, PathsOfMoreThanFiftyCharactersAreShortened) {
  session.progressWindow = dialog.get();
  const std::string fifty = "C:\\" + std::string(42, 'a') + "\\b.tx";
  ASSERT_EQ(fifty.size(), 50u);
  SetProgressText(session, "Editor program", fifty.c_str());
  FlushProgress(session);
  EXPECT_EQ(Text(dialog.get(), IDC_PROGRESS_DESCRIPTION), "Editor program");
  EXPECT_EQ(Text(dialog.get(), IDC_PROGRESS_FILE), fifty);

  const std::string fiftyOne = fifty + "t";
  SetProgressText(session, nullptr, fiftyOne.c_str());
  FlushProgress(session);
  EXPECT_EQ(Text(dialog.get(), IDC_PROGRESS_DESCRIPTION), "");
  EXPECT_EQ(Text(dialog.get(), IDC_PROGRESS_FILE), fiftyOne.substr(0, 9) + "..." + fiftyOne.substr(51 - 37));
  EXPECT_EQ(Text(dialog.get(), IDC_PROGRESS_FILE).size(), 49u);
}

TEST_F(ProgressWindowTest, TheBarStaysProportionalForLargeInstallations) {
  session.totalBytes = 200u * 1024 * 1024;  // beyond a 16-bit range of KiB
  ASSERT_EQ(RunInstall(session, dialog.get()), 1);
  PBRANGE range = {};
  Bar(dialog.get(), PBM_GETRANGE, FALSE, reinterpret_cast<LPARAM>(&range));
  EXPECT_EQ(range.iHigh, 200 * 1024);
  AdvanceProgress(session, 100u * 1024 * 1024);
  FlushProgress(session);
  EXPECT_EQ(Bar(dialog.get(), PBM_GETPOS), 100 * 1024);
  EXPECT_EQ(session.bytesDone, 100u * 1024 * 1024);
}

TEST_F(ProgressWindowTest, AnInstallRunShowsTheFileInQuestionAndEndsWithItsLastStageAndAFullBar) {
  const std::string notes = testsupport::ReadFile(uiauto::PathBesideThisExecutable("lz_fixtures\\notes.txt"));
  ASSERT_FALSE(notes.empty());
  testsupport::WriteFile(set.Join("notes.txt"), notes);
  const std::string size = std::to_string(notes.size());
  // Installed within a few milliseconds of each other, so that the window
  // holds back the later ones; the third has no source and is asked about.
  const char* const lines[][2] = {
      {"notes.txt", "%0\\Documentation\\notes.txt,@,0,Release notes"},
      {"notes.txt", "%0\\Documentation\\copy.txt,@,0,Second copy"},
      {"absent.txt", "%0\\Extras\\a-rather-long-folder-name\\absent.txt,@,0,Missing extra"},
      {"notes.txt", "%0\\Documentation\\last.txt,@,0,Last copy"},
  };
  for (const auto& line : lines) {
    std::string value = line[1];
    value.replace(value.find('@'), 1, size);
    auto* item = new FileItem(&session, session.variables.get(), line[0], value.c_str());
    session.list(ITEM_KIND_FILE)->Append(item);
    session.totalBytes += item->GetSize();
  }
  auto* registry = new TextProbe(session, ITEM_KIND_REGISTRY);
  session.list(ITEM_KIND_REGISTRY)->Append(registry);
  ASSERT_EQ(ExpandItems(session), 1);

  std::string askedDescription = "<not asked>";
  std::string askedFile = "<not asked>";
  {
    // The window behind the question is read while the question is up.
    testsupport::DialogDriver answerer("", [&](HWND question) {
      if (!GetDlgItem(question, IDC_SKIP)) return;
      askedDescription = Text(dialog.get(), IDC_PROGRESS_DESCRIPTION);
      askedFile = Text(dialog.get(), IDC_PROGRESS_FILE);
      uiauto::ClickButton(question, IDC_SKIP);
    });
    ASSERT_EQ(RunInstall(session, dialog.get()), 1);
  }

  EXPECT_EQ(askedDescription, "Missing extra");
  const std::string absent = target.Join("Extras\\a-rather-long-folder-name\\absent.txt");
  EXPECT_EQ(askedFile, absent.substr(0, 9) + "..." + absent.substr(absent.size() - 37));
  EXPECT_EQ(registry->description, "Registry entries");
  EXPECT_EQ(registry->file, "");

  // A skipped file counts as done: the bar ends full all the same.
  PBRANGE range = {};
  Bar(dialog.get(), PBM_GETRANGE, FALSE, reinterpret_cast<LPARAM>(&range));
  EXPECT_GT(range.iHigh, 0);
  EXPECT_EQ(Bar(dialog.get(), PBM_GETPOS), range.iHigh);
  EXPECT_EQ(session.bytesDone, session.totalBytes);
  // The last stage's texts stay up when the run ends.
  EXPECT_EQ(Text(dialog.get(), IDC_PROGRESS_DESCRIPTION), "Creating shortcuts");
  EXPECT_EQ(Text(dialog.get(), IDC_PROGRESS_FILE), "");
  for (const char* name : {"notes.txt", "copy.txt", "last.txt"})
    EXPECT_EQ(testsupport::ReadFile(target.Join(std::string("Documentation\\") + name)), notes) << name;
}

}  // namespace

namespace {

TEST_F(ProgressWindowTest, ManySmallStepsNeverRunTheBarAheadAndTheLastOneFillsIt) {
  session.totalBytes = 3000u * 1024;
  ASSERT_EQ(RunInstall(session, dialog.get()), 1);
  int lastShown = 0;
  for (int step = 1; step <= 3000; ++step) {
    AdvanceProgress(session, 1024);
    // The bar may lag behind the bytes (it is repainted now and then), but
    // it never runs ahead of them nor back.
    const int shown = static_cast<int>(Bar(dialog.get(), PBM_GETPOS));
    ASSERT_LE(shown, step) << "after step " << step;
    ASSERT_GE(shown, lastShown) << "after step " << step;
    lastShown = shown;
    if (step == 1500) {
      // A step after a pause longer than the repaint interval is shown.
      Sleep(ProgressDisplay::kProgressRepaintMs * 3);
      AdvanceProgress(session, 0);
      EXPECT_EQ(Bar(dialog.get(), PBM_GETPOS), 1500);
    }
  }
  // The last step is shown at once, without a flush.
  EXPECT_EQ(Bar(dialog.get(), PBM_GETPOS), 3000);
  EXPECT_EQ(session.bytesDone, 3000u * 1024);
}

}  // namespace

namespace {

// An item that notes where the bar stood when its turn came, and
// then takes longer than the repaint interval, so that the bar is shown
// again at the next item.
class BarProbe : public InstallItem {
public:
  BarProbe(SetupSession& session, WORD itemKind, std::vector<LRESULT>& seen)
      : InstallItem(itemKind, &session, session.variables.get()), seen_(seen) {}
  BOOL Install(WORD) override {
    seen_.push_back(Bar(owner->progressWindow, PBM_GETPOS));
    Sleep(ProgressDisplay::kProgressRepaintMs + 10);
    return TRUE;
  }

private:
  std::vector<LRESULT>& seen_;
};

TEST_F(ProgressWindowTest, ItemsWithoutBytesMoveTheBarAndALongCopyMovesItWithinItsFile) {
  std::vector<LRESULT> seen;
  for (int i = 0; i < 4; ++i)
    session.list(ITEM_KIND_REGISTRY)->Append(new BarProbe(session, ITEM_KIND_REGISTRY, seen));
  // An item of another class in the shortcut list makes no link and adds
  // nothing to the whole.
  session.list(ITEM_KIND_SHORTCUT)->Append(new BarProbe(session, ITEM_KIND_SHORTCUT, seen));
  ASSERT_EQ(RunInstall(session, dialog.get()), 1);
  const int entry = static_cast<int>(kRegistryEntryCost / 1024);
  PBRANGE range = {};
  Bar(dialog.get(), PBM_GETRANGE, FALSE, reinterpret_cast<LPARAM>(&range));
  EXPECT_EQ(range.iHigh, 4 * entry);
  // Each item finds the bar never ahead of the items done before it and
  // never back; how far it has caught up depends on the clock's ticks,
  // which Wine advances late on a busy machine. The end is exact.
  ASSERT_EQ(seen.size(), 5u);
  for (std::size_t i = 0; i < seen.size(); ++i) {
    EXPECT_LE(seen[i], static_cast<LRESULT>(i) * entry) << i;
    if (i) {
      EXPECT_GE(seen[i], seen[i - 1]) << i;
    }
  }
  EXPECT_EQ(Bar(dialog.get(), PBM_GETPOS), 4 * entry);

  // The copy of a file of 1 MiB, half-way, and one that writes more than
  // the file's size: the bar moves within the file and never past the end.
  session.lists[ITEM_KIND_REGISTRY - 1].reset(new ItemList(ITEM_KIND_REGISTRY));
  session.lists[ITEM_KIND_SHORTCUT - 1].reset(new ItemList(ITEM_KIND_SHORTCUT));
  session.totalBytes = 1024 * 1024;
  ASSERT_EQ(RunInstall(session, dialog.get()), 1);
  // What the bar shows once it is painted, whenever the clock lets it.
  ShowCopyProgress(session, 512 * 1024);
  FlushProgress(session);
  EXPECT_EQ(Bar(dialog.get(), PBM_GETPOS), 512);
  ShowCopyProgress(session, 3 * 1024 * 1024);
  FlushProgress(session);
  EXPECT_EQ(Bar(dialog.get(), PBM_GETPOS), 1024);
  // Nothing of a copy counts as done until its file is.
  EXPECT_EQ(session.bytesDone, 0u);
  AdvanceProgress(session, 1024 * 1024);
  EXPECT_EQ(Bar(dialog.get(), PBM_GETPOS), 1024);
  EXPECT_EQ(session.bytesDone, 1024u * 1024);
}

}  // namespace
