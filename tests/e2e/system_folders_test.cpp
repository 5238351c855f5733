// The system's folders are gathered before anything else; a profile that
// lacks one cannot run the installer.
#include <gtest/gtest.h>

#include "e2e/setup_run.h"

namespace e2e {
namespace {

const char kShellFolders[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

TEST(SystemFolders, AMissingDesktopFolderIsReportedAndEndsTheRun) {
  HKEY key;
  ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, kShellFolders, 0, KEY_READ | KEY_WRITE, &key), ERROR_SUCCESS);
  char desktop[MAX_PATH] = {};
  DWORD size = sizeof desktop;
  ASSERT_EQ(RegQueryValueExA(key, "Desktop", nullptr, nullptr, reinterpret_cast<BYTE*>(desktop), &size),
            ERROR_SUCCESS);
  RegDeleteValueA(key, "Desktop");

  InstallationSet set;
  set.Write("Setup.dat", "[Setup]\r\nTitle=Demo\r\n");
  auto process = set.Start();
  uiauto::MessageBoxLog log;
  if (process) log = uiauto::CollectMessageBoxes(*process, 30000);

  RegSetValueExA(key, "Desktop", 0, REG_SZ, reinterpret_cast<BYTE*>(desktop), lstrlenA(desktop) + 1);
  RegCloseKey(key);

  ASSERT_TRUE(process);
  ASSERT_TRUE(log.exited) << log.ToString();
  EXPECT_EQ(log.exitCode, 1603u);
  ASSERT_EQ(log.boxes.size(), 1u) << log.ToString();  // nothing after the report: no load step
  EXPECT_EQ(log.boxes[0].box.text, Report("Failed to query a value in the registry."));
}

}  // namespace
}  // namespace e2e
