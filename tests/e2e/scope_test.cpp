// Whom an installation is for. A per-user installation keeps to the
// user's profile and HKEY_CURRENT_USER, from its files to its uninstall
// entry and back out again; one that would reach beyond them is refused
// when it is loaded; a machine-wide one puts its links where every user
// sees them; and a machine-wide run without administrator rights hands
// itself over to an elevated one and ends as that one ends.
#include <gtest/gtest.h>

#include <windows.h>
#include <tlhelp32.h>

#include <sstream>
#include <vector>

#include "e2e/prefix_snapshot.h"
#include "e2e/setup_run.h"
#include "e2e/wizard_driver.h"
#include "resources/resource_ids.h"

#include <shlobj.h>

namespace e2e {
namespace {

const char kUninstallRoot[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

std::string Lower(std::string text) {
  if (!text.empty()) CharLowerBuffA(&text[0], static_cast<DWORD>(text.size()));
  return text;
}

std::string Environment(const char* name) {
  char value[MAX_PATH] = "";
  GetEnvironmentVariableA(name, value, sizeof value);
  return value;
}

// Answers Yes to the question whether to remove, No to a restart, OK to
// the rest.
int Agree(const uiauto::MessageBoxInfo& box) {
  if (box.HasButton(IDYES) && box.caption == "Uninstall") return IDYES;
  if (box.HasButton(IDNO)) return IDNO;
  return IDOK;
}

// A set of `scope` with a program, a group and desktop link, and its
// entry written by a RegUser list; `extra` goes into [Setup].
void WriteProduct(const InstallationSet& set, const std::string& name, const std::string& scope,
                  const std::string& extra = std::string(), const std::string& files = std::string()) {
  set.Write("app.txt", "the program of " + name);
  const std::string setupExe = testsupport::ReadFile(set.SetupExe());
  WriteSelfSizedSetupDat(
      set, "[Setup]\r\nTitle=" + name + "\r\nApp=" + name + "\r\nScope=" + scope + "\r\nDefaultFolder=%P\\" + name +
               "\r\nDefaultGroup=" + name + "\r\nGroup=1\r\nDesktop=1\r\nFiles=Files\r\nRegUser=User\r\n"
               "Shortcuts=Shortcuts\r\n" + extra +
               "[Files]\r\napp.txt=%0\\app.txt," + std::to_string(15 + name.size()) + ",0,Program\r\n" + files +
               "Setup.exe=%0\\Setup.exe," + std::to_string(setupExe.size()) + ",0,Setup\r\n"
               "Setup.dat=%0\\Setup.dat,@SELF@,0,Information\r\n"
               "[User]\r\nSoftware\\" + name + "=Path|%0\r\n" + kUninstallRoot + name + ":1=DisplayName|" + name +
               "\r\n" + kUninstallRoot + name + ":2=UninstallString|\"%0\\Setup.exe\" /U \"%0\"\r\n"
               "[Shortcuts]\r\n" + name + "=5,%0\\app.txt,%0\r\n");
}

// The lines of `differences` that lie outside the user's profile and
// HKEY_CURRENT_USER.
std::string OutsideTheUser(const std::string& differences) {
  const std::string profile = Lower(Environment("USERPROFILE"));
  std::istringstream lines(differences);
  std::string outside;
  for (std::string line; std::getline(lines, line);) {
    const std::string entry = line.substr(2);
    if (entry.compare(0, 5 + profile.size() + 1, "file " + profile + "\\") == 0) continue;
    if (entry.compare(0, 22, "reg [hkey_current_user") == 0) continue;
    outside += line + "\n";
  }
  return outside;
}

TEST(Scope, APerUserInstallationStaysWithTheUserAndItsUninstallLeavesTheProfileAsItWas) {
  for (const bool silent : {true, false}) {
    SCOPED_TRACE(silent ? "unattended" : "interactive");
    const std::string name = silent ? "PuSilent" : "PuWizard";
    InstallationSet set;
    WriteProduct(set, name, "user");
    const PrefixSnapshot before = PrefixSnapshot::Take(true);

    if (silent) {
      EXPECT_EQ(RunToExit(set, "/S"), 0u);
    } else {
      auto process = set.Start();
      ASSERT_TRUE(process);
      const auto log = RunToEnd(*process, Agree);
      EXPECT_TRUE(log.exited && log.exitCode == 0) << log.ToString();
    }
    // The user's own programs folder, Start menu and desktop, and the
    // entry below HKEY_CURRENT_USER; nothing of it for the machine.
    char local[MAX_PATH] = "";
    ASSERT_TRUE(SUCCEEDED(SHGetFolderPathA(nullptr, CSIDL_LOCAL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, local)));
    const std::string folder = std::string(local) + "\\Programs\\" + name;
    EXPECT_EQ(testsupport::ReadFile(folder + "\\app.txt"), "the program of " + name);
    EXPECT_TRUE(testsupport::FileExists(ShellFolder("Programs") + "\\" + name + "\\" + name + ".lnk"));
    EXPECT_TRUE(testsupport::FileExists(ShellFolder("Desktop") + "\\" + name + ".lnk"));
    EXPECT_FALSE(testsupport::FileExists(AllUsersFolder("Desktop") + "\\" + name + ".lnk"));
    EXPECT_EQ(RegistryText(HKEY_CURRENT_USER, kUninstallRoot + name, "InstallLocation"), folder);
    EXPECT_EQ(RegistryText(HKEY_CURRENT_USER, kUninstallRoot + name, "DisplayName"), name);
    EXPECT_NE(RegistryText(HKEY_CURRENT_USER, kUninstallRoot + name, "SetupLogChecksum"), "<absent>");
    EXPECT_EQ(RegistryText(HKEY_LOCAL_MACHINE, kUninstallRoot + name, "InstallLocation"), "<absent>");
    const std::string installed = before.DifferencesTo(PrefixSnapshot::Take(true));
    EXPECT_NE(installed.find(Lower("+ file " + folder + "\\install.log")), std::string::npos) << installed;
    EXPECT_EQ(OutsideTheUser(installed), "") << installed;

    // The uninstall finds the record below HKEY_CURRENT_USER.
    if (silent) {
      EXPECT_EQ(RunToExit(set, "/S /U \"" + folder + "\""), 0u);
    } else {
      auto process = set.Start("/U \"" + folder + "\"");
      ASSERT_TRUE(process);
      const auto log = RunToEnd(*process, Agree);
      EXPECT_TRUE(log.exited && log.exitCode == 0) << log.ToString();
      ASSERT_EQ(log.boxes.size(), 2u) << log.ToString();
      EXPECT_EQ(log.boxes[1].box.text, "Successfully uninstalled the application.");
    }
    EXPECT_EQ(before.DifferencesTo(PrefixSnapshot::Take(true)), "");
  }
}

TEST(Scope, APerUserSetThatReachesForTheMachineIsRefusedAtItsLine) {
  struct Case {
    std::string extra;
    std::string files;
    std::string expected;
  };
  const std::vector<Case> cases = {
      {"", "lib.dll=%S\\PULIB.DLL,3,0,Library\r\n",
       "[Files] lib.dll: line 14: a per-user installation cannot install into the system folder"},
      {"", "lib.dll=%0\\PULIB.DLL,3,1,Library\r\n",
       "[Files] lib.dll: line 14: a per-user installation keeps no shared files"},
      {"RegMachine=User\r\n", "",
       "[Setup] RegMachine: line 12: a per-user installation writes only below HKEY_CURRENT_USER"},
  };
  for (const Case& refused : cases) {
    SCOPED_TRACE(refused.expected);
    InstallationSet set;
    set.Write("lib.dll", "lib");
    WriteProduct(set, "PuRefused", "user", refused.extra, refused.files);
    testsupport::TempFolder logs;
    const PrefixSnapshot before = PrefixSnapshot::Take();
    EXPECT_EQ(RunToExit(set, "/S /LOG=" + logs.Join("run.log")), 1603u);
    const std::string log = testsupport::ReadFile(logs.Join("run.log"));
    EXPECT_NE(log.find(refused.expected), std::string::npos) << log;
    EXPECT_EQ(before.DifferencesTo(PrefixSnapshot::Take()), "");
  }
}

TEST(Scope, AMachineWideInstallationLinksForEveryUserAndItsUninstallTakesThemAway) {
  InstallationSet set;
  WriteProduct(set, "MwLinks", "machine", "UninstallKey=MwLinks\r\n");
  testsupport::TempFolder logs;
  ASSERT_EQ(RunToExit(set, "/S /LOG=" + logs.Join("install.log")), 0u);
  const std::string group = AllUsersFolder("Programs") + "\\MwLinks";
  const std::string desktop = AllUsersFolder("Desktop") + "\\MwLinks.lnk";
  EXPECT_TRUE(testsupport::FileExists(group + "\\MwLinks.lnk"));
  EXPECT_TRUE(testsupport::FileExists(desktop));
  EXPECT_FALSE(testsupport::FileExists(ShellFolder("Desktop") + "\\MwLinks.lnk"));
  const std::string installLog = testsupport::ReadFile(logs.Join("install.log"));
  EXPECT_NE(installLog.find("link: " + desktop + " -> "), std::string::npos) << installLog;

  // The product's own record says where they went; the uninstall takes
  // them from there.
  const std::string record = testsupport::ReadFile(ProgramFiles() + "\\MwLinks\\Install.log");
  EXPECT_NE(record.find("L\t" + desktop + "\t"), std::string::npos) << record;
  ASSERT_EQ(RunToExit(set, "/S /U \"" + ProgramFiles() + "\\MwLinks\""), 0u);
  EXPECT_FALSE(testsupport::FileExists(desktop));
  EXPECT_FALSE(testsupport::FileExists(group));
}

TEST(Scope, TheUserWhoMayChooseInstallsForThemselvesAndTheFoldersFollow) {
  InstallationSet set;
  WriteProduct(set, "PuChosen", "choose", "UninstallKey=PuChosen\r\nRegMachine=User\r\n");
  testsupport::TempFolder logs;
  auto process = set.Start("/LOG=" + logs.Join("run.log"));
  ASSERT_TRUE(process);
  WizardDriver wizard(*process);
  ASSERT_TRUE(wizard.Appear()) << wizard.Failure();
  ASSERT_TRUE(wizard.WaitFor(WizardPage::Welcome)) << wizard.Failure();
  // With the rights, every user is proposed; the user takes the other.
  EXPECT_EQ(uiauto::IsControlVisible(wizard.sheet(), IDC_SCOPE_USER), true);
  EXPECT_EQ(uiauto::IsChecked(wizard.sheet(), IDC_SCOPE_MACHINE), true);
  ASSERT_TRUE(uiauto::ClickButton(wizard.sheet(), IDC_SCOPE_USER));
  ASSERT_TRUE(wizard.Next(WizardPage::Folder)) << wizard.Failure();
  char local[MAX_PATH] = "";
  SHGetFolderPathA(nullptr, CSIDL_LOCAL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, local);
  const std::string folder = std::string(local) + "\\Programs\\PuChosen";
  EXPECT_EQ(uiauto::ControlText(wizard.sheet(), IDC_FOLDER_EDIT).value_or(""), folder);
  ASSERT_TRUE(wizard.Next(WizardPage::Shortcuts)) << wizard.Failure();
  ASSERT_TRUE(wizard.Next(WizardPage::Group)) << wizard.Failure();
  ASSERT_TRUE(wizard.Next(WizardPage::Ready)) << wizard.Failure();
  ASSERT_TRUE(wizard.Install()) << wizard.Failure();
  EXPECT_TRUE(AcceptCompletion(*process)) << uiauto::Describe(*process);
  ASSERT_TRUE(process->WaitForExit(60000)) << testsupport::ReadFile(logs.Join("run.log"));
  EXPECT_EQ(process->ExitCode(), 0u);

  EXPECT_EQ(RegistryText(HKEY_CURRENT_USER, std::string(kUninstallRoot) + "PuChosen", "InstallLocation"), folder);
  EXPECT_EQ(RegistryText(HKEY_LOCAL_MACHINE, std::string(kUninstallRoot) + "PuChosen", "DisplayName"), "<absent>");
  EXPECT_EQ(RegistryText(HKEY_LOCAL_MACHINE, "Software\\PuChosen", "Path"), "<absent>");
  EXPECT_TRUE(testsupport::FileExists(ShellFolder("Desktop") + "\\PuChosen.lnk"));
  // Its uninstall knows the choice from the record.
  EXPECT_EQ(RunToExit(set, "/S /U \"" + folder + "\""), 0u);
  EXPECT_EQ(RegistryText(HKEY_CURRENT_USER, std::string(kUninstallRoot) + "PuChosen", "InstallLocation"), "<absent>");
  EXPECT_FALSE(testsupport::FileExists(ShellFolder("Desktop") + "\\PuChosen.lnk"));
}

TEST(Scope, AKilledPerUserInstallationIsTakenBackFromTheUsersOwnJournal) {
  InstallationSet set;
  std::string files;
  for (int i = 0; i < 4; ++i) {
    const std::string name = "large" + std::to_string(i) + ".bin";
    const std::string content(3 * 1024 * 1024 + i, static_cast<char>('a' + i));
    set.Write(name, content);
    files += name + "=%0\\" + name + "," + std::to_string(content.size()) + ",0\r\n";
  }
  WriteProduct(set, "PuKilled", "user", "", files);
  testsupport::TempFolder logs;
  const PrefixSnapshot before = PrefixSnapshot::Take(true);

  // Killed once its first file stands.
  auto process = set.Start("/S /LOG=" + logs.Join("killed.log"));
  ASSERT_TRUE(process);
  const DWORD started = GetTickCount();
  while (process->IsRunning() && Occurrences(testsupport::ReadFile(logs.Join("killed.log")), "file created:") < 2 &&
         GetTickCount() - started < 120000)
    Sleep(1);
  ASSERT_TRUE(process->Kill()) << testsupport::ReadFile(logs.Join("killed.log"));
  process->WaitForExit(10000);
  char local[MAX_PATH] = "";
  SHGetFolderPathA(nullptr, CSIDL_LOCAL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, local);
  char windows[MAX_PATH] = "";
  GetWindowsDirectoryA(windows, MAX_PATH);
  EXPECT_TRUE(testsupport::FileExists(std::string(local) + "\\QWSetup.jnl"));
  EXPECT_FALSE(testsupport::FileExists(std::string(windows) + "\\QWSetup.jnl"));

  // Any next run, here an uninstall of nothing, puts the profile right.
  EXPECT_EQ(RunToExit(set, "/S /LOG=" + logs.Join("next.log") + " /U \"C:\\Nothing\""), 1603u);
  EXPECT_EQ(Occurrences(testsupport::ReadFile(logs.Join("next.log")), "an earlier run was cut short: install"), 1u);
  EXPECT_EQ(before.DifferencesTo(PrefixSnapshot::Take(true)), "");
}

// Starts `commandLine` with the process's own rights filtered down to a
// user's (the token linked to an elevated one): the process, or null.
HANDLE StartWithoutRights(const std::string& commandLine, const std::string& folder, DWORD& id) {
  HANDLE own = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY | TOKEN_DUPLICATE, &own)) return nullptr;
  TOKEN_LINKED_TOKEN linked = {};
  DWORD size = 0;
  const BOOL known = GetTokenInformation(own, TokenLinkedToken, &linked, sizeof linked, &size);
  CloseHandle(own);
  if (!known) return nullptr;
  HANDLE primary = nullptr;
  const BOOL duplicated =
      DuplicateTokenEx(linked.LinkedToken, TOKEN_ALL_ACCESS, nullptr, SecurityImpersonation, TokenPrimary, &primary);
  CloseHandle(linked.LinkedToken);
  if (!duplicated) return nullptr;
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION started = {};
  std::string line = commandLine;
  const BOOL created = CreateProcessAsUserA(primary, nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr,
                                            folder.c_str(), &startup, &started);
  CloseHandle(primary);
  if (!created) return nullptr;
  CloseHandle(started.hThread);
  id = started.dwProcessId;
  return started.hProcess;
}

// Waits for the end of `process` (and closes it): its exit code, or
// 0xFFFFFFFF.
DWORD ExitCodeOf(HANDLE process) {
  DWORD code = 0xFFFFFFFF;
  if (!process) return code;
  if (WaitForSingleObject(process, 180000) == WAIT_OBJECT_0) GetExitCodeProcess(process, &code);
  CloseHandle(process);
  return code;
}

DWORD RunWithoutRights(const std::string& commandLine, const std::string& folder) {
  DWORD id = 0;
  return ExitCodeOf(StartWithoutRights(commandLine, folder, id));
}

// The values of the log's lines that begin (after their time) with `what`.
std::vector<std::string> Lines(const std::string& log, const std::string& what) {
  std::vector<std::string> found;
  std::istringstream lines(log);
  for (std::string line; std::getline(lines, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.size() > 24 && line.compare(24, what.size(), what) == 0) found.push_back(line.substr(24 + what.size()));
  }
  return found;
}

TEST(Elevation, AMachineWideRunWithoutRightsHandsOverToAnElevatedOneAndEndsAsItEnds) {
  // One run that succeeds and one whose Setup.dat the elevated run
  // refuses: the starter ends with each one's own exit code.
  for (const bool broken : {false, true}) {
    SCOPED_TRACE(broken ? "refused set" : "good set");
    InstallationSet set;
    WriteProduct(set, "ElRelaunch", "machine", broken ? "RegMachine=Missing\r\n" : "UninstallKey=ElRelaunch\r\n");
    testsupport::TempFolder logs;
    const std::string arguments = "/S /LOG=" + logs.Join("run.log");
    const DWORD exitCode = RunWithoutRights(uiauto::QuoteArg(set.SetupExe()) + " " + arguments, set.folder());
    EXPECT_EQ(exitCode, broken ? 1603u : 0u);

    const std::string log = testsupport::ReadFile(logs.Join("run.log"));
    // Two processes wrote the one log: the starter, then the elevated run
    // with the same command line behind its marker, then the starter again.
    EXPECT_EQ(Lines(log, "start: "), (std::vector<std::string>{"Setup.exe", "Setup.exe"})) << log;
    EXPECT_EQ(Lines(log, "command line: "), (std::vector<std::string>{arguments, "/ELEVATED " + arguments})) << log;
    const std::string code = std::to_string(exitCode);
    EXPECT_EQ(Lines(log, "end: exit code "), (std::vector<std::string>{code, code})) << log;
    EXPECT_EQ(Lines(log, "the elevated run ended with exit code "), (std::vector<std::string>{code})) << log;
    EXPECT_EQ(Occurrences(log, "administrator rights needed"), 1u) << log;
    if (!broken) {
      EXPECT_EQ(RegistryText(HKEY_LOCAL_MACHINE, std::string(kUninstallRoot) + "ElRelaunch", "InstallLocation"),
                ProgramFiles() + "\\ElRelaunch");
      EXPECT_EQ(RunToExit(set, "/S /U \"" + ProgramFiles() + "\\ElRelaunch\""), 0u);
    }
  }
}

// The Setup.exe that `parent` started, once there is one: Wine may start
// helpers of its own for a process, which are no run of ours.
DWORD ChildOf(DWORD parent) {
  DWORD child = 0;
  uiauto::WaitUntil(
      [&] {
        HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
        PROCESSENTRY32 entry = {};
        entry.dwSize = sizeof entry;
        for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry))
          if (entry.th32ParentProcessID == parent && entry.th32ProcessID != parent &&
              lstrcmpiA(entry.szExeFile, "Setup.exe") == 0)
            child = entry.th32ProcessID;
        CloseHandle(snapshot);
        return child != 0;
      },
      30000);
  return child;
}

// The wizard sheet of process `id` once it shows the welcome page's choice.
HWND ChoiceShownBy(DWORD id) {
  HWND sheet = nullptr;
  uiauto::WaitUntil(
      [&] {
        for (HWND window : uiauto::TopLevelWindows(id)) {
          DWORD owner = 0;
          GetWindowThreadProcessId(window, &owner);
          if (owner == id && uiauto::IsControlVisible(window, IDC_SCOPE_MACHINE).value_or(false)) sheet = window;
        }
        return sheet != nullptr;
      },
      30000);
  return sheet;
}

// Ends the runs a failed scenario left waiting, so that the next one is
// not told that Setup is already running.
struct EndsLeftRuns {
  DWORD ids[2] = {};
  ~EndsLeftRuns() {
    for (DWORD id : ids) {
      HANDLE run = id ? OpenProcess(PROCESS_TERMINATE, FALSE, id) : nullptr;
      if (!run) continue;
      TerminateProcess(run, 1);
      CloseHandle(run);
    }
  }
};

TEST(Elevation, EveryUserChosenWithoutRightsHandsTheWizardToAnElevatedRun) {
  InstallationSet set;
  WriteProduct(set, "ElChosen", "choose", "UninstallKey=ElChosen\r\nRegMachine=User\r\n");
  testsupport::TempFolder logs;
  DWORD parent = 0;
  HANDLE process = StartWithoutRights(uiauto::QuoteArg(set.SetupExe()) + " /LOG=" + logs.Join("run.log"), set.folder(), parent);
  ASSERT_TRUE(process);
  EndsLeftRuns left;
  left.ids[0] = parent;
  // Without the rights the user alone is proposed; every user is chosen.
  HWND sheet = ChoiceShownBy(parent);
  ASSERT_TRUE(sheet);
  EXPECT_EQ(uiauto::IsChecked(sheet, IDC_SCOPE_USER), true);
  ASSERT_TRUE(uiauto::ClickButton(sheet, IDC_SCOPE_MACHINE));
  ASSERT_TRUE(uiauto::ClickButton(sheet, kNextButton));
  // The elevated run proposes every user, and the user takes its proposals.
  const DWORD child = ChildOf(parent);
  ASSERT_NE(child, 0u);
  left.ids[1] = child;
  HWND childSheet = ChoiceShownBy(child);
  ASSERT_TRUE(childSheet);
  EXPECT_EQ(uiauto::IsChecked(childSheet, IDC_SCOPE_MACHINE), true);
  DWORD exitCode = 0xFFFFFFFF;
  {
    ProposalTaker taker(child);
    exitCode = ExitCodeOf(process);
  }
  const std::string log = testsupport::ReadFile(logs.Join("run.log"));
  EXPECT_EQ(exitCode, 0u) << log;
  const std::string arguments = "/LOG=" + logs.Join("run.log");
  EXPECT_EQ(Lines(log, "command line: "), (std::vector<std::string>{arguments, "/ELEVATED " + arguments})) << log;
  EXPECT_EQ(Lines(log, "installation for "), (std::vector<std::string>{"every user", "every user"})) << log;
  EXPECT_EQ(Occurrences(log, "file created:"), 3u) << log;
  // The choice installs the machine's registry list alone.
  EXPECT_EQ(RegistryText(HKEY_LOCAL_MACHINE, std::string(kUninstallRoot) + "ElChosen", "InstallLocation"),
            ProgramFiles() + "\\ElChosen");
  EXPECT_EQ(RegistryText(HKEY_LOCAL_MACHINE, std::string(kUninstallRoot) + "ElChosen", "DisplayName"), "ElChosen");
  EXPECT_EQ(RegistryText(HKEY_CURRENT_USER, std::string(kUninstallRoot) + "ElChosen", "DisplayName"), "<absent>");
  EXPECT_TRUE(testsupport::FileExists(AllUsersFolder("Desktop") + "\\ElChosen.lnk"));
  EXPECT_EQ(RunToExit(set, "/S /U \"" + ProgramFiles() + "\\ElChosen\""), 0u);
}

TEST(Elevation, APerUserRunWithoutRightsStaysAsItIs) {
  InstallationSet set;
  WriteProduct(set, "ElStays", "choose");
  testsupport::TempFolder logs;
  EXPECT_EQ(RunWithoutRights(uiauto::QuoteArg(set.SetupExe()) + " /S /LOG=" + logs.Join("run.log"), set.folder()), 0u);
  const std::string log = testsupport::ReadFile(logs.Join("run.log"));
  EXPECT_EQ(Lines(log, "start: ").size(), 1u) << log;
  // Without the rights, a set that lets the user choose proposes the user.
  char local[MAX_PATH] = "";
  SHGetFolderPathA(nullptr, CSIDL_LOCAL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, local);
  const std::string folder = std::string(local) + "\\Programs\\ElStays";
  EXPECT_EQ(RegistryText(HKEY_CURRENT_USER, std::string(kUninstallRoot) + "ElStays", "InstallLocation"), folder);
  EXPECT_EQ(RunToExit(set, "/S /U \"" + folder + "\""), 0u);
  EXPECT_EQ(RegistryText(HKEY_CURRENT_USER, std::string(kUninstallRoot) + "ElStays", "InstallLocation"), "<absent>");
  EXPECT_FALSE(testsupport::FileExists(folder + "\\app.txt"));
}

// The scope of a one-file program is in the Setup.dat it carries: the
// example, for every user, hands itself over as a set folder does.
TEST(Elevation, AOneFileProgramWithoutRightsHandsOverByTheSetItCarries) {
  testsupport::TempFolder download;
  const std::string program = download.Join("ExampleSetup.exe");
  ASSERT_TRUE(CopyFileA(uiauto::PathBesideThisExecutable("ExampleSetup.exe").c_str(), program.c_str(), FALSE));
  testsupport::TempFolder logs;
  const std::string arguments = "/S /LOG=" + logs.Join("run.log");
  EXPECT_EQ(RunWithoutRights(uiauto::QuoteArg(program) + " " + arguments, download.path()), 0u);
  const std::string log = testsupport::ReadFile(logs.Join("run.log"));
  EXPECT_EQ(Lines(log, "command line: "), (std::vector<std::string>{arguments, "/ELEVATED " + arguments})) << log;
  EXPECT_EQ(Occurrences(log, "administrator rights needed"), 1u) << log;
  const std::string folder = ProgramFiles() + "\\Example Editor";
  EXPECT_EQ(RegistryText(HKEY_LOCAL_MACHINE, std::string(kUninstallRoot) + "ExampleEditor", "InstallLocation"),
            folder);
  InstallationSet set;
  CopyExampleSet(set);
  EXPECT_EQ(RunToExit(set, "/S /U \"" + folder + "\""), 0u);
}

}  // namespace
}  // namespace e2e
