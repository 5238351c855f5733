// What stands before the wizard: the product's application must be closed,
// and the licence must be accepted.
#include <gtest/gtest.h>

#include "e2e/setup_run.h"
#include "e2e/wizard_driver.h"
#include "resources/resource_ids.h"

namespace e2e {
namespace {

using uiauto::MessageBoxIcon;

const DWORD kRunTimeoutMs = 30000;
const char kStillOpen[] = "Demo is still open. Please exit the application before continuing. Click OK to continue.";

// A top-level window of this test process with its own class and caption,
// standing in for the product's running application.
class RunningWindow {
public:
  RunningWindow(const char* className, const char* caption) {
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = className;
    RegisterClassA(&windowClass);
    window_ = CreateWindowExA(0, className, caption, WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr, nullptr,
                              GetModuleHandleA(nullptr), nullptr);
  }
  ~RunningWindow() { Close(); }
  void Close() {
    if (window_) DestroyWindow(window_);
    window_ = nullptr;
  }
  bool exists() const { return window_ != nullptr; }

private:
  HWND window_ = nullptr;
};

class Checks : public testing::Test {
protected:
  InstallationSet set_;

  void WriteSet(const std::string& extra) {
    set_.Write("Setup.dat", "[Setup]\r\nTitle=Demo Setup\r\nApp=Demo\r\nDefaultFolder=" + set_.Join("Target") +
                                "\r\nDefaultGroup=Demo\r\n" + extra);
  }

  static void ExpectStillOpen(const std::optional<uiauto::MessageBoxInfo>& box) {
    ASSERT_TRUE(box);
    EXPECT_EQ(box->text, kStillOpen);
    EXPECT_EQ(box->caption, "Setup");
    EXPECT_EQ(box->buttonIds, (std::vector<int>{IDOK, IDCANCEL}));
    EXPECT_EQ(box->icon, MessageBoxIcon::Question) << uiauto::ToString(box->icon);
  }

  // Ends a run that shows the wizard now by cancelling it.
  static void CancelTheWizard(const uiauto::Process& process) {
    WizardDriver wizard(process);
    ASSERT_TRUE(wizard.Appear(10000)) << wizard.Failure();
    ASSERT_TRUE(uiauto::ClickButton(wizard.sheet(), IDCANCEL));
    EXPECT_TRUE(process.WaitForExit(10000));
  }
};

TEST_F(Checks, TheApplicationMustBeClosedAndTheLicenceAccepted) {
  // Only the class counts: a window merely titled like it is not the one.
  RunningWindow decoy("DemoDecoyWindow", "DemoMainWindow");
  RunningWindow application("DemoMainWindow", "Demo");
  ASSERT_TRUE(application.exists() && decoy.exists());
  // The file's own line breaks show; a zero byte ends the text.
  set_.Write("LICENSE.TXT", std::string("Terms of use\r\nLine two\r\n\0Not shown", 35));
  WriteSet("Check=DemoMainWindow\r\nLicense=LICENSE.TXT\r\n");
  auto process = set_.Start();
  ASSERT_TRUE(process);

  // OK while the application stays open asks again.
  for (int round = 0; round < 2; ++round) {
    auto box = uiauto::WaitForMessageBox(*process, kRunTimeoutMs);
    ExpectStillOpen(box);
    ASSERT_TRUE(box && uiauto::Answer(*box, IDOK) && uiauto::WaitForWindowGone(box->hwnd)) << round;
  }
  auto again = uiauto::WaitForMessageBox(*process, kRunTimeoutMs);
  ExpectStillOpen(again);
  application.Close();
  ASSERT_TRUE(again && uiauto::Answer(*again, IDOK));

  auto licence = uiauto::WaitForDialog(*process, "License Agreement", kRunTimeoutMs);
  ASSERT_TRUE(licence) << uiauto::Describe(*process);
  EXPECT_EQ(uiauto::ControlText(*licence, IDC_LICENSE_TEXT).value_or(""), "Terms of use\r\nLine two\r\n");
  EXPECT_EQ(uiauto::ControlText(*licence, IDOK).value_or(""), "I agree");
  // The wizard only comes once the licence is accepted.
  EXPECT_FALSE(WizardDriver(*process).Appear(500));
  ASSERT_TRUE(uiauto::ClickButton(*licence, IDOK));
  CancelTheWizard(*process);
}

TEST_F(Checks, CancelWhileTheApplicationRunsEndsTheRunAtOnce) {
  RunningWindow application("DemoMainWindow", "Demo");
  set_.Write("LICENSE.TXT", "Terms");
  WriteSet("Check=DemoMainWindow\r\nLicense=LICENSE.TXT\r\n");
  auto process = set_.Start();
  ASSERT_TRUE(process);
  const auto log = uiauto::CollectMessageBoxes(*process, kRunTimeoutMs, IDCANCEL);
  ASSERT_TRUE(log.exited) << log.ToString();
  EXPECT_EQ(log.exitCode, 1602u);
  ASSERT_EQ(log.boxes.size(), 1u) << log.ToString();
  EXPECT_EQ(log.boxes[0].box.text, kStillOpen);
}

TEST_F(Checks, CancelWhileTheApplicationRunsEndsAnUninstallBeforeAnythingIsRemoved) {
  // The product is installed first, while the application is not running.
  set_.Write("demo.txt", "demo");
  WriteSelfSizedSetupDat(set_, "[Setup]\r\nTitle=Demo Setup\r\nApp=Demo\r\nCheck=DemoMainWindow\r\nFiles=Files\r\n"
                               "[Files]\r\ndemo.txt=%0\\demo.txt,4,0,Demo\r\nSetup.dat=%0\\Setup.dat,@SELF@,0,Setup\r\n");
  const std::string folder = ProgramFiles() + "\\Demo Checked";
  {
    auto install = set_.Start("/S /D=" + folder);
    ASSERT_TRUE(install && install->WaitForExit(kRunTimeoutMs));
    ASSERT_EQ(install->ExitCode().value_or(0), 0u);
  }
  uiauto::MessageBoxLog log;
  {
    RunningWindow application("DemoMainWindow", "Demo");
    auto process = set_.Start("/U " + uiauto::QuoteArg(folder));
    ASSERT_TRUE(process);
    log = uiauto::CollectMessageBoxes(*process, kRunTimeoutMs, [](const uiauto::MessageBoxInfo& box) {
      return box.HasButton(IDYES) ? IDYES : IDCANCEL;
    });
    EXPECT_EQ(testsupport::ReadFile(folder + "\\demo.txt"), "demo");
  }
  // Closed, it lets the product go.
  auto uninstall = set_.Start("/S /U " + uiauto::QuoteArg(folder));
  ASSERT_TRUE(uninstall && uninstall->WaitForExit(kRunTimeoutMs));
  EXPECT_EQ(uninstall->ExitCode().value_or(1), 0u);
  ASSERT_TRUE(log.exited) << log.ToString();
  ASSERT_EQ(log.boxes.size(), 2u) << log.ToString();
  EXPECT_EQ(log.boxes[0].box.text, "Are you sure you want to remove Demo from your computer?");
  EXPECT_EQ(log.boxes[1].box.text, kStillOpen);
}

TEST_F(Checks, DecliningTheLicenceEndsTheRunWithoutAWord) {
  set_.Write("LICENSE.TXT", "Terms");
  WriteSet("License=LICENSE.TXT\r\n");
  // Cancel, then Escape: either ends the run before the wizard.
  for (bool escape : {false, true}) {
    auto process = set_.Start();
    ASSERT_TRUE(process);
    auto licence = uiauto::WaitForDialog(*process, "License Agreement", kRunTimeoutMs);
    ASSERT_TRUE(licence) << uiauto::Describe(*process);
    if (escape) {
      HWND agree = uiauto::Control(*licence, IDOK);
      ASSERT_TRUE(PostMessageA(agree, WM_KEYDOWN, VK_ESCAPE, 1));
    } else {
      ASSERT_TRUE(uiauto::ClickButton(*licence, IDCANCEL));
    }
    const auto log = uiauto::CollectMessageBoxes(*process, kRunTimeoutMs);
    ASSERT_TRUE(log.exited) << escape << log.ToString();
    EXPECT_TRUE(log.boxes.empty()) << escape << log.ToString();
  }
}

TEST_F(Checks, AMissingOrEmptyLicenceIsAMissingFile) {
  set_.Write("EMPTY.TXT", "");
  for (const char* name : {"ABSENT.TXT", "EMPTY.TXT"}) {
    WriteSet(std::string("License=") + name + "\r\n");
    auto process = set_.Start();
    ASSERT_TRUE(process);
    const auto log = uiauto::CollectMessageBoxes(*process, kRunTimeoutMs);
    ASSERT_TRUE(log.exited) << name << log.ToString();
    ASSERT_EQ(log.boxes.size(), 1u) << name << log.ToString();
    EXPECT_EQ(log.boxes[0].box.text,
              Report("A necessary file is missing from the installation set. Installation will end."))
        << name;
  }
}

TEST_F(Checks, WithoutCheckOrLicenceTheWizardFollowsAtOnce) {
  RunningWindow application("DemoMainWindow", "Demo");
  WriteSet("");
  auto process = set_.Start();
  ASSERT_TRUE(process);
  CancelTheWizard(*process);
}

}  // namespace
}  // namespace e2e
