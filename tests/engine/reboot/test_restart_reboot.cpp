// Answering Yes to the restart question really restarts Windows. Under
// Wine that ends every process that owns a window and starts the prefix's
// services afresh, so this runs in an executable of its own, after every
// other test of the run.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "engine/restart.h"
#include "platform/globals.h"
#include "session/setup_session.h"
#include "support/temp_folder.h"
#include "uiauto.h"

namespace {

using testsupport::FileExists;
using testsupport::ReadFile;
using testsupport::TempFolder;
using testsupport::WriteFile;

const char kProbe[] = "restart_probe.exe";

class RestartTest : public ::testing::Test {
 protected:
  SetupSession session{g_instance, nullptr, ""};
  TempFolder folder;
};

// Processes that own top-level windows, apart from the desktop's: Wine's
// restart asks each of them to end and then terminates it.
BOOL CALLBACK NoteWindowOwner(HWND window, LPARAM data) {
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  reinterpret_cast<std::set<DWORD>*>(data)->insert(process);
  return TRUE;
}

std::set<DWORD> ProcessesWithWindows() {
  std::set<DWORD> owners;
  EnumWindows(NoteWindowOwner, reinterpret_cast<LPARAM>(&owners));
  DWORD desktop = 0;
  GetWindowThreadProcessId(GetDesktopWindow(), &desktop);
  owners.erase(desktop);
  return owners;
}

TEST_F(RestartTest, YesRestartsWindowsAndThePendingReplacementHappens) {
  // Under Wine the restart ends every process that owns a window; it is
  // only safe while nothing but the probe has one.
  const std::set<DWORD> owners = ProcessesWithWindows();
  if (!owners.empty()) {
    std::string list;
    for (DWORD id : owners) list += " " + std::to_string(id);
    GTEST_SKIP() << "processes with windows would be ended by the restart:" << list << " (this one is "
                 << GetCurrentProcessId() << ")";
  }
  const std::string installed = folder.Join("app.dll");
  const std::string temporary = folder.Join("~st0005.tmp");
  WriteFile(installed, "old");
  WriteFile(temporary, "new");
  ASSERT_TRUE(ReplaceAtRestart(session, temporary.c_str(), installed.c_str()));

  auto probe = uiauto::Process::Start(uiauto::QuoteArg(uiauto::PathBesideThisExecutable(kProbe)) + " offer");
  ASSERT_TRUE(probe) << uiauto::LastError();
  auto box = uiauto::WaitForMessageBox(*probe, 15000);
  ASSERT_TRUE(box) << uiauto::LastError() << uiauto::Describe(*probe);
  EXPECT_EQ("Setup Wizard", box->caption);
  ASSERT_TRUE(uiauto::Answer(*box, IDYES));
  EXPECT_TRUE(probe->WaitForExit(30000));
  EXPECT_TRUE(uiauto::WaitUntil([&] { return ReadFile(installed) == "new"; }, 30000))
      << "the restart did not replace the file";
  EXPECT_FALSE(FileExists(temporary));
}

}  // namespace
