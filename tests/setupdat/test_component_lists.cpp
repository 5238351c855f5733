#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "engine/file_item.h"
#include "engine/install_pass.h"
#include "registry/registry_item.h"
#include "platform/globals.h"
#include "session/setup_session.h"
#include "shortcuts/shortcut_item.h"
#include "support/block_text.h"
#include "support/message_box_answerer.h"
#include "support/temp_folder.h"

namespace {

using testsupport::BlockText;

const char kExampleSetupDat[] =
    "[Setup]\r\n"
    "Title=Example Editor 1.0\r\n"
    "App=Example Editor\r\n"
    "DefaultFolder=%P\\Example\r\n"
    "Group=1\r\n"
    "Desktop=1\r\n"
    "Files=Files\r\n"
    "RegClasses=Classes\r\n"
    "RegMachine=Machine\r\n"
    "Shortcuts=Links\r\n"
    "[Files]\r\n"
    "Editor.ex_=%0\\Editor.exe,500,0,Editor program\r\n"
    "Common.dl_=%S\\Common.dll,300,1,Common library\r\n"
    "Setup.dat=%0\\Setup.dat,20,0,Setup information\r\n"
    "Setup.exe=%0\\Setup.exe,80,0,Setup program\r\n"
    "[Classes]\r\n"
    ".exd=|Example.Document\r\n"
    "Example.Document=|Example Document\r\n"
    "Example.Document\\shell\\open\\command=|%0\\Editor.exe %1\r\n"
    "[Machine]\r\n"
    "Software\\Example\\Editor:1=Path|%0\r\n"
    "Software\\Example\\Editor:2=Version|1.0\r\n"
    "[Links]\r\n"
    "Example Editor=5,%0\\Editor.exe,%0\r\n";

// The first line of each report shown, in order.
std::vector<std::string> FirstLines(const testsupport::MessageBoxAnswerer& boxes) {
  std::vector<std::string> lines;
  for (const std::string& text : boxes.Texts()) lines.push_back(text.substr(0, text.find('\n')));
  return lines;
}

template <typename Item>
std::vector<Item*> ItemsOf(const SetupSession& session, WORD kind) {
  std::vector<Item*> items;
  ItemList* list = session.list(kind);
  if (!list) return items;
  InstallItem* item = nullptr;
  for (bool more = list->First(item); more; more = list->Next(item)) items.push_back(static_cast<Item*>(item));
  return items;
}

// A session whose installation set is a fresh folder holding `setupDat`.
class ComponentListsTest : public testing::Test {
protected:
  void Load(const std::string& setupDat, bool expectLoaded = true) {
    testsupport::WriteFile(folder.Join("Setup.dat"), setupDat);
    testsupport::MessageBoxAnswerer answerer;
    session.reset(new SetupSession(g_instance, nullptr, folder.path().c_str()));
    ASSERT_EQ(session->LoadSetupInfo(), expectLoaded);
    reports = FirstLines(answerer);
  }

  testsupport::TempFolder folder;
  std::unique_ptr<SetupSession> session;
  std::vector<std::string> reports;
};

TEST_F(ComponentListsTest, WorkedExampleGivesFilesRegistryEntriesAndAShortcutInFileOrder) {
  Load(kExampleSetupDat);
  EXPECT_TRUE(reports.empty());

  auto files = ItemsOf<FileItem>(*session, ITEM_KIND_FILE);
  ASSERT_EQ(files.size(), 4u);
  EXPECT_EQ(session->totalBytes, 900u);
  EXPECT_EQ(BlockText(files[0]->source), "Editor.ex_");
  EXPECT_EQ(BlockText(files[0]->destination), "%0\\Editor.exe");
  EXPECT_EQ(files[0]->size, 500);
  EXPECT_EQ(BlockText(files[0]->description), "Editor program");
  EXPECT_EQ(BlockText(files[1]->destination), "%S\\Common.dll");
  EXPECT_EQ(files[1]->shared, 1);
  EXPECT_EQ(files[0]->shared + files[2]->shared + files[3]->shared, 0);
  EXPECT_EQ(BlockText(files[3]->source), "Setup.exe");

  auto entries = ItemsOf<RegistryItem>(*session, ITEM_KIND_REGISTRY);
  ASSERT_EQ(entries.size(), 5u);
  const HKEY roots[] = {HKEY_CLASSES_ROOT, HKEY_CLASSES_ROOT, HKEY_CLASSES_ROOT, HKEY_LOCAL_MACHINE,
                        HKEY_LOCAL_MACHINE};
  const char* paths[] = {".exd", "Example.Document", "Example.Document\\shell\\open\\command",
                         "Software\\Example\\Editor", "Software\\Example\\Editor"};
  for (size_t i = 0; i < entries.size(); ++i) {
    EXPECT_EQ(entries[i]->root, roots[i]) << i;
    EXPECT_EQ(BlockText(entries[i]->keyPath), paths[i]) << i;
  }
  EXPECT_EQ(BlockText(entries[0]->valueName), "");
  EXPECT_EQ(BlockText(entries[0]->valueData), "Example.Document");
  EXPECT_EQ(BlockText(entries[3]->valueName), "Path");
  EXPECT_EQ(BlockText(entries[4]->valueName), "Version");
  EXPECT_EQ(BlockText(entries[4]->valueData), "1.0");

  auto links = ItemsOf<ShortcutItem>(*session, ITEM_KIND_SHORTCUT);
  ASSERT_EQ(links.size(), 1u);
  EXPECT_EQ(BlockText(links[0]->name), "Example Editor");
  EXPECT_EQ(links[0]->locations, LINK_GROUP | LINK_DESKTOP);
  EXPECT_EQ(BlockText(links[0]->target), "%0\\Editor.exe");
  EXPECT_EQ(BlockText(links[0]->workingFolder), "%0");
}

TEST_F(ComponentListsTest, ExpandingReplacesOnlyTheExpandedFields) {
  Load(kExampleSetupDat);
  session->variables->Set('0', "C:\\Ex");
  session->variables->Set('S', "C:\\Sys");
  ASSERT_EQ(ExpandItems(*session), 1);

  auto files = ItemsOf<FileItem>(*session, ITEM_KIND_FILE);
  EXPECT_EQ(BlockText(files[0]->destination), "C:\\Ex\\Editor.exe");
  EXPECT_EQ(BlockText(files[1]->destination), "C:\\Sys\\Common.dll");
  EXPECT_EQ(BlockText(files[0]->source), "Editor.ex_");
  auto entries = ItemsOf<RegistryItem>(*session, ITEM_KIND_REGISTRY);
  EXPECT_EQ(BlockText(entries[2]->valueData), "C:\\Ex\\Editor.exe %1");  // no variable 1
  EXPECT_EQ(BlockText(entries[3]->valueData), "C:\\Ex");
  auto links = ItemsOf<ShortcutItem>(*session, ITEM_KIND_SHORTCUT);
  EXPECT_EQ(BlockText(links[0]->target), "C:\\Ex\\Editor.exe");
  EXPECT_EQ(BlockText(links[0]->workingFolder), "C:\\Ex");
}

TEST_F(ComponentListsTest, NoListKeysGiveEmptyListsAndNoBytes) {
  Load("[Setup]\r\nTitle=Demo\r\n");
  EXPECT_TRUE(reports.empty());
  for (WORD kind = ITEM_KIND_FILE; kind <= ITEM_KIND_SHORTCUT; ++kind) {
    ASSERT_NE(session->list(kind), nullptr);
    EXPECT_TRUE(session->list(kind)->empty()) << kind;
  }
  EXPECT_EQ(session->totalBytes, 0u);
}

TEST_F(ComponentListsTest, AMissingSectionIsReportedAsAListErrorThenAsMissingComponents) {
  Load("[Setup]\r\nTitle=Demo\r\nFiles=Missing\r\n", false);
  EXPECT_EQ(reports, (std::vector<std::string>{"There is an error in the installation list.",
                                               "Component information is missing."}));
}

TEST_F(ComponentListsTest, AnEmptyListSectionIsAListError) {
  Load("[Setup]\r\nTitle=Demo\r\nShortcuts=Links\r\n[Links]\r\n", false);
  ASSERT_EQ(reports.size(), 2u);
  EXPECT_EQ(reports[0], "There is an error in the installation list.");
}

TEST_F(ComponentListsTest, AFailingListKeepsEarlierItemsAndStopsTheLaterLists) {
  Load(
      "[Setup]\r\nTitle=Demo\r\nFiles=Files\r\nRegClasses=Nowhere\r\nShortcuts=Links\r\n"
      "[Files]\r\na.txt=%0\\a.txt,10\r\n"
      "[Links]\r\nA=1,%0\\a.txt,%0\r\n",
      false);
  EXPECT_EQ(reports.size(), 2u);
  EXPECT_EQ(ItemsOf<FileItem>(*session, ITEM_KIND_FILE).size(), 1u);
  EXPECT_TRUE(session->list(ITEM_KIND_SHORTCUT)->empty());
}

TEST_F(ComponentListsTest, FileLinesWithMissingAndEmptyFields) {
  Load(
      "[Setup]\r\nTitle=Demo\r\nFiles=Files\r\n[Files]\r\n"
      "Readme.txt=%0\\Readme.txt\r\n"
      "a.txt=%0\\a.txt,,1\r\n"
      "b.txt=%0\\b.txt,100,\r\n"
      "c.txt=%0\\c.txt, 12,x\r\n"
      "a.txt=%0\\second.txt,7\r\n"
      "Empty.txt=\r\n");
  auto files = ItemsOf<FileItem>(*session, ITEM_KIND_FILE);
  ASSERT_EQ(files.size(), 6u);
  EXPECT_EQ(files[0]->size, 0);
  EXPECT_EQ(files[0]->shared, 0);
  EXPECT_EQ(BlockText(files[0]->description), "<none>");
  EXPECT_EQ(files[1]->size, 0);
  EXPECT_EQ(files[1]->shared, 1);
  EXPECT_EQ(files[2]->size, 100);
  EXPECT_EQ(files[2]->shared, 0);
  EXPECT_EQ(files[3]->size, 12);
  EXPECT_EQ(files[3]->shared, 0);
  // A repeated key reads as its first line.
  EXPECT_EQ(BlockText(files[4]->destination), "%0\\a.txt");
  EXPECT_EQ(BlockText(files[5]->destination), "<none>");
  EXPECT_EQ(session->totalBytes, 100u + 12u + 0u + 0u);

  // The empty destination surfaces when the items are expanded.
  testsupport::MessageBoxAnswerer answerer;
  EXPECT_EQ(ExpandItems(*session), 0);
  ASSERT_EQ(answerer.Texts().size(), 1u);
  EXPECT_EQ(answerer.Texts()[0].substr(0, answerer.Texts()[0].find('\n')), "Failed to expand installation variable.");
}

TEST_F(ComponentListsTest, RegistryLinesWithoutDataFailOnlyWhenExpanded) {
  Load(
      "[Setup]\r\nTitle=Demo\r\nRegMachine=M\r\n[M]\r\n"
      "Software\\X:a=One|1\r\n"
      "Software\\X:b=Two|2\r\n"
      "Software\\Y=Name|\r\n");
  auto entries = ItemsOf<RegistryItem>(*session, ITEM_KIND_REGISTRY);
  ASSERT_EQ(entries.size(), 3u);
  EXPECT_EQ(BlockText(entries[0]->keyPath), BlockText(entries[1]->keyPath));
  EXPECT_EQ(BlockText(entries[1]->valueName), "Two");
  EXPECT_EQ(BlockText(entries[2]->valueData), "<none>");

  testsupport::MessageBoxAnswerer answerer;
  EXPECT_EQ(ExpandItems(*session), 0);
  EXPECT_EQ(answerer.Texts().size(), 1u);
}

TEST_F(ComponentListsTest, NoLineIsDroppedOrCutWithoutAWord) {
  // An empty key is passed over, a first key beginning with "!" reads like
  // any other, and a list of thousands of lines loads whole.
  std::string many;
  for (int i = 0; i < 3000; ++i) many += "F" + std::to_string(1000000 + i) + ".DAT=%0\\f" + std::to_string(i) + ",2\r\n";
  Load("[Setup]\r\nTitle=Demo\r\nFiles=Files\r\nShortcuts=Links\r\n[Files]\r\n" + many +
       "=oops\r\nlast.txt=%0\\last.txt,4\r\n[Links]\r\n!First=1,%0\\a.txt,%0\r\nSecond=1,%0\\b.txt,%0\r\n");
  EXPECT_TRUE(reports.empty());
  auto files = ItemsOf<FileItem>(*session, ITEM_KIND_FILE);
  ASSERT_EQ(files.size(), 3001u);
  EXPECT_EQ(BlockText(files.back()->destination), "%0\\last.txt");
  EXPECT_EQ(session->totalBytes, 3000u * 2u + 4u);
  EXPECT_EQ(ItemsOf<ShortcutItem>(*session, ITEM_KIND_SHORTCUT).size(), 2u);

  // Each line that cannot become a whole item is named in the report.
  const std::string longPath = "%0\\" + std::string(300, 'p');
  const struct {
    std::string lists;
    std::string detail;
  } refused[] = {
      {"Files=F\r\n[F]\r\nlong.txt=" + longPath + ",10,1,Long\r\n",
       "[F] long.txt: the line is longer than 255 characters"},
      {"Files=F\r\n[F]\r\na.txt=%0\\a.txt,-5\r\n", "[F] a.txt: the size is not a number of bytes"},
      {"Files=F\r\n[F]\r\na.txt=%0\\a.txt,many\r\n", "[F] a.txt: the size is not a number of bytes"},
      {"Files=F\r\n[F]\r\na=%0\\a,2147483647\r\nb=%0\\b,2147483647\r\nc=%0\\c,2147483647\r\n",
       "[F] c: the files add up to more than 4 GB"},
      {"Files=F\r\n[F]\r\na.txt=!absent\r\n", "[F] a.txt: the line has no value"},
      {"RegMachine=M\r\n[M]\r\n:x=Name|Data\r\n", "[M] :x: the line names no registry key"},
  };
  for (const auto& line : refused) {
    testsupport::WriteFile(folder.Join("Setup.dat"), "[Setup]\r\nTitle=Demo\r\n" + line.lists);
    testsupport::MessageBoxAnswerer answerer;
    session.reset(new SetupSession(g_instance, nullptr, folder.path().c_str()));
    EXPECT_FALSE(session->LoadSetupInfo());
    const auto texts = answerer.Texts();
    ASSERT_EQ(texts.size(), 2u) << line.detail;
    EXPECT_EQ(texts[0], "There is an error in the installation list.\n" + line.detail +
                            "\nPlease contact Veltrop Software. Installation will end");
    EXPECT_EQ(texts[1].substr(0, texts[1].find('\n')), "Component information is missing.");
  }
}

}  // namespace
