#pragma once
#include <windows.h>

#include <functional>
#include <optional>
#include <string>

#include "support/temp_folder.h"
#include "uiauto.h"

namespace e2e {

// An installation set in a fresh folder: a copy of the Setup.exe built
// beside the tests, and whatever files a scenario puts there.
class InstallationSet {
public:
  InstallationSet();
  const std::string& folder() const { return folder_.path(); }
  std::string Join(const std::string& name) const { return folder_.Join(name); }
  void Write(const std::string& name, const std::string& content) const;
  void Copy(const std::string& fromBesideTests, const std::string& name) const;
  std::string SetupExe() const { return Join("Setup.exe"); }

  // Starts Setup.exe with `arguments`, working folder the set's folder.
  std::optional<uiauto::Process> Start(const std::string& arguments = std::string()) const;

private:
  testsupport::TempFolder folder_;
};

// The user's shell folder `name` ("Programs", "Startup", "Desktop") and
// the Program Files folder, as Setup.exe reads them.
std::string ShellFolder(const char* name);
std::string ProgramFiles();

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
  explicit PreferNativeDlls(std::initializer_list<const char*> dlls);
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
