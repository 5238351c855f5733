#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "resources/resource_ids.h"
#include "platform/globals.h"
#include "session/setup_session.h"
#include "support/message_box_answerer.h"
#include "support/temp_folder.h"

namespace {

using testsupport::TempFolder;
using testsupport::WriteFile;

std::string ValueOf(const SetupSession& session, char key) {
  const Variable* v = session.variables->FindKey(static_cast<unsigned char>(key));
  if (!v) return "<none>";
  char buffer[1024] = {};
  return v->GetValue(buffer, 1023) ? buffer : "<no value>";
}

// A session whose installation set is a fresh folder holding `setupDat`.
struct LoadedSet {
  explicit LoadedSet(const std::string& setupDat, bool writeFile = true) {
    if (writeFile) WriteFile(folder.Join("Setup.dat"), setupDat);
    session = std::make_unique<SetupSession>(g_instance, nullptr, folder.path().c_str());
    loaded = session->LoadSetupInfo();
    reports = answerer.Texts();
  }
  TempFolder folder;
  testsupport::MessageBoxAnswerer answerer;
  std::unique_ptr<SetupSession> session;
  bool loaded = false;
  std::vector<std::string> reports;
};

const char kTail[] = "\nPlease contact Veltrop Software. Installation will end";

TEST(LoadSetupInfo, ATitleAloneGivesTheDefaults) {
  LoadedSet set("[Setup]\r\nTitle=Demo\r\n");
  ASSERT_TRUE(set.loaded);
  EXPECT_TRUE(set.reports.empty());
  const SetupSession& s = *set.session;
  EXPECT_EQ(ValueOf(s, 'T'), "Demo");
  EXPECT_EQ(ValueOf(s, 'A'), "Demo");
  EXPECT_EQ(ValueOf(s, 'H'), "Demo");
  EXPECT_EQ(ValueOf(s, '0'), "C:\\");
  EXPECT_EQ(ValueOf(s, 'I'), set.folder.path());
  for (char absent : {'L', 'C', 'E', 'V'}) EXPECT_EQ(ValueOf(s, absent), "<none>") << absent;
  EXPECT_EQ(s.linkStartup, 0);
  EXPECT_EQ(s.linkDesktop, 0);
  EXPECT_EQ(s.linkGroup, 0);
  EXPECT_EQ(std::string(s.setupDatPath.get()), set.folder.Join("Setup.dat"));
  for (WORD kind = 1; kind <= 3; ++kind) {
    ASSERT_NE(s.list(kind), nullptr);
    EXPECT_TRUE(s.list(kind)->empty());
    EXPECT_EQ(s.list(kind)->kind(), kind);
  }
}

TEST(LoadSetupInfo, ReadsEveryKeyOfTheSetupSection) {
  LoadedSet set(
      "[Other]\nTitle=Wrong\n"
      "[setup]\n"
      "TITLE = Editor Deluxe \n"
      "App=\"Editor\"\n"
      "Desktop=1\nStartup= 2\nGroup=x\n"
      "DefaultGroup=Tools\n"
      "License=licence.txt\nCheck=EditorWnd\n"
      "DefaultFolder=%P\\Editor %Q %%\n"
      "Execute=%0\\edit.exe\nView=%0\\readme.txt\n"
      "Title=Second\n");
  ASSERT_TRUE(set.loaded);
  const SetupSession& s = *set.session;
  EXPECT_EQ(ValueOf(s, 'T'), "Editor Deluxe");  // names ignore case, blanks trimmed, first key wins
  EXPECT_EQ(ValueOf(s, 'A'), "Editor");         // quotes removed
  EXPECT_EQ(s.linkDesktop, 1);
  EXPECT_EQ(s.linkStartup, 2);
  EXPECT_EQ(s.linkGroup, 0);
  EXPECT_EQ(ValueOf(s, 'H'), "Tools");
  EXPECT_EQ(ValueOf(s, 'L'), "licence.txt");
  EXPECT_EQ(ValueOf(s, 'C'), "EditorWnd");
  // Only the folder is expanded when read; unknown letters stay as written.
  EXPECT_EQ(ValueOf(s, '0'), ValueOf(s, 'P') + "\\Editor %Q %");
  EXPECT_EQ(ValueOf(s, 'E'), "%0\\edit.exe");
  EXPECT_EQ(ValueOf(s, 'V'), "%0\\readme.txt");
}

TEST(LoadSetupInfo, GroupFallsBackToTheApplicationName) {
  LoadedSet set("[Setup]\nTitle=Demo\nApp=Editor\n");
  ASSERT_TRUE(set.loaded);
  EXPECT_EQ(ValueOf(*set.session, 'H'), "Editor");
}

TEST(LoadSetupInfo, AnEmptyTitleIsATitle) {
  LoadedSet set("[Setup]\nTitle=\n");
  ASSERT_TRUE(set.loaded);
  EXPECT_EQ(ValueOf(*set.session, 'T'), "");
}

TEST(LoadSetupInfo, NoFileOrNoTitleIsReportedAsAMissingSetupDat) {
  const std::string missing = std::string("The Installation Information file, Setup.dat, is missing.") + kTail;
  {
    LoadedSet set("", false);
    EXPECT_FALSE(set.loaded);
    EXPECT_EQ(set.reports, std::vector<std::string>{missing});
  }
  {
    LoadedSet set("[Setup]\nTitle=!x\nApp=Editor\n");
    EXPECT_FALSE(set.loaded);
    EXPECT_EQ(set.reports, std::vector<std::string>{missing});
  }
}

TEST(LoadSetupInfo, AFolderTooLongForTheFileNameIsRefused) {
  testsupport::MessageBoxAnswerer answerer;
  const std::string folder = "C:\\" + std::string(250, 'f');  // fits alone, not with \Setup.dat
  SetupSession session(g_instance, nullptr, folder.c_str());
  EXPECT_FALSE(session.LoadSetupInfo());
  EXPECT_EQ(answerer.Texts(),
            std::vector<std::string>{std::string("The Installation Information file, Setup.dat, is missing.") + kTail});
}

TEST(SetupReaders, FollowTheProfileRules) {
  LoadedSet set(
      "[Setup]\nTitle=T\n"
      "[Keys]\n"
      "Bang=!not here\nEmpty=\nLong=" + std::string(300, 'L') + "\n"
      "Num= -12abc\nNoDigits=abc\nPlus=+7\n");
  ASSERT_TRUE(set.loaded);
  const SetupSession& s = *set.session;
  char buffer[256] = "unchanged";
  EXPECT_FALSE(s.GetProfileText("Keys", "Bang", buffer, sizeof buffer));
  EXPECT_FALSE(s.GetProfileText("Keys", "Missing", buffer, sizeof buffer));
  EXPECT_STREQ(buffer, "unchanged");
  EXPECT_TRUE(s.GetProfileText("keys", "empty", buffer, sizeof buffer));
  EXPECT_STREQ(buffer, "");
  EXPECT_TRUE(s.GetProfileText("Keys", "Long", buffer, sizeof buffer));
  EXPECT_EQ(std::string(buffer), std::string(255, 'L'));

  char small[8];
  EXPECT_TRUE(s.GetProfileText("Keys", "Long", small, sizeof small));
  EXPECT_EQ(std::string(small), std::string(7, 'L'));

  int number = 99;
  EXPECT_TRUE(s.GetProfileNumber("Keys", "Num", number));
  EXPECT_EQ(number, -12);
  s.GetProfileNumber("Keys", "NoDigits", number);
  EXPECT_EQ(number, 0);
  s.GetProfileNumber("Keys", "Plus", number);
  EXPECT_EQ(number, 7);
  number = 99;
  s.GetProfileNumber("Keys", "Bang", number);
  EXPECT_EQ(number, 0);

  EXPECT_TRUE(s.GetSetupString(IDS_SECTION_SETUP, IDS_KEY_TITLE, buffer, sizeof buffer));
  EXPECT_STREQ(buffer, "T");
  try {
    s.GetSetupString(IDS_SECTION_SETUP, 59999, buffer, sizeof buffer);
    ADD_FAILURE() << "a missing name must throw";
  } catch (SetupError& code) {
    EXPECT_EQ(code, SETUP_ERR_NO_STRING);
  }
}

}  // namespace
