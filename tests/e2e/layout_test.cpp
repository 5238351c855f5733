// Every window of an installation run at 96, 120 and 144 dpi, in Wine's own
// fonts: the licence, each wizard page and the completion dialog. A probe
// loaded into the running Setup.exe measures each window there, with the
// fonts and pictures its controls really have: every text fits its control,
// every control lies inside its window, every page inside its sheet and
// above the sheet's buttons, and the pictures are the ones drawn for the dpi.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <utility>

#include "e2e/setup_run.h"
#include "e2e/wizard_driver.h"
#include "resources/resource_ids.h"

namespace e2e {
namespace {

const DWORD kRunTimeoutMs = 120000;
const DWORD kProbeSize = 65536;

// The prefix's dpi for the programs started while it lives; the old value
// comes back when it goes.
class PrefixDpi {
 public:
  explicit PrefixDpi(DWORD dpi) {
    if (RegCreateKeyExA(HKEY_CURRENT_USER, "Control Panel\\Desktop", 0, nullptr, 0, KEY_READ | KEY_WRITE, nullptr,
                        &key_, nullptr) != ERROR_SUCCESS)
      return;
    DWORD size = sizeof old_;
    had_ = RegQueryValueExA(key_, "LogPixels", nullptr, nullptr, reinterpret_cast<BYTE*>(&old_), &size) == ERROR_SUCCESS;
    RegSetValueExA(key_, "LogPixels", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&dpi), sizeof dpi);
  }
  ~PrefixDpi() {
    if (!key_) return;
    if (had_)
      RegSetValueExA(key_, "LogPixels", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&old_), sizeof old_);
    else
      RegDeleteValueA(key_, "LogPixels");
    RegCloseKey(key_);
  }
  PrefixDpi(const PrefixDpi&) = delete;
  PrefixDpi& operator=(const PrefixDpi&) = delete;

 private:
  HKEY key_ = nullptr;
  DWORD old_ = 0;
  bool had_ = false;
};

// What the probe found in one window.
struct Findings {
  int texts = 0;
  int controls = 0;
  std::string faults;                             // the lines that are not ok
  std::map<int, std::pair<int, int>> pictures;    // control id: image size
};

Findings Parse(const std::string& report) {
  Findings found;
  std::istringstream lines(report);
  std::string line;
  while (std::getline(lines, line)) {
    std::istringstream fields(line);
    char kind = 0;
    int ok = 0;
    int id = 0;
    fields >> kind >> ok >> id;
    if (!ok) found.faults += line + "\n";
    if (kind == 'T') ++found.texts;
    if (kind == 'B') ++found.controls;
    if (kind == 'P') {
      std::string image;
      fields >> image;
      int width = 0, height = 0;
      if (std::sscanf(image.c_str(), "image=%dx%d", &width, &height) == 2) found.pictures[id] = {width, height};
    }
  }
  return found;
}

// Runs layout_probe.dll's LayoutProbe inside `process` on `window`.
class LayoutProbe {
 public:
  LayoutProbe()
      : mapping_(CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, kProbeSize, "SetupLayoutProbe")),
        path_(uiauto::PathBesideThisExecutable("layout_probe.dll")),
        module_(LoadLibraryA(path_.c_str())) {}
  ~LayoutProbe() {
    if (module_) FreeLibrary(module_);
  }
  LayoutProbe(const LayoutProbe&) = delete;
  LayoutProbe& operator=(const LayoutProbe&) = delete;

  // The report, or nullopt (with the reason in `failure`) when the probe
  // could not run.
  std::optional<std::string> Measure(const uiauto::Process& process, HWND window) {
    FARPROC probe = module_ ? GetProcAddress(module_, "LayoutProbe@4") : nullptr;
    if (!probe && module_) probe = GetProcAddress(module_, "LayoutProbe");
    if (!mapping_ || !probe) return Fail("no probe beside the tests");
    if (!remoteModule_ && !(remoteModule_ = LoadRemote(process))) return Fail("the probe did not load");
    const auto offset = reinterpret_cast<const BYTE*>(probe) - reinterpret_cast<const BYTE*>(module_);
    const auto entry = reinterpret_cast<LPTHREAD_START_ROUTINE>(remoteModule_ + offset);
    if (!RunRemote(process, entry, window)) return Fail("the probe did not run");
    const char* view = static_cast<const char*>(MapViewOfFile(mapping_.get(), FILE_MAP_READ, 0, 0, kProbeSize));
    if (!view) return Fail("no report");
    std::string report(view, strnlen(view, kProbeSize));
    UnmapViewOfFile(view);
    return report;
  }
  const std::string& failure() const { return failure_; }

 private:
  std::optional<std::string> Fail(const std::string& why) {
    failure_ = why;
    return std::nullopt;
  }

  static bool RunRemote(const uiauto::Process& process, LPTHREAD_START_ROUTINE entry, void* argument,
                        DWORD* result = nullptr) {
    uiauto::UniqueHandle thread(CreateRemoteThread(process.NativeHandle(), nullptr, 0, entry, argument, 0, nullptr));
    if (!thread || WaitForSingleObject(thread.get(), 20000) != WAIT_OBJECT_0) return false;
    DWORD code = 0;
    GetExitCodeThread(thread.get(), &code);
    if (result) *result = code;
    return result || code == 0;
  }

  // Loads the probe into the process; its base there (a 32-bit program's
  // module fits the thread's exit code), or 0.
  const BYTE* LoadRemote(const uiauto::Process& process) const {
    const SIZE_T size = path_.size() + 1;
    void* remotePath = VirtualAllocEx(process.NativeHandle(), nullptr, size, MEM_COMMIT, PAGE_READWRITE);
    if (!remotePath) return nullptr;
    DWORD base = 0;
    const auto loadLibrary = reinterpret_cast<LPTHREAD_START_ROUTINE>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "LoadLibraryA")));
    const bool loaded = WriteProcessMemory(process.NativeHandle(), remotePath, path_.c_str(), size, nullptr) &&
                        RunRemote(process, loadLibrary, remotePath, &base);
    VirtualFreeEx(process.NativeHandle(), remotePath, 0, MEM_RELEASE);
    return loaded ? reinterpret_cast<const BYTE*>(static_cast<UINT_PTR>(base)) : nullptr;
  }

  uiauto::UniqueHandle mapping_;
  std::string path_;
  HMODULE module_;
  const BYTE* remoteModule_ = nullptr;
  std::string failure_;
};

class Layout : public testing::TestWithParam<DWORD> {};

TEST_P(Layout, EveryWindowOfAnInstallFitsItsTextsAndPictures) {
  const DWORD dpi = GetParam();
  // The pictures are drawn at 100%, 150% and 200%; each window shows the
  // largest that its dpi does not outgrow, and the icon in its exact size.
  const int sidePictureWidth = dpi >= 144 ? 172 : 115;  // 115 x 240 at 100%
  const int iconSize = MulDiv(32, dpi, 96);

  PrefixDpi prefixDpi(dpi);
  InstallationSet set;
  CopyExampleSet(set);
  const std::string folder = set.Join("Example Editor");
  auto process = set.Start();
  ASSERT_TRUE(process);
  LayoutProbe probe;

  auto check = [&](HWND window, const char* name) -> Findings {
    const auto report = probe.Measure(*process, window);
    EXPECT_TRUE(report) << name << ": " << probe.failure();
    const Findings found = Parse(report.value_or(""));
    EXPECT_GT(found.texts, 0) << name << "\n" << report.value_or("");
    EXPECT_EQ(found.faults, "") << name << " at " << dpi << " dpi\n" << report.value_or("");
    return found;
  };

  auto licence = uiauto::WaitForDialog(*process, "License Agreement", 30000);
  ASSERT_TRUE(licence) << uiauto::Describe(*process);
  check(*licence, "licence");
  ASSERT_TRUE(uiauto::ClickButton(*licence, IDOK));

  WizardDriver wizard(*process);
  ASSERT_TRUE(wizard.Appear() && wizard.WaitFor(WizardPage::Welcome)) << wizard.Failure();
  const HWND sheet = wizard.sheet();
  auto checkPage = [&](WizardPage page) {
    const HWND marker = uiauto::Control(sheet, MarkerOf(page));
    ASSERT_TRUE(marker) << NameOf(page);
    const Findings found = check(GetParent(marker), NameOf(page));
    ASSERT_EQ(found.pictures.count(IDC_WIZARD_PICTURE), 1u) << NameOf(page);
    EXPECT_EQ(found.pictures.at(IDC_WIZARD_PICTURE).first, sidePictureWidth) << NameOf(page);
  };
  checkPage(WizardPage::Welcome);
  ASSERT_TRUE(wizard.Next(WizardPage::Folder));
  ASSERT_TRUE(uiauto::SetEditText(sheet, IDC_FOLDER_EDIT, folder));
  checkPage(WizardPage::Folder);
  ASSERT_TRUE(wizard.Next(WizardPage::Shortcuts));
  checkPage(WizardPage::Shortcuts);
  ASSERT_TRUE(wizard.Next(WizardPage::Group));
  checkPage(WizardPage::Group);
  ASSERT_TRUE(wizard.Next(WizardPage::Ready));
  checkPage(WizardPage::Ready);
  ASSERT_TRUE(wizard.Install()) << wizard.Failure();

  auto completion = WaitForCompletion(*process, 60000);
  ASSERT_TRUE(completion) << uiauto::Describe(*process);
  const Findings done = check(*completion, "completion");
  ASSERT_EQ(done.pictures.count(IDC_COMPLETION_ICON), 1u);
  EXPECT_EQ(done.pictures.at(IDC_COMPLETION_ICON), std::make_pair(iconSize, iconSize));
  ASSERT_TRUE(uiauto::SetChecked(*completion, IDC_LAUNCH_APP, false));
  ASSERT_TRUE(uiauto::SetChecked(*completion, IDC_VIEW_NOTES, false));
  ASSERT_TRUE(uiauto::ClickButton(*completion, IDOK));
  const auto installLog = uiauto::CollectMessageBoxes(*process, kRunTimeoutMs);
  ASSERT_TRUE(installLog.exited) << installLog.ToString();

  // Leave the prefix as it was for the scenarios that follow.
  auto removal = uiauto::Process::Start(uiauto::QuoteArg(folder + "\\Setup.exe") + " /U " + uiauto::QuoteArg(folder),
                                        folder);
  ASSERT_TRUE(removal) << uiauto::LastError();
  const auto log = uiauto::CollectMessageBoxes(*removal, kRunTimeoutMs, [](const uiauto::MessageBoxInfo& box) {
    if (box.HasButton(IDYES) && box.text.find("restart") != std::string::npos) return IDNO;
    return box.HasButton(IDYES) ? IDYES : IDOK;
  });
  EXPECT_TRUE(log.exited) << log.ToString();
}

INSTANTIATE_TEST_SUITE_P(AtEachDpi, Layout, testing::Values(96u, 120u, 144u));

}  // namespace
}  // namespace e2e
