#include <gtest/gtest.h>

#include <string>

#include "platform/globals.h"
#include "session/setup_session.h"
#include "support/message_box_answerer.h"

namespace {

std::string ValueOf(const SetupSession& session, char key) {
  const Variable* v = session.variables->FindKey(static_cast<unsigned char>(key));
  if (!v) return "<none>";
  char buffer[600] = {};
  return v->GetValue(buffer, 599) ? buffer : "<no value>";
}

std::string FolderInI(const char* commandPath) {
  SetupSession session(g_instance, nullptr, commandPath);
  return ValueOf(session, 'I');
}

TEST(SystemVariables, GathersTheSystemFolders) {
  SetupSession session(g_instance, nullptr, "");
  ASSERT_TRUE(session.started());
  char windows[MAX_PATH];
  GetWindowsDirectoryA(windows, MAX_PATH);
  char system[MAX_PATH];
  GetSystemDirectoryA(system, MAX_PATH);
  EXPECT_EQ(ValueOf(session, 'W'), windows);
  EXPECT_EQ(ValueOf(session, 'S'), system);
  for (char key : {'P', 'D', 'R', 'G'}) {
    EXPECT_NE(ValueOf(session, key), "<none>") << key;
    EXPECT_NE(ValueOf(session, key), "") << key;
  }
  EXPECT_EQ(ValueOf(session, 'I'), "<none>");
  // In the order they were gathered.
  std::string order;
  for (Variable* v = session.variables->first(); v; v = v->next) order += static_cast<char>(v->key());
  EXPECT_EQ(order, "PDRGWS");
}

TEST(SystemVariables, TheCommandLineFolderLosesOneTrailingBackslash) {
  EXPECT_EQ(FolderInI("C:\\Setup\\"), "C:\\Setup");
  EXPECT_EQ(FolderInI("C:\\Setup"), "C:\\Setup");
  EXPECT_EQ(FolderInI("C:\\"), "C:");
  EXPECT_EQ(FolderInI("C:\\Two\\\\"), "C:\\Two\\");
  EXPECT_EQ(FolderInI("\\"), "<none>");
}

// Renames the user's "Desktop" shell folder value for the length of a test.
class HiddenDesktopValue {
public:
  HiddenDesktopValue() {
    RegOpenKeyExA(HKEY_CURRENT_USER, kKey, 0, KEY_READ | KEY_WRITE, &key_);
    DWORD size = sizeof value_;
    saved_ = RegQueryValueExA(key_, "Desktop", nullptr, nullptr, reinterpret_cast<BYTE*>(value_), &size) ==
             ERROR_SUCCESS;
    RegDeleteValueA(key_, "Desktop");
  }
  ~HiddenDesktopValue() {
    if (saved_)
      RegSetValueExA(key_, "Desktop", 0, REG_SZ, reinterpret_cast<BYTE*>(value_), lstrlenA(value_) + 1);
    RegCloseKey(key_);
  }

private:
  static constexpr const char* kKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
  HKEY key_ = nullptr;
  char value_[MAX_PATH] = {};
  bool saved_ = false;
};

TEST(SystemVariables, AMissingShellFolderIsReportedAndStopsTheGathering) {
  HiddenDesktopValue hidden;
  testsupport::MessageBoxAnswerer answerer;
  SetupSession session(g_instance, nullptr, "C:\\Set");
  EXPECT_FALSE(session.started());
  EXPECT_EQ(answerer.Texts(), std::vector<std::string>{"Failed to query a value in the registry.\nPlease contact "
                                                       "Veltrop Software. Installation will end"});
  EXPECT_NE(ValueOf(session, 'P'), "<none>");
  for (char key : {'D', 'R', 'G', 'W', 'S', 'I'}) EXPECT_EQ(ValueOf(session, key), "<none>") << key;
  // The quit request that ends the run must not leak into later tests.
  MSG message;
  EXPECT_TRUE(PeekMessageA(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
}

}  // namespace
