// Unattended runs: "/S" installs and removes without a single window,
// takes its folder from "/D=", answers file questions so that nothing is
// lost, tells its end in the exit code and, with "/LOG=", in a log.
#include <gtest/gtest.h>

#include <cstring>
#include <optional>

#include "e2e/prefix_snapshot.h"
#include "e2e/setup_run.h"
#include "support/pending_renames.h"

namespace e2e {
namespace {

const DWORD kRunTimeoutMs = 120000;

struct SilentRun {
  DWORD exitCode = 0xFFFFFFFF;
  int visibleWindows = 0;  // top-level windows of Setup.exe ever seen visible
};

// Runs Setup.exe to its end, looking at its windows all the while.
SilentRun RunSilently(const InstallationSet& set, const std::string& arguments) {
  SilentRun run;
  auto process = set.Start(arguments);
  if (!process) return run;
  const DWORD started = GetTickCount();
  while (process->IsRunning() && GetTickCount() - started < kRunTimeoutMs) {
    run.visibleWindows += static_cast<int>(uiauto::TopLevelWindows(process->Id(), false).size());
    Sleep(5);
  }
  EXPECT_TRUE(process->WaitForExit(1000)) << uiauto::Describe(*process);
  run.exitCode = process->ExitCode().value_or(0xFFFFFFFF);
  return run;
}

TEST(Silent, InstallsAndRemovesTheExampleProductWithoutAWindow) {
  InstallationSet set;
  CopyExampleSet(set);
  testsupport::TempFolder logs;
  const std::string folder = ProgramFiles() + "\\Silent Example Editor";
  const PrefixSnapshot before = PrefixSnapshot::Take();

  const SilentRun install =
      RunSilently(set, "/S /LOG=" + logs.Join("install.log") + " /D=\"" + folder + "\"");
  EXPECT_EQ(install.exitCode, 0u);
  EXPECT_EQ(install.visibleWindows, 0);
  for (const char* file : {"Editor.exe", "README.TXT", "LICENSE.TXT", "Setup.exe", "Setup.dat"})
    EXPECT_TRUE(testsupport::FileExists(folder + "\\" + file)) << file;
  char recorded[MAX_PATH] = {};
  GetPrivateProfileStringA("Uninstall", "InstallFolder", "", recorded, MAX_PATH, (folder + "\\Setup.dat").c_str());
  EXPECT_EQ(std::string(recorded), folder);
  // The set is setupkit pack's: the program travels compressed and arrives
  // as a program of the size its header records.
  const std::string packed = testsupport::ReadFile(set.Join("EDITOR.EXE"));
  ASSERT_GE(packed.size(), 14u);
  EXPECT_EQ(packed.substr(0, 4), "SZDD");
  const std::string program = testsupport::ReadFile(folder + "\\Editor.exe");
  EXPECT_EQ(program.substr(0, 2), "MZ");
  std::size_t size = 0;
  for (int at = 13; at >= 10; --at) size = size * 256 + static_cast<unsigned char>(packed[at]);
  EXPECT_EQ(program.size(), size);

  // The log names every file it installed and ends with the exit code.
  const std::string log = testsupport::ReadFile(logs.Join("install.log"));
  for (const char* file : {"EDITOR.EXE -> ", "EXSHARED.DLL -> ", "README.TXT -> ", "LICENSE.TXT -> ", "Setup.exe -> ",
                           "Setup.dat -> "})
    EXPECT_NE(log.find(std::string("file created: ") + file), std::string::npos) << file << "\n" << log;
  EXPECT_NE(log.find("command line: /S /LOG="), std::string::npos) << log;
  EXPECT_NE(log.find("link: "), std::string::npos) << log;
  EXPECT_NE(log.find("registry: value written: HKEY_LOCAL_MACHINE\\Software\\Example\\Editor [Path] = " + folder),
            std::string::npos)
      << log;
  EXPECT_EQ(log.substr(log.size() - std::string("end: exit code 0\r\n").size()), "end: exit code 0\r\n") << log;

  // The quiet uninstall asks nothing and leaves the machine as it was, but
  // for the shared library's count at 0 (already there at 0 when another
  // scenario of the prefix installed the example before).
  const SilentRun uninstall = RunSilently(set, "/s /U \"" + folder + "\"");
  EXPECT_EQ(uninstall.exitCode, 0u);
  EXPECT_EQ(uninstall.visibleWindows, 0);
  EXPECT_EQ(SharedCount(SystemFolder() + "\\EXSHARED.DLL"), 0);
  const std::string differences = before.DifferencesTo(PrefixSnapshot::Take());
  std::size_t lineStart = 0;
  for (std::size_t end = differences.find('\n'); end != std::string::npos; end = differences.find('\n', lineStart)) {
    EXPECT_NE(differences.substr(lineStart, end - lineStart).find("\\shareddlls]"), std::string::npos) << differences;
    lineStart = end + 1;
  }
}

class SilentAnswers : public testing::Test {
protected:
  void WriteSet(const std::string& files) {
    set_.Write("Setup.dat", "[Setup]\r\nTitle=Silent\r\nDefaultFolder=" + target_.path() +
                                "\r\nCheck=SilentCheckWindow\r\nFiles=Files\r\n[Files]\r\n" + files);
  }
  SilentRun Run() { return RunSilently(set_, "/S"); }

  InstallationSet set_;
  testsupport::TempFolder target_;
};

TEST_F(SilentAnswers, NothingIsLostWhateverTheFilesAre) {
  // A newer file already there is kept.
  set_.Copy("ver_1_9.dll", "lib.dll");
  const std::string older = testsupport::ReadFile(set_.Join("lib.dll"));
  const std::string newer = testsupport::ReadFile(uiauto::PathBesideThisExecutable("ver_2_0.dll"));
  testsupport::WriteFile(target_.Join("lib.dll"), newer);
  WriteSet("lib.dll=%0\\lib.dll," + std::to_string(older.size()) + "\r\n");
  SilentRun run = Run();
  EXPECT_EQ(run.exitCode, 0u);
  EXPECT_EQ(testsupport::ReadFile(target_.Join("lib.dll")), newer);

  // A file in use is replaced at the restart, which the exit code asks for.
  set_.Write("busy.txt", "new busy");
  testsupport::WriteFile(target_.Join("busy.txt"), "old busy");
  WriteSet("busy.txt=%0\\busy.txt,8\r\n");
  HANDLE busy = CreateFileA(target_.Join("busy.txt").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(busy, INVALID_HANDLE_VALUE);
  run = Run();
  CloseHandle(busy);
  EXPECT_EQ(run.exitCode, 3010u);
  EXPECT_EQ(testsupport::ReadFile(target_.Join("busy.txt")), "old busy");
  // Earlier scenarios of the prefix may have left many entries of their own.
  const std::wstring pending = testsupport::ReadPendingRenames();
  const std::string busyPath = target_.Join("busy.txt");
  EXPECT_NE(pending.find(std::wstring(busyPath.begin(), busyPath.end())), std::wstring::npos);

  // A source missing from the set ends in the rollback.
  set_.Write("first.txt", "first");
  WriteSet("first.txt=%0\\new\\first.txt,5\r\nmissing.txt=%0\\new\\missing.txt,5\r\n");
  run = Run();
  EXPECT_EQ(run.exitCode, 1603u);
  EXPECT_FALSE(testsupport::FileExists(target_.Join("new")));
  EXPECT_EQ(run.visibleWindows, 0);
}

// Unattended, a file in use whose replacement at the restart the system
// refuses is a failure like any other: the run rolls back and ends with
// 1603, and nothing waits for a restart. On Windows NT the user may not
// write the list of pending operations; on Windows 95 something that is no
// file holds WININIT.INI's name.
class SilentRefusedRestart : public SilentAnswers, public testing::WithParamInterface<const char*> {};

TEST_P(SilentRefusedRestart, RollsBackAndFails) {
  const bool windows95 = std::string(GetParam()) == "win95";
  EmulatedWindowsVersion version(GetParam());
  set_.Write("first.txt", "first");
  set_.Write("busy.txt", "new busy");
  testsupport::WriteFile(target_.Join("busy.txt"), "old busy");
  WriteSet("first.txt=%0\\new\\first.txt,5\r\nbusy.txt=%0\\busy.txt,8\r\n");
  char windows[MAX_PATH] = "";
  GetWindowsDirectoryA(windows, MAX_PATH);
  const std::string wininit = std::string(windows) + "\\WININIT.INI";
  // What earlier runs left for the restart; it comes back afterwards.
  const std::string wininitBefore = testsupport::ReadFile(wininit);
  const PrefixSnapshot before = PrefixSnapshot::Take();
  const std::wstring pendingBefore = testsupport::ReadPendingRenames();

  SilentRun run;
  {
    std::optional<testsupport::PendingRenamesRefused> refused;
    if (windows95) {
      ASSERT_TRUE(DeleteFileA(wininit.c_str()) || GetLastError() == ERROR_FILE_NOT_FOUND);
      ASSERT_TRUE(CreateDirectoryA(wininit.c_str(), nullptr));
    } else {
      refused.emplace();
      ASSERT_TRUE(refused->refused());
    }
    HANDLE busy = CreateFileA(target_.Join("busy.txt").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(busy, INVALID_HANDLE_VALUE);
    run = Run();
    CloseHandle(busy);
    if (windows95) RemoveDirectoryA(wininit.c_str());
    if (!wininitBefore.empty()) testsupport::WriteFile(wininit, wininitBefore);
  }
  EXPECT_EQ(run.exitCode, 1603u);
  EXPECT_EQ(run.visibleWindows, 0);
  EXPECT_EQ(testsupport::ReadFile(target_.Join("busy.txt")), "old busy");
  EXPECT_FALSE(testsupport::FileExists(target_.Join("new")));
  WIN32_FIND_DATAA found;
  HANDLE staged = FindFirstFileA(target_.Join("QWI*").c_str(), &found);
  EXPECT_EQ(staged, INVALID_HANDLE_VALUE) << found.cFileName;
  if (staged != INVALID_HANDLE_VALUE) FindClose(staged);
  EXPECT_TRUE(testsupport::ReadPendingRenames() == pendingBefore);
  EXPECT_EQ(before.DifferencesTo(PrefixSnapshot::Take()), "");
}

INSTANTIATE_TEST_SUITE_P(Windows, SilentRefusedRestart, testing::Values("nt40", "win95"));

LRESULT CALLBACK Ignore(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return DefWindowProcA(window, message, wParam, lParam);
}

TEST_F(SilentAnswers, ARunningApplicationEndsTheRunBeforeAnythingIsInstalled) {
  WNDCLASSA windowClass = {};
  windowClass.lpfnWndProc = Ignore;
  windowClass.hInstance = GetModuleHandleA(nullptr);
  windowClass.lpszClassName = "SilentCheckWindow";
  RegisterClassA(&windowClass);
  HWND running = CreateWindowA("SilentCheckWindow", "", 0, 0, 0, 10, 10, nullptr, nullptr, windowClass.hInstance,
                               nullptr);
  ASSERT_TRUE(running);
  set_.Write("a.txt", "a");
  WriteSet("a.txt=%0\\a.txt,1\r\n");
  const SilentRun run = Run();
  DestroyWindow(running);
  EXPECT_EQ(run.exitCode, 1603u);
  EXPECT_FALSE(testsupport::FileExists(target_.Join("a.txt")));
  // Without "/LOG=" no log is written anywhere near the run.
  EXPECT_EQ(testsupport::ReadFile(set_.Join("Setup.dat")).empty(), false);
  WIN32_FIND_DATAA found;
  HANDLE logs = FindFirstFileA(set_.Join("*.log").c_str(), &found);
  EXPECT_EQ(logs, INVALID_HANDLE_VALUE);
  if (logs != INVALID_HANDLE_VALUE) FindClose(logs);
}

TEST(SilentCommandLine, UnknownSwitchesAndASecondRunAreRefused) {
  InstallationSet set;
  set.Write("Setup.dat", "[Setup]\r\nTitle=Waiting\r\n");
  // An unknown switch is named to the user and never guessed at.
  auto unknown = set.Start("/X /S");
  ASSERT_TRUE(unknown);
  const auto refused = uiauto::CollectMessageBoxes(*unknown, 30000);
  ASSERT_TRUE(refused.exited);
  EXPECT_EQ(refused.exitCode, 1639u);
  ASSERT_EQ(refused.boxes.size(), 1u) << refused.ToString();
  EXPECT_EQ(refused.boxes[0].box.text, "Unknown command-line switch: /X");

  // While one run waits in its wizard, a second one is refused.
  auto first = set.Start();
  ASSERT_TRUE(first);
  ASSERT_TRUE(uiauto::WaitForWindow(*first, uiauto::DialogFilter(), 30000)) << uiauto::Describe(*first);
  EXPECT_EQ(RunSilently(set, "/S").exitCode, 1618u);
  auto second = set.Start();
  ASSERT_TRUE(second);
  const auto secondLog = uiauto::CollectMessageBoxes(*second, 30000);
  EXPECT_EQ(secondLog.exitCode, 1618u);
  ASSERT_EQ(secondLog.boxes.size(), 1u) << secondLog.ToString();
  EXPECT_EQ(secondLog.boxes[0].box.text, "Setup is already running.");
  first->Kill();
}

// The exit code of Setup.exe started with a wide command line, as the
// shell starts a program with a name of any script; none when it hangs.
DWORD RunWide(const InstallationSet& set, const std::wstring& arguments) {
  std::wstring line = L"\"";
  for (char c : set.SetupExe()) line += static_cast<wchar_t>(static_cast<unsigned char>(c));
  line += L"\" " + arguments;
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION started = {};
  if (!CreateProcessW(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &started))
    return 0xFFFFFFFF;
  DWORD code = 0xFFFFFFFF;
  if (WaitForSingleObject(started.hProcess, 30000) == WAIT_OBJECT_0) GetExitCodeProcess(started.hProcess, &code);
  else TerminateProcess(started.hProcess, 1);
  CloseHandle(started.hThread);
  CloseHandle(started.hProcess);
  return code;
}

TEST(SilentCommandLine, ASecondRunKeepsOffTheFirstOnesLogAndAFolderTheCodePageLacksIsRefused) {
  InstallationSet set;
  testsupport::TempFolder target;
  set.Write("a.txt", "a");
  set.Write("Setup.dat", "[Setup]\r\nTitle=Logged\r\nDefaultFolder=" + target.path() +
                             "\r\nFiles=Files\r\n[Files]\r\na.txt=%0\\a.txt,1\r\n");
  testsupport::TempFolder logs;
  const std::string log = logs.Join("run.log");
  // Quoted whole, as a launcher quoting every argument passes them.
  auto first = set.Start("\"/LOG=" + log + "\"");
  ASSERT_TRUE(first);
  ASSERT_TRUE(uiauto::WaitForWindow(*first, uiauto::DialogFilter(), 30000)) << uiauto::Describe(*first);
  const std::string firstLog = testsupport::ReadFile(log);  // shared for reading while it runs
  EXPECT_NE(firstLog.find("start: Setup.exe"), std::string::npos) << firstLog;
  EXPECT_EQ(RunSilently(set, "/S /LOG=" + log).exitCode, 1618u);
  EXPECT_EQ(RunSilently(set, "/S \"/LOG=" + log + "\"").exitCode, 1618u);
  EXPECT_EQ(testsupport::ReadFile(log), firstLog);
  first->Kill();

  // "C:\...\Ωmega" would arrive as "Omega": refused, nothing installed.
  const std::wstring omega = L"\x3A9mega";
  std::wstring folder;
  for (char c : target.path()) folder += static_cast<wchar_t>(static_cast<unsigned char>(c));
  EXPECT_EQ(RunWide(set, L"/S /D=\"" + folder + L"\\" + omega + L"\""), 1639u);
  EXPECT_EQ(RunWide(set, L"/S /LOG=" + folder + L"\\" + omega + L".log"), 1639u);
  WIN32_FIND_DATAA found;
  HANDLE any = FindFirstFileA(target.Join("*").c_str(), &found);
  int entries = 0;
  if (any != INVALID_HANDLE_VALUE) {
    do entries += found.cFileName[0] == '.' ? 0 : 1;
    while (FindNextFileA(any, &found));
    FindClose(any);
  }
  EXPECT_EQ(entries, 0) << "something was made in " << target.path();
  // The same run with a folder the code page holds installs.
  EXPECT_EQ(RunWide(set, L"/S /D=\"" + folder + L"\\Plain\""), 0u);
  EXPECT_TRUE(testsupport::FileExists(target.Join("Plain\\a.txt")));
}

}  // namespace
}  // namespace e2e
