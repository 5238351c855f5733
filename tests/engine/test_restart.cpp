#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "engine/restart.h"
#include "resources/resource_ids.h"
#include "platform/globals.h"
#include "session/setup_session.h"
#include "platform/string_table.h"
#include "support/message_box_answerer.h"
#include "support/pending_renames.h"
#include "support/temp_folder.h"
#include "uiauto.h"

namespace {

using testsupport::FileExists;
using testsupport::ReadPendingRenames;
using testsupport::WritePendingRenames;
using testsupport::ReadFile;
using testsupport::TempFolder;
using testsupport::WriteFile;

const char kProbe[] = "restart_probe.exe";
const DWORD kProbeReplaced = 1, kProbeRestartNeeded = 2, kProbeNT = 4;

// What Wine does at a restart: works off WININIT.INI and the pending file
// operations, without ending any process.
void RestartWindows() {
  STARTUPINFOA startup = {};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process = {};
  char command[] = "wineboot.exe -r";
  ASSERT_TRUE(CreateProcessA(nullptr, command, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process));
  CloseHandle(process.hThread);
  const DWORD waited = WaitForSingleObject(process.hProcess, 60000);
  CloseHandle(process.hProcess);
  ASSERT_EQ(WAIT_OBJECT_0, waited) << "wineboot -r did not finish";
}

// Wine takes the Windows version a program sees from this key, by the
// program's file name.
class AppVersion {
 public:
  AppVersion(const char* exeName, const char* version) : path_(std::string("Software\\Wine\\AppDefaults\\") + exeName) {
    HKEY key = nullptr;
    EXPECT_EQ(ERROR_SUCCESS,
              RegCreateKeyExA(HKEY_CURRENT_USER, path_.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr));
    if (key) {
      RegSetValueExA(key, "Version", 0, REG_SZ, reinterpret_cast<const BYTE*>(version),
                     static_cast<DWORD>(std::strlen(version) + 1));
      RegCloseKey(key);
    }
  }
  ~AppVersion() { RegDeleteKeyA(HKEY_CURRENT_USER, path_.c_str()); }

 private:
  std::string path_;
};

DWORD RunProbe(const char* version, const std::string& arguments) {
  AppVersion appVersion(kProbe, version);
  auto process = uiauto::Process::Start(uiauto::QuoteArg(uiauto::PathBesideThisExecutable(kProbe)) + " " + arguments);
  if (!process) {
    ADD_FAILURE() << uiauto::LastError();
    return 255;
  }
  EXPECT_TRUE(process->WaitForExit(30000));
  return process->ExitCode().value_or(255);
}

std::string ShortPath(const std::string& path) {
  char buffer[MAX_PATH] = "";
  GetShortPathNameA(path.c_str(), buffer, sizeof(buffer));
  return buffer;
}

std::string WininitPath() {
  char folder[MAX_PATH] = "";
  GetWindowsDirectoryA(folder, sizeof(folder));
  return std::string(folder) + "\\WININIT.INI";
}

class RestartTest : public ::testing::Test {
 protected:
  void SetUp() override { DeleteFileA(WininitPath().c_str()); }

  SetupSession session{g_instance, nullptr, ""};
  TempFolder folder;
};

TEST_F(RestartTest, WindowsVersionIsTheOneWineReportsPerProgram) {
  EXPECT_TRUE(IsWindowsNT());
  EXPECT_EQ(0u, RunProbe("win95", "version"));
  EXPECT_EQ(0u, RunProbe("win98", "version"));
  EXPECT_EQ(kProbeNT, RunProbe("nt40", "version"));
  EXPECT_EQ(kProbeNT, RunProbe("winxp", "version"));
  EXPECT_EQ(kProbeNT, RunProbe("win10", "version"));
}

TEST_F(RestartTest, OnNTFilesAreReplacedAndDeletedAtTheRestart) {
  const std::string installed = folder.Join("app.dll");
  const std::string temporary = folder.Join("~st1234.tmp");
  const std::string obsolete = folder.Join("obsolete.hlp");
  const std::string obsoleteLower = folder.Join("obsolete.cnt");
  WriteFile(installed, "old");
  WriteFile(temporary, "new");
  WriteFile(obsolete, "x");
  WriteFile(obsoleteLower, "x");

  EXPECT_EQ(TRUE, ReplaceAtRestart(session, temporary.c_str(), installed.c_str()));
  EXPECT_EQ(1u, session.restartNeeded);
  DeleteAtRestart(session, obsolete.c_str());
  EXPECT_EQ(TRUE, ReplaceAtRestart(session, obsoleteLower.c_str(), "nul"));
  // Nothing happens before the restart, and WININIT.INI is not used.
  EXPECT_EQ("old", ReadFile(installed));
  EXPECT_TRUE(FileExists(obsolete));
  EXPECT_FALSE(FileExists(WininitPath()));

  RestartWindows();
  EXPECT_EQ("new", ReadFile(installed));
  EXPECT_FALSE(FileExists(temporary));
  EXPECT_FALSE(FileExists(obsolete));
  EXPECT_FALSE(FileExists(obsoleteLower));
}

// Strings of the pending list, each with its terminator.
std::wstring Strings(std::initializer_list<const wchar_t*> strings) {
  std::wstring data;
  for (const wchar_t* text : strings) data.append(text).push_back(L'\0');
  return data;
}

TEST_F(RestartTest, OnNTOtherProgramsPendingOperationsStayByteForByte) {
  testsupport::SavedPendingRenames saved;
  // Another program's operations on names outside the ANSI code page:
  // a deletion (empty target) and a replacement ("!" target).
  const std::wstring foreign = Strings({L"\\??\\C:\\\u65E5\u672C\\old.txt", L"",
                                        L"\\??\\C:\\\u65E5\u672C\\new.txt", L"!\\??\\C:\\\u65E5\u672C\\old.txt"});
  WritePendingRenames(foreign + L'\0');
  // Ours, in a folder whose name is ANSI beyond ASCII.
  const std::string ours = folder.Join("Caf\xE9");
  ASSERT_TRUE(CreateDirectoryA(ours.c_str(), nullptr));
  const std::string installed = ours + "\\App.dll";
  const std::string temporary = ours + "\\QWI1.TMP";
  const std::string obsolete = ours + "\\Old.hlp";
  WriteFile(installed, "old");
  WriteFile(temporary, "new");
  WriteFile(obsolete, "x");

  ASSERT_EQ(TRUE, ReplaceAtRestart(session, temporary.c_str(), installed.c_str()));
  std::wstring pending = ReadPendingRenames();
  EXPECT_EQ(foreign, pending.substr(0, foreign.size()));
  EXPECT_GT(pending.size(), foreign.size() + 1);
  // A third program adds after us; we take ours back from the middle, in
  // another case than we gave it.
  const std::wstring later = Strings({L"\\??\\C:\\\u65E5\u672C\\later.txt", L""});
  WritePendingRenames(pending.substr(0, pending.size() - 1) + later + L'\0');
  std::string shouted = installed;
  CharUpperA(&shouted[0]);
  EXPECT_TRUE(CancelAtRestart(temporary.c_str(), shouted.c_str()));
  EXPECT_EQ(foreign + later + L'\0', ReadPendingRenames());

  ASSERT_TRUE(DeleteAtRestart(session, obsolete.c_str()));
  EXPECT_NE(foreign + later + L'\0', ReadPendingRenames());
  EXPECT_TRUE(CancelAtRestart(obsolete.c_str(), "nul"));
  EXPECT_EQ(foreign + later + L'\0', ReadPendingRenames());
  // What is not there is not found, and nothing changes.
  EXPECT_FALSE(CancelAtRestart(temporary.c_str(), installed.c_str()));
  EXPECT_FALSE(CancelAtRestart(installed.c_str(), "NUL"));
  EXPECT_EQ(foreign + later + L'\0', ReadPendingRenames());

  // Taking back the last of ours from a list of ours alone leaves no list.
  WritePendingRenames(L"");
  ASSERT_TRUE(DeleteAtRestart(session, obsolete.c_str()));
  EXPECT_TRUE(CancelAtRestart(obsolete.c_str(), "NUL"));
  EXPECT_EQ(L"", ReadPendingRenames());
}

TEST_F(RestartTest, AnOperationTheSystemRefusesIsNoSuccess) {
  const std::string installed = folder.Join("app.dll");
  const std::string temporary = folder.Join("~st9999.tmp");
  WriteFile(installed, "old");
  WriteFile(temporary, "new");
  const std::wstring before = ReadPendingRenames();
  {
    testsupport::PendingRenamesRefused refused;
    ASSERT_TRUE(refused.refused());
    EXPECT_EQ(FALSE, ReplaceAtRestart(session, temporary.c_str(), installed.c_str()));
    EXPECT_FALSE(DeleteAtRestart(session, temporary.c_str()));
    EXPECT_EQ(0u, session.restartNeeded);
  }
  EXPECT_EQ(before, ReadPendingRenames());

  // On Windows 95: a WININIT.INI that cannot be written.
  ASSERT_TRUE(CreateDirectoryA(WininitPath().c_str(), nullptr));
  const DWORD result = RunProbe("win95", "replace " + uiauto::QuoteArg(temporary) + " " + uiauto::QuoteArg(installed));
  const DWORD deleted = RunProbe("win95", "delete " + uiauto::QuoteArg(temporary));
  RemoveDirectoryA(WininitPath().c_str());
  EXPECT_EQ(0u, result);
  EXPECT_EQ(0u, deleted);
  EXPECT_EQ("old", ReadFile(installed));
  EXPECT_EQ("new", ReadFile(temporary));
}

TEST_F(RestartTest, OnNT4TheSameWorksInAProgramOfItsOwn) {
  const std::string installed = folder.Join("shared.dll");
  const std::string temporary = folder.Join("~st5678.tmp");
  WriteFile(installed, "old");
  WriteFile(temporary, "new");
  EXPECT_EQ(kProbeReplaced | kProbeRestartNeeded | kProbeNT,
            RunProbe("nt40", "replace " + uiauto::QuoteArg(temporary) + " " + uiauto::QuoteArg(installed)));
  RestartWindows();
  EXPECT_EQ("new", ReadFile(installed));
  EXPECT_FALSE(FileExists(temporary));
}

TEST_F(RestartTest, OnWindows95TheOperationsGoThroughWininit) {
  const std::string first = folder.Join("first library.dll");
  const std::string firstNew = folder.Join("~st0001.tmp");
  const std::string second = folder.Join("second.dll");
  const std::string secondNew = folder.Join("~st0002.tmp");
  const std::string obsolete = folder.Join("obsolete help.hlp");
  WriteFile(first, "old1");
  WriteFile(firstNew, "new1");
  WriteFile(second, "old2");
  WriteFile(secondNew, "new2");
  WriteFile(obsolete, "x");
  const DWORD done = kProbeReplaced | kProbeRestartNeeded;
  EXPECT_EQ(done, RunProbe("win95", "replace " + uiauto::QuoteArg(firstNew) + " " + uiauto::QuoteArg(first)));
  EXPECT_EQ(done, RunProbe("win95", "replace " + uiauto::QuoteArg(secondNew) + " " + uiauto::QuoteArg(second)));
  EXPECT_EQ(done, RunProbe("win95", "delete " + uiauto::QuoteArg(obsolete)));

  const std::string expected = "[rename]\r\n" + ShortPath(first) + "=" + ShortPath(firstNew) + "\r\n" +
                               ShortPath(second) + "=" + ShortPath(secondNew) + "\r\n" + "NUL=" + ShortPath(obsolete) +
                               "\r\n";
  EXPECT_EQ(expected, ReadFile(WininitPath()));
  EXPECT_EQ(std::string::npos, expected.find("first library")) << "long names in WININIT.INI";
  EXPECT_EQ("old1", ReadFile(first));

  RestartWindows();
  EXPECT_EQ("new1", ReadFile(first));
  EXPECT_EQ("new2", ReadFile(second));
  EXPECT_FALSE(FileExists(firstNew));
  EXPECT_FALSE(FileExists(obsolete));
  EXPECT_FALSE(FileExists(WininitPath())) << "WININIT.INI is worked off once";
}

TEST_F(RestartTest, OnWindows95AWininitWithOtherContentStillWorks) {
  const std::string installed = folder.Join("app.dll");
  const std::string temporary = folder.Join("~st0003.tmp");
  WriteFile(installed, "old");
  WriteFile(temporary, "new");
  // Written by some other program: another section last, no final line break.
  WriteFile(WininitPath(), "[rename]\r\nNUL=C:\\NOFILE.TMP\r\n[CombineVxDs]\r\nx=1");
  EXPECT_EQ(kProbeReplaced | kProbeRestartNeeded,
            RunProbe("win95", "replace " + uiauto::QuoteArg(temporary) + " " + uiauto::QuoteArg(installed)));
  RestartWindows();
  EXPECT_EQ("new", ReadFile(installed));
  EXPECT_FALSE(FileExists(temporary));
}

TEST_F(RestartTest, OnWindows95NothingIsWrittenWithoutShortPaths) {
  const std::string temporary = folder.Join("~st0004.tmp");
  WriteFile(temporary, "new");
  EXPECT_EQ(0u, RunProbe("win95", "replace " + uiauto::QuoteArg(temporary) + " " +
                                      uiauto::QuoteArg(folder.Join("missing.dll"))));
  EXPECT_EQ(0u, RunProbe("win95", "delete " + uiauto::QuoteArg(folder.Join("missing.hlp"))) & kProbeRestartNeeded);
  EXPECT_FALSE(FileExists(WininitPath()));
}

TEST_F(RestartTest, OfferRestartAsksOnlyWhenSomethingIsPending) {
  {
    testsupport::MessageBoxAnswerer answerer(IDNO);
    OfferRestart(session, nullptr);
    EXPECT_TRUE(answerer.Boxes().empty());
  }
  session.restartNeeded = 1;
  testsupport::MessageBoxAnswerer answerer(IDNO);
  OfferRestart(session, nullptr);
  const auto boxes = answerer.Boxes();
  ASSERT_EQ(1u, boxes.size());
  char question[256];
  ASSERT_TRUE(LoadTableString(g_instance, IDS_RESTART_QUESTION, question, sizeof(question)));
  EXPECT_EQ("Setup Wizard", boxes[0].caption);
  EXPECT_EQ(question, boxes[0].text);
  EXPECT_EQ((std::vector<int>{IDYES, IDNO}), boxes[0].buttonIds);
  EXPECT_EQ(uiauto::MessageBoxIcon::Question, boxes[0].icon);
}

}  // namespace
