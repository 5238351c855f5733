// Start-up of the real Setup.exe: the command line, the Windows version
// check, the missing information file and the load of the Setup section.
#include <gtest/gtest.h>

#include "e2e/setup_run.h"

namespace e2e {
namespace {

using uiauto::MessageBoxIcon;

const char kMissingSetupDat[] = "The Installation Information file, Setup.dat, is missing.";
const DWORD kRunTimeoutMs = 30000;

uiauto::MessageBoxLog RunToEnd(const uiauto::Process& process) {
  return uiauto::CollectMessageBoxes(process, kRunTimeoutMs);
}

std::vector<std::string> Texts(const uiauto::MessageBoxLog& log) {
  std::vector<std::string> texts;
  for (const auto& answered : log.boxes) texts.push_back(answered.box.text);
  return texts;
}

// Runs Setup.exe to its end, which must come with exit code 0 after
// exactly one message box; that box.
std::optional<uiauto::MessageBoxInfo> TheOneBoxOfARun(const InstallationSet& set) {
  auto process = set.Start();
  if (!process) return std::nullopt;
  const auto log = RunToEnd(*process);
  EXPECT_TRUE(log.exited) << log.ToString();
  EXPECT_EQ(log.exitCode, 0u);
  if (log.boxes.size() != 1) {
    ADD_FAILURE() << "expected exactly one message box: " << log.ToString();
    return std::nullopt;
  }
  return log.boxes[0].box;
}

TEST(Startup, WithoutSetupDatOneReportThenTheEnd) {
  InstallationSet set;
  const auto box = TheOneBoxOfARun(set);
  ASSERT_TRUE(box);
  EXPECT_EQ(box->caption, "Setup");
  EXPECT_EQ(box->text, Report(kMissingSetupDat));
}

TEST(Startup, TheTitleNamesTheMaximisedMainWindow) {
  InstallationSet set;
  // The list error keeps the run at its reports while the window is looked at.
  set.Write("Setup.dat", "[Setup]\r\nTitle=Demo\r\nFiles=Missing\r\n");
  auto process = set.Start();
  ASSERT_TRUE(process);
  auto first = uiauto::WaitForMessageBox(*process, kRunTimeoutMs);
  ASSERT_TRUE(first) << uiauto::Describe(*process);
  auto window = WaitForMainWindow(*process);
  ASSERT_TRUE(window);
  EXPECT_EQ(uiauto::WindowText(*window), "Demo");
  EXPECT_EQ(uiauto::GetShowState(*window), uiauto::ShowState::Maximized);
  EXPECT_EQ(first->text, Report("There is an error in the installation list.\n[Missing] the section is missing or empty"));
  uiauto::Answer(*first, IDOK);
  const auto log = RunToEnd(*process);
  ASSERT_TRUE(log.exited);
  EXPECT_EQ(log.exitCode, 0u);
  EXPECT_EQ(Texts(log), std::vector<std::string>{Report("Component information is missing.")});
}

TEST(Startup, RefusesWindowsOlderThan95AndNT4) {
  InstallationSet set;
  EmulatedWindowsVersion version("nt351");
  const auto box = TheOneBoxOfARun(set);
  ASSERT_TRUE(box);
  EXPECT_EQ(box->text, "This program requires Windows 95 or Windows NT 4.");
  EXPECT_EQ(box->caption, "Setup");
  EXPECT_TRUE(box->hasIcon);
  EXPECT_EQ(box->icon, MessageBoxIcon::Stop) << uiauto::ToString(box->icon);
}

TEST(Startup, RunsOnWindows95NT4AndCurrentVersions) {
  for (const char* name : {"win95", "nt40", "winxp", "win10"}) {
    InstallationSet set;
    EmulatedWindowsVersion version(name);
    auto process = set.Start();
    ASSERT_TRUE(process);
    const auto log = RunToEnd(*process);
    ASSERT_TRUE(log.exited) << name;
    // Getting as far as the missing information file means it started.
    EXPECT_EQ(Texts(log), std::vector<std::string>{Report(kMissingSetupDat)}) << name;
  }
}

// An uninstall run reads the Setup.dat of the folder it is given and asks
// before removing; an installation run reads the one of its set.
class CommandLine : public testing::Test {
protected:
  void SetUp() override {
    set_.Write("Setup.dat", "[Setup]\r\nTitle=Beside the program\r\nFiles=Missing\r\n");
    CreateDirectoryA(installed_.c_str(), nullptr);
    testsupport::WriteFile(installed_ + "\\Setup.dat", "[Setup]\r\nTitle=Installed copy\r\nFiles=Missing\r\n");
  }
  void TearDown() override { testsupport::RemoveTree(installed_); }

  // What the run read, told by its window title, and what it said.
  struct Outcome {
    std::string title;
    std::vector<std::string> texts;
  };
  Outcome Run(const std::string& arguments) {
    Outcome outcome;
    auto process = set_.Start(arguments);
    if (!process) return outcome;
    auto log = uiauto::CollectMessageBoxes(*process, kRunTimeoutMs, [&](const uiauto::MessageBoxInfo&) {
      if (outcome.title.empty()) {
        if (auto window = WaitForMainWindow(*process, 1000)) outcome.title = uiauto::WindowText(*window);
      }
      return IDOK;
    });
    EXPECT_TRUE(log.exited) << arguments;
    EXPECT_EQ(log.exitCode, 0u) << arguments;
    outcome.texts = Texts(log);
    return outcome;
  }

  InstallationSet set_;
  std::string installed_ = set_.Join("Installed App");
};

const std::vector<std::string> kListError = {Report("There is an error in the installation list.\n[Missing] the section is missing or empty"),
                                             Report("Component information is missing.")};

TEST_F(CommandLine, UninstallSwitchReadsTheInstalledCopy) {
  for (const std::string& arguments : {"/U " + installed_, "/u " + installed_, "/U" + installed_,
                                       "/U \"" + installed_ + "\"", "/U " + installed_ + "\\"}) {
    Outcome outcome = Run(arguments);
    EXPECT_EQ(outcome.title, "Installed copy") << arguments;
    ASSERT_FALSE(outcome.texts.empty()) << arguments;
  }
}

TEST_F(CommandLine, UninstallSwitchAloneReadsTheSetDatBesideTheProgram) {
  Outcome outcome = Run("/U");
  EXPECT_EQ(outcome.title, "Beside the program");
  EXPECT_EQ(outcome.texts, kListError);
}

TEST_F(CommandLine, ADashIsNoSwitchButAFolder) {
  Outcome outcome = Run("-U " + installed_);
  EXPECT_EQ(outcome.texts, std::vector<std::string>{Report(kMissingSetupDat)});
}

TEST_F(CommandLine, AFolderArgumentReplacesTheProgramsFolder) {
  Outcome outcome = Run(installed_);
  EXPECT_EQ(outcome.title, "Installed copy");
  Outcome quoted = Run("\"" + installed_ + "\"");
  EXPECT_EQ(quoted.title, "Installed copy");
}

TEST_F(CommandLine, AnOverlongFolderIsRefusedAsMissingSetupDat) {
  Outcome outcome = Run("/U C:\\" + std::string(300, 'x'));
  EXPECT_EQ(outcome.texts, std::vector<std::string>{Report(kMissingSetupDat)});
}

}  // namespace
}  // namespace e2e
