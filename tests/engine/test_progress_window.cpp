#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <cstring>
#include <memory>
#include <string>

#include "engine/file_item.h"
#include "engine/install_pass.h"
#include "engine/progress_window.h"
#include "resources/resource_ids.h"
#include "platform/globals.h"
#include "shell/setup_session.h"
#include "platform/system_library.h"
#include "platform/unique_handle.h"
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
  EXPECT_EQ(Text(dialog.get(), IDC_PROGRESS_DESCRIPTION), "Editor program");
  EXPECT_EQ(Text(dialog.get(), IDC_PROGRESS_FILE), fifty);

  const std::string fiftyOne = fifty + "t";
  SetProgressText(session, nullptr, fiftyOne.c_str());
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
  EXPECT_EQ(Bar(dialog.get(), PBM_GETPOS), 100 * 1024);
  EXPECT_EQ(session.bytesDone, 100u * 1024 * 1024);
}

TEST_F(ProgressWindowTest, AnInstallRunShowsEachFileAndEndsWithAFullBar) {
  const std::string notes = testsupport::ReadFile(uiauto::PathBesideThisExecutable("lz_fixtures\\notes.txt"));
  ASSERT_FALSE(notes.empty());
  testsupport::WriteFile(set.Join("notes.txt"), notes);
  const std::string line = "%0\\Documentation\\notes.txt," + std::to_string(notes.size()) + ",0,Release notes";
  for (const char* key : {"notes.txt", "notes.txt"}) {
    auto* item = new FileItem(&session, session.variables.get(), key, line.c_str());
    session.list(ITEM_KIND_FILE)->Append(item);
    session.totalBytes += item->GetSize();
  }
  auto* afterFiles = new TextProbe(session, ITEM_KIND_FILE);
  session.list(ITEM_KIND_FILE)->Append(afterFiles);
  auto* registry = new TextProbe(session, ITEM_KIND_REGISTRY);
  session.list(ITEM_KIND_REGISTRY)->Append(registry);
  ASSERT_EQ(ExpandItems(session), 1);
  ASSERT_EQ(RunInstall(session, dialog.get()), 1);

  EXPECT_EQ(afterFiles->description, "Release notes");
  const std::string path = target.Join("Documentation\\notes.txt");
  EXPECT_EQ(afterFiles->file, path.size() <= 50 ? path : path.substr(0, 9) + "..." + path.substr(path.size() - 37));
  EXPECT_EQ(registry->description, "Registry entries");
  EXPECT_EQ(registry->file, "");

  PBRANGE range = {};
  Bar(dialog.get(), PBM_GETRANGE, FALSE, reinterpret_cast<LPARAM>(&range));
  EXPECT_GT(range.iHigh, 0);
  EXPECT_EQ(Bar(dialog.get(), PBM_GETPOS), range.iHigh);
  EXPECT_EQ(session.bytesDone, session.totalBytes);
  // The last stage's texts stay up when the run ends.
  EXPECT_EQ(Text(dialog.get(), IDC_PROGRESS_DESCRIPTION), "Creating shortcuts");
  EXPECT_EQ(Text(dialog.get(), IDC_PROGRESS_FILE), "");
  EXPECT_EQ(testsupport::ReadFile(target.Join("Documentation\\notes.txt")), notes);
}

}  // namespace

namespace {

TEST_F(ProgressWindowTest, ManySmallStepsKeepTheBarTrueToTheBytesAndEndFull) {
  session.totalBytes = 3000u * 1024;
  ASSERT_EQ(RunInstall(session, dialog.get()), 1);
  RECT area = {};
  GetClientRect(GetDlgItem(dialog.get(), IDC_PROGRESS_BAR), &area);
  const int width = area.right - area.left;
  ASSERT_GT(width, 0);
  for (int step = 1; step <= 3000; ++step) {
    AdvanceProgress(session, 1024);
    // The bar may lag behind the bytes, but never by a whole pixel.
    const int shown = static_cast<int>(Bar(dialog.get(), PBM_GETPOS));
    ASSERT_EQ(shown * width / 3000, step * width / 3000) << "after step " << step;
  }
  EXPECT_EQ(Bar(dialog.get(), PBM_GETPOS), 3000);
  EXPECT_EQ(session.bytesDone, 3000u * 1024);
}

}  // namespace
