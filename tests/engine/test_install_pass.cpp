#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "engine/install_pass.h"
#include "resources/resource_ids.h"
#include "platform/globals.h"
#include "session/setup_session.h"
#include "support/message_box_answerer.h"
#include "support/temp_folder.h"

namespace {

// An item that writes what is done to it into a shared log.
class RecordingItem : public InstallItem {
public:
  RecordingItem(SetupSession& session, WORD itemKind, std::string itemName, std::vector<std::string>& log)
      : InstallItem(itemKind, &session, session.variables.get()), name(std::move(itemName)), log_(log) {}

  BOOL Install(WORD locations) override {
    log_.push_back("install " + name + " " + std::to_string(locations));
    if (throwOnInstall) throw SetupError(throwOnInstall);
    return installResult;
  }
  BOOL Remove(WORD locations) override {
    log_.push_back("remove " + name + " " + std::to_string(locations));
    return removeResult;
  }
  void Expand() override {
    log_.push_back("expand " + name);
    if (throwOnExpand) throw SetupError(SETUP_ERR_EXPAND);
  }

  std::string name;
  BOOL installResult = TRUE;
  BOOL removeResult = TRUE;
  bool throwOnExpand = false;
  SetupError throwOnInstall = 0;

private:
  std::vector<std::string>& log_;
};

std::string FirstLine(const std::string& text) { return text.substr(0, text.find('\n')); }

std::string ProfileValue(const std::string& file, const char* key) {
  char value[300] = {};
  GetPrivateProfileStringA("Uninstall", key, "<absent>", value, sizeof value, file.c_str());
  return value;
}

// A session with three empty lists, reading the Setup.dat of a fresh
// installation set and installing into a fresh folder (variable 0).
class InstallPassTest : public testing::Test {
protected:
  InstallPassTest() : session(g_instance, nullptr, set.path().c_str()) {
    for (WORD kind = ITEM_KIND_FILE; kind <= ITEM_KIND_SHORTCUT; ++kind)
      session.lists[kind - 1].reset(new ItemList(kind));
    session.setupDatPath.reset(new char[kPathSize]());
    std::strcpy(session.setupDatPath.get(), set.Join("Setup.dat").c_str());
    session.variables->Set('0', target.path().c_str());
    session.variables->Set('H', "Example Group");
  }

  RecordingItem* Add(WORD kind, const std::string& name) {
    auto* item = new RecordingItem(session, kind, name, log);
    EXPECT_TRUE(session.list(kind)->Append(item));
    return item;
  }

  std::string InstalledSetupDat() const { return target.Join("Setup.dat"); }

  testsupport::TempFolder set;
  testsupport::TempFolder target;
  SetupSession session;
  std::vector<std::string> log;
};

TEST_F(InstallPassTest, ListPassesWalkInOrderAndStopAtTheFirstFailure) {
  Add(ITEM_KIND_FILE, "a");
  Add(ITEM_KIND_FILE, "b")->installResult = FALSE;
  Add(ITEM_KIND_FILE, "c");
  EXPECT_EQ(InstallList(session, ITEM_KIND_FILE, 3), 0);
  EXPECT_EQ(log, (std::vector<std::string>{"install a 3", "install b 3"}));

  log.clear();
  EXPECT_EQ(RemoveList(session, ITEM_KIND_FILE, 4), 1);
  EXPECT_EQ(log, (std::vector<std::string>{"remove c 4", "remove b 4", "remove a 4"}));

  log.clear();
  Add(ITEM_KIND_REGISTRY, "r1");
  Add(ITEM_KIND_REGISTRY, "r2")->removeResult = FALSE;
  Add(ITEM_KIND_REGISTRY, "r3");
  EXPECT_EQ(RemoveList(session, ITEM_KIND_REGISTRY, 0), 0);
  EXPECT_EQ(log, (std::vector<std::string>{"remove r3 0", "remove r2 0"}));
}

TEST_F(InstallPassTest, EmptyListsSucceedAndAbsentListsFail) {
  EXPECT_EQ(InstallList(session, ITEM_KIND_SHORTCUT, 0), 1);
  EXPECT_EQ(RemoveList(session, ITEM_KIND_SHORTCUT, 0), 1);
  session.lists[ITEM_KIND_SHORTCUT - 1].reset();
  EXPECT_EQ(InstallList(session, ITEM_KIND_SHORTCUT, 0), 0);
  EXPECT_EQ(RemoveList(session, ITEM_KIND_SHORTCUT, 0), 0);
  EXPECT_TRUE(log.empty());
}

TEST_F(InstallPassTest, ExpandingGoesFilesRegistryShortcutsAndStopsAtTheFirstError) {
  Add(ITEM_KIND_SHORTCUT, "s");
  Add(ITEM_KIND_REGISTRY, "r");
  Add(ITEM_KIND_FILE, "f");
  EXPECT_EQ(ExpandItems(session), 1);
  EXPECT_EQ(log, (std::vector<std::string>{"expand f", "expand r", "expand s"}));

  log.clear();
  Add(ITEM_KIND_REGISTRY, "bad")->throwOnExpand = true;
  testsupport::MessageBoxAnswerer answerer;
  EXPECT_EQ(ExpandItems(session), 0);
  EXPECT_EQ(log, (std::vector<std::string>{"expand f", "expand r", "expand bad"}));
  ASSERT_EQ(answerer.Texts().size(), 1u);
  EXPECT_EQ(FirstLine(answerer.Texts()[0]), "Failed to expand installation variable.");
}

TEST_F(InstallPassTest, SuccessRunsFilesRegistryShortcutsAndRecordsTheUninstallInformation) {
  Add(ITEM_KIND_SHORTCUT, "s");
  Add(ITEM_KIND_REGISTRY, "r");
  Add(ITEM_KIND_FILE, "f");
  session.linkGroup = 1;
  session.linkDesktop = 1;
  EXPECT_EQ(RunInstall(session, nullptr), 1);
  EXPECT_EQ(log, (std::vector<std::string>{"install f 0", "install r 0", "install s 5"}));
  EXPECT_EQ(std::string(session.setupDatPath.get()), InstalledSetupDat());
  EXPECT_EQ(ProfileValue(InstalledSetupDat(), "InstallFolder"), target.path());
  EXPECT_EQ(ProfileValue(InstalledSetupDat(), "InstallGroup"), "Example Group");
  EXPECT_EQ(ProfileValue(InstalledSetupDat(), "InstallLinks"), "5");
}

TEST_F(InstallPassTest, InstallLinksHoldsTheUsersChoices) {
  session.linkGroup = session.linkStartup = session.linkDesktop = 1;
  EXPECT_EQ(RunInstall(session, nullptr), 1);
  EXPECT_EQ(ProfileValue(InstalledSetupDat(), "InstallLinks"), "7");
  // A second installation into the same folder replaces the values.
  session.linkGroup = session.linkStartup = session.linkDesktop = 0;
  session.variables->Set('H', "Other Group");
  EXPECT_EQ(RunInstall(session, nullptr), 1);
  EXPECT_EQ(ProfileValue(InstalledSetupDat(), "InstallLinks"), "0");
  EXPECT_EQ(ProfileValue(InstalledSetupDat(), "InstallGroup"), "Other Group");
}

TEST_F(InstallPassTest, AFailingItemStopsTheRunAndNothingIsRecorded) {
  Add(ITEM_KIND_FILE, "f1");
  Add(ITEM_KIND_FILE, "f2")->installResult = FALSE;
  Add(ITEM_KIND_FILE, "f3");
  Add(ITEM_KIND_REGISTRY, "r");
  Add(ITEM_KIND_SHORTCUT, "s");
  EXPECT_EQ(RunInstall(session, nullptr), 0);
  EXPECT_EQ(log, (std::vector<std::string>{"install f1 0", "install f2 0"}));
  EXPECT_EQ(std::string(session.setupDatPath.get()), set.Join("Setup.dat"));
  EXPECT_FALSE(testsupport::FileExists(InstalledSetupDat()));
}

TEST_F(InstallPassTest, AnErrorThrownByAnItemIsReportedAndFailsTheRun) {
  Add(ITEM_KIND_FILE, "f");
  Add(ITEM_KIND_REGISTRY, "r")->throwOnInstall = SETUP_ERR_REG_SET;
  Add(ITEM_KIND_SHORTCUT, "s");
  testsupport::MessageBoxAnswerer answerer;
  EXPECT_EQ(RunInstall(session, nullptr), 0);
  EXPECT_EQ(log, (std::vector<std::string>{"install f 0", "install r 0"}));
  ASSERT_EQ(answerer.Texts().size(), 1u);
  EXPECT_EQ(FirstLine(answerer.Texts()[0]), "Failed to set a value in the registry.");
  EXPECT_FALSE(testsupport::FileExists(InstalledSetupDat()));
}

}  // namespace
