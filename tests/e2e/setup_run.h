#pragma once
#include <windows.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "support/temp_folder.h"
#include "uiauto.h"

namespace e2e {

// An installation set in a fresh folder: a copy of the Setup.exe built
// beside the tests, and whatever files a scenario puts there.
//
// Whatever Setup.exe installs, the authoring kit must pass: each
// installation run started here that ends in success (exit code 0 or
// 3010) is followed by the Windows build of `setupkit check` on the set
// it read, which must exit with 0. A run is looked at once it has ended,
// before the set is changed or started again, and when the set goes.
class InstallationSet {
public:
  InstallationSet();
  ~InstallationSet();
  InstallationSet(const InstallationSet&) = delete;
  InstallationSet& operator=(const InstallationSet&) = delete;

  const std::string& folder() const { return folder_.path(); }
  std::string Join(const std::string& name) const { return folder_.Join(name); }
  void Write(const std::string& name, const std::string& content) const;
  void Copy(const std::string& fromBesideTests, const std::string& name) const;
  std::string SetupExe() const { return Join("Setup.exe"); }

  // Starts Setup.exe with `arguments`, working folder the set's folder.
  std::optional<uiauto::Process> Start(const std::string& arguments = std::string()) const;

private:
  // An installation run, followed through a handle of its own, and the
  // set folder it reads.
  struct Run {
    uiauto::UniqueHandle process;
    std::string set;
  };
  // Checks the sets of the runs that have ended in success and forgets
  // every run that has ended.
  void CheckEndedRuns() const;

  testsupport::TempFolder folder_;
  // Bookkeeping, not the set's content: kept by the const members that
  // write and start the set.
  mutable std::vector<Run> runs_;
};

// The user's shell folder `name` ("Programs", "Startup", "Desktop") and
// the Program Files folder, as Setup.exe reads them.
std::string ShellFolder(const char* name);
std::string ProgramFiles();
// The same three for every user of the machine, where a machine-wide
// installation puts its links.
std::string AllUsersFolder(const char* name);

struct KitRun {
  DWORD exitCode = 0xFFFFFFFF;
  std::string output;  // what it printed, standard output and error alike
};

// Runs `commandLine` without a window to its end (at most a few minutes):
// its exit code and what it printed.
KitRun RunCaptured(const std::string& commandLine);
// The same for the Windows build of the authoring kit, copied beside the
// tests, with `arguments`.
KitRun RunKit(const std::string& arguments);

// Copies the staged example product's set (built beside the tests) into
// `set`.
void CopyExampleSet(const InstallationSet& set);

// Drives a run to its end as a user who takes every proposal would (see
// ProposalTaker), and answers each message box with what `chooseAnswer`
// picks; the boxes in order.
uiauto::MessageBoxLog RunToEnd(const uiauto::Process& process,
                               const std::function<int(const uiauto::MessageBoxInfo&)>& chooseAnswer,
                               DWORD timeoutMs = 60000);

// Writes a Setup.dat whose file list names Setup.dat itself: `text` with
// "@SELF@" standing for the size of the file being written.
void WriteSelfSizedSetupDat(const InstallationSet& set, const std::string& text);

// The main window of a Setup.exe process, once it is there.
std::optional<HWND> WaitForMainWindow(const uiauto::Process& process, DWORD timeoutMs = 10000);

// A text value of the registry, or "<absent>".
std::string RegistryText(HKEY root, const std::string& key, const char* name);
// The shared count of `path`, or -100 when it has none.
long SharedCount(const std::string& path);
std::string SystemFolder();
// Runs Setup.exe with `arguments` to its end: its exit code, or 0xFFFFFFFF
// when it did not start or end in time.
DWORD RunToExit(const InstallationSet& set, const std::string& arguments, DWORD timeoutMs = 180000);

// How often `part` stands in `text` (a log's lines, say).
std::size_t Occurrences(const std::string& text, const std::string& part);

// The report text of a code's message, as the user sees it.
std::string Report(const std::string& message);

// Sets (or with an empty value removes) the Windows version Wine reports
// to programs named Setup.exe; restores what was there when it goes.
class EmulatedWindowsVersion {
public:
  explicit EmulatedWindowsVersion(const std::string& version);
  ~EmulatedWindowsVersion();
  EmulatedWindowsVersion(const EmulatedWindowsVersion&) = delete;
  EmulatedWindowsVersion& operator=(const EmulatedWindowsVersion&) = delete;
};

// Makes Wine prefer DLLs found beside Setup.exe over its own for `dlls`,
// as Windows does for DLLs that are not known system DLLs.
class PreferNativeDlls {
public:
  explicit PreferNativeDlls(std::initializer_list<const char*> dlls) : PreferNativeDlls(dlls.begin(), dlls.end()) {}
  PreferNativeDlls(const char* const* first, const char* const* last);
  ~PreferNativeDlls();
  PreferNativeDlls(const PreferNativeDlls&) = delete;
  PreferNativeDlls& operator=(const PreferNativeDlls&) = delete;
};

// Makes Wine refuse to load `dlls` for programs named Setup.exe, as if the
// system lacked them.
class DisabledDlls {
public:
  explicit DisabledDlls(std::initializer_list<const char*> dlls);
  ~DisabledDlls();
  DisabledDlls(const DisabledDlls&) = delete;
  DisabledDlls& operator=(const DisabledDlls&) = delete;
};

}  // namespace e2e
