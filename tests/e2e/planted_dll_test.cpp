// An installer runs from folders anyone can write to: DLLs planted beside
// it must never be loaded, even where the loader would prefer them.
#include <gtest/gtest.h>

#include "e2e/setup_run.h"
#include "e2e/wizard_driver.h"

namespace e2e {
namespace {

// Wine's own gdi32 imports version.dll, so under Wine a planted version.dll
// preferred over the builtin one is loaded before Setup.exe runs a line;
// that the program itself never names it is checked on its import table.
TEST(PlantedDlls, AreNeverLoaded) {
  const char* names[] = {"lz32.dll", "comctl32.dll", "uxtheme.dll"};
  PreferNativeDlls preferNative({"lz32", "comctl32", "uxtheme"});
  InstallationSet set;
  for (const char* name : names) set.Copy("planted.dll", name);
  set.Write("payload.txt", "payload");
  set.Write("Setup.dat",
            "[Setup]\r\nTitle=Planted\r\nDefaultFolder=" + set.Join("Installed") +
                "\r\nFiles=Files\r\n[Files]\r\npayload.txt=%0\\payload.txt,7,0,Payload\r\n");
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
  for (const char* name : names)
    EXPECT_FALSE(testsupport::FileExists(set.Join(std::string(name) + ".loaded"))) << name << " was loaded";
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

TEST(PlantedDlls, TheMarkerWorks) {
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
