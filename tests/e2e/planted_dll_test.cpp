// An installer runs from folders anyone can write to: DLLs planted beside
// it must never be loaded, even where the loader would prefer them.
#include <gtest/gtest.h>

#include "e2e/setup_run.h"
#include "e2e/wizard_driver.h"

namespace e2e {
namespace {

// Every name a DLL of ours, or a DLL of the platform's on our behalf, is
// known to load by name: what the program loads itself, what the shell,
// COM and themed drawing load as they go (the loader trace of a whole run
// under Wine), and what they load on Windows.
const char* const kPlanted[] = {
    "shcore",   "shlwapi", "msimg32", "dwmapi",   "uxtheme",  "lz32",     "comctl32", "cryptbase",
    "cryptsp",  "propsys", "profapi", "userenv",  "wldp",     "sspicli",  "oleacc",   "clbcatq",
    "apphelp",  "netapi32", "winmm",  "shell32",  "ole32",    "oleaut32", "rpcrt4",   "combase",
    "comdlg32", "msctf",  "windowscodecs", "version"};  // version last: see kNativePreferred

// Wine's own user32 and gdi32 import version.dll, so under Wine a planted
// version.dll preferred over the builtin one is loaded while the process
// starts, before Setup.exe runs a line (Windows maps those two from its own
// list, which version.dll is not on). It is planted like the others, with
// the builtin preferred; that the program itself never imports it is
// checked on its import table, and it loads it from the system folder.
const std::size_t kNativePreferred = sizeof kPlanted / sizeof kPlanted[0] - 1;

class PlantedDlls : public testing::Test {
protected:
  PlantedDlls() : preferNative_(kPlanted, kPlanted + kNativePreferred) {}

  static void Plant(const std::string& folder) {
    for (const char* name : kPlanted)
      EXPECT_TRUE(CopyFileA(uiauto::PathBesideThisExecutable("planted.dll").c_str(),
                            (folder + "\\" + name + ".dll").c_str(), FALSE))
          << folder << " " << name;
  }
  // The names whose planted copy ran in `folder`.
  static std::string Loaded(const std::string& folder) {
    std::string loaded;
    for (const char* name : kPlanted)
      if (testsupport::FileExists(folder + "\\" + name + ".dll.loaded")) loaded += std::string(" ") + name;
    return loaded;
  }

  PreferNativeDlls preferNative_;
};

// Beside the set's Setup.exe, in a run with the wizard and in a silent
// one, and beside the installed Setup.exe when it removes the product.
TEST_F(PlantedDlls, AreNeverLoadedInAnyKindOfRun) {
  InstallationSet set;
  Plant(set.folder());
  set.Write("payload.txt", "payload");
  const std::string setupSize = std::to_string(testsupport::ReadFile(set.SetupExe()).size());
  WriteSelfSizedSetupDat(set, "[Setup]\r\nTitle=Planted\r\nDefaultFolder=" + set.Join("Installed") +
                                  "\r\nFiles=Files\r\n[Files]\r\npayload.txt=%0\\payload.txt,7,0,Payload\r\n"
                                  "Setup.exe=%0\\Setup.exe," + setupSize + ",0,Setup\r\n"
                                  "Setup.dat=%0\\Setup.dat,@SELF@,0,Information\r\n");
  {
    auto process = set.Start();
    ASSERT_TRUE(process);
    WizardDriver wizard(*process);
    ASSERT_TRUE(wizard.WalkWithDefaults()) << wizard.Failure();
    ASSERT_TRUE(AcceptCompletion(*process)) << wizard.Failure();
    const auto log = uiauto::CollectMessageBoxes(*process, 30000);
    ASSERT_TRUE(log.exited) << log.ToString() << uiauto::Describe(*process);
    // The run went through: the program itself loaded and did its work.
    EXPECT_EQ(log.exitCode, 0u);
    EXPECT_TRUE(log.boxes.empty()) << log.ToString();
    EXPECT_EQ(testsupport::ReadFile(set.Join("Installed\\payload.txt")), "payload");
    EXPECT_EQ(Loaded(set.folder()), "") << "planted beside the set's Setup.exe, with the wizard";
  }
  {
    auto process = set.Start("/S /D=" + set.Join("Quiet"));
    ASSERT_TRUE(process);
    ASSERT_TRUE(process->WaitForExit(60000));
    EXPECT_EQ(process->ExitCode().value_or(1), 0u);
    EXPECT_EQ(testsupport::ReadFile(set.Join("Quiet\\payload.txt")), "payload");
    EXPECT_EQ(Loaded(set.folder()), "") << "planted beside the set's Setup.exe, silent";
  }
  {
    const std::string installed = set.Join("Installed");
    Plant(installed);
    auto process = uiauto::Process::Start(
        uiauto::QuoteArg(installed + "\\Setup.exe") + " /U " + uiauto::QuoteArg(installed), installed);
    ASSERT_TRUE(process) << uiauto::LastError();
    const auto log = RunToEnd(*process, [](const uiauto::MessageBoxInfo& box) {
      if (box.HasButton(IDYES) && box.caption == "Uninstall") return IDYES;
      return box.HasButton(IDNO) ? IDNO : IDOK;
    });
    ASSERT_TRUE(log.exited) << log.ToString();
    EXPECT_FALSE(testsupport::FileExists(installed + "\\payload.txt")) << log.ToString();
    EXPECT_EQ(Loaded(installed), "") << "planted beside the installed Setup.exe, removing";
  }
}

// Without the LZ library every compressed file would fail; without the
// version library every file would look unversioned and newer files would
// be overwritten unasked. The run must not get as far as installing.
TEST(RequiredDlls, AMissingOneIsReportedBeforeAnything) {
  DisabledDlls disabled({"lz32"});
  InstallationSet set;
  set.Write("payload.txt", "payload");
  set.Write("Setup.dat",
            "[Setup]\r\nTitle=Missing\r\nDefaultFolder=" + set.Join("Installed") +
                "\r\nFiles=Files\r\n[Files]\r\npayload.txt=%0\\payload.txt,7,0,Payload\r\n");
  auto process = set.Start();
  ASSERT_TRUE(process);
  const auto log = uiauto::CollectMessageBoxes(*process, 30000);
  ASSERT_TRUE(log.exited) << log.ToString() << uiauto::Describe(*process);
  EXPECT_EQ(log.exitCode, 1603u);
  ASSERT_EQ(log.boxes.size(), 1u) << log.ToString();
  EXPECT_EQ(log.boxes[0].box.text, Report("General program failure."));
  EXPECT_FALSE(testsupport::FileExists(set.Join("Installed")));
}

TEST(PlantedDll, TheMarkerWorks) {
  // Loading the planted DLL on purpose leaves the marker the test above
  // looks for, so its absence there means something.
  InstallationSet set;
  set.Copy("planted.dll", "probe.dll");
  HMODULE module = LoadLibraryA(set.Join("probe.dll").c_str());
  ASSERT_NE(module, nullptr);
  FreeLibrary(module);
  EXPECT_TRUE(testsupport::FileExists(set.Join("probe.dll.loaded")));
}

}  // namespace
}  // namespace e2e
