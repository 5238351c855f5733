#include <gtest/gtest.h>
#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "platform/com_ptr.h"
#include "platform/globals.h"
#include "session/setup_session.h"
#include "shortcuts/shortcut_item.h"
#include "support/temp_folder.h"
#include "uiauto.h"

namespace {

using testsupport::FileExists;
using testsupport::ReadFile;
using testsupport::TempFolder;
using testsupport::WriteFile;

const WORD kAllPlaces = LINK_GROUP | LINK_STARTUP | LINK_DESKTOP;

// What a saved link says, as the shell reads it back.
struct LinkContent {
  bool loaded = false;
  std::string target;
  std::string workingFolder;
  std::string description;
  // Last, so that the links of three fields are written as before.
  std::string arguments = std::string();
  std::string iconFile = std::string();
  int iconIndex = 0;
};

LinkContent LoadLink(const std::string& path) {
  LinkContent content;
  ComPtr<IShellLinkA> link;
  ComPtr<IPersistFile> file;
  WCHAR widePath[MAX_PATH];
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA, link.put_void())) ||
      FAILED(link->QueryInterface(IID_IPersistFile, file.put_void())) ||
      !MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, widePath, MAX_PATH) ||
      FAILED(file->Load(widePath, STGM_READ)))
    return content;
  char text[INFOTIPSIZE] = {};
  if (SUCCEEDED(link->GetPath(text, MAX_PATH, nullptr, SLGP_RAWPATH))) content.target = text;
  text[0] = '\0';
  if (SUCCEEDED(link->GetWorkingDirectory(text, MAX_PATH))) content.workingFolder = text;
  text[0] = '\0';
  if (SUCCEEDED(link->GetDescription(text, sizeof text))) content.description = text;
  text[0] = '\0';
  if (SUCCEEDED(link->GetArguments(text, sizeof text))) content.arguments = text;
  text[0] = '\0';
  if (SUCCEEDED(link->GetIconLocation(text, MAX_PATH, &content.iconIndex))) content.iconFile = text;
  content.loaded = true;
  return content;
}

// The entries of a folder without "." and "..", sorted; {"<none>"} when
// there is no such folder.
std::vector<std::string> Entries(const std::string& folder) {
  WIN32_FIND_DATAA entry;
  HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &entry);
  if (search == INVALID_HANDLE_VALUE) return {"<none>"};
  std::vector<std::string> names;
  do {
    const std::string name = entry.cFileName;
    if (name != "." && name != "..") names.push_back(name);
  } while (FindNextFileA(search, &entry));
  FindClose(search);
  std::sort(names.begin(), names.end());
  return names;
}

using Names = std::vector<std::string>;

// Links handed to lnkinfo: the CTest step after this program reads each
// NAME.lnk of this folder and compares it with NAME.expect.
std::string ExportFolder() { return uiauto::PathBesideThisExecutable("shortcut_links"); }

class LinkExport : public testing::Environment {
public:
  void SetUp() override {
    testsupport::RemoveTree(ExportFolder());
    CreateDirectoryA(ExportFolder().c_str(), nullptr);
  }
};
const testing::Environment* const g_linkExport = testing::AddGlobalTestEnvironment(new LinkExport);

void ExportLink(const std::string& path, const std::string& exportName, const LinkContent& expected) {
  const std::string base = ExportFolder() + "\\" + exportName;
  ASSERT_TRUE(CopyFileA(path.c_str(), (base + ".lnk").c_str(), FALSE)) << path;
  std::string expect = "Local path\t" + expected.target + "\nWorking directory\t" + expected.workingFolder +
                       "\nDescription\t" + expected.description + "\n";
  if (!expected.arguments.empty()) expect += "Command line arguments\t" + expected.arguments + "\n";
  if (!expected.iconFile.empty())
    expect += "Icon location\t" + expected.iconFile + "\nIcon index\t" + std::to_string(expected.iconIndex) + "\n";
  WriteFile(base + ".expect", expect);
}

// Programs (G), Startup (R) and desktop (D) folders of their own, the
// group "Games\Cards" (H), and an application folder (0) with a program.
class ShortcutItemTest : public testing::Test {
protected:
  ShortcutItemTest() : session(g_instance, nullptr, app.path().c_str()) {
    VariableTable& variables = *session.variables;
    variables.Set('G', programs.path().c_str());
    variables.Set('H', "Games\\Cards");
    variables.Set('R', startup.path().c_str());
    variables.Set('D', desktop.path().c_str());
    variables.Set('0', app.path().c_str());
    WriteFile(app.Join("cards.exe"), "MZ");
    CreateDirectoryA(app.Join("data").c_str(), nullptr);
  }

  // The item of a shortcut list line, expanded as the install run does.
  std::unique_ptr<ShortcutItem> Item(const std::string& name, const std::string& value) {
    auto item = std::make_unique<ShortcutItem>(&session, session.variables.get(), name.c_str(), value.c_str());
    item->Expand();
    return item;
  }

  std::string Group() const { return programs.Join("Games\\Cards"); }
  std::string GroupLink(const std::string& name) const { return Group() + "\\" + name + ".lnk"; }
  std::string StartupLink(const std::string& name) const { return startup.Join(name + ".lnk"); }
  std::string DesktopLink(const std::string& name) const { return desktop.Join(name + ".lnk"); }
  // A folder that can never be made: its parent is a file.
  std::string Impossible() const { return app.Join("cards.exe\\Desktop"); }

  // The link at `path` as the items of these tests make it.
  void ExpectLink(const std::string& path, const std::string& name, const std::string& workingFolder) {
    const LinkContent content = LoadLink(path);
    ASSERT_TRUE(content.loaded) << path;
    EXPECT_EQ(content.target, app.Join("cards.exe")) << path;
    EXPECT_EQ(content.workingFolder, workingFolder) << path;
    EXPECT_EQ(content.description, name) << path;
  }

  TempFolder app;
  TempFolder programs;
  TempFolder startup;
  TempFolder desktop;
  SetupSession session;
};

TEST_F(ShortcutItemTest, LinksGoWhereBothMasksAgreeInTheirOrder) {
  // Group and desktop allowed, desktop chosen: only the desktop link.
  auto cards = Item("Cards", "5,%0\\cards.exe,%0");
  EXPECT_TRUE(cards->Install(LINK_DESKTOP));
  EXPECT_EQ(cards->done, 1u);
  EXPECT_EQ(Entries(desktop.path()), Names{"Cards.lnk"});
  EXPECT_EQ(Entries(programs.path()), Names{});
  EXPECT_EQ(Entries(startup.path()), Names{});
  ExpectLink(DesktopLink("Cards"), "Cards", app.path());

  // Every place: the group's folders are made, both of them.
  auto solitaire = Item("Solitaire", "7,%0\\cards.exe,%0\\data");
  EXPECT_TRUE(solitaire->Install(kAllPlaces));
  EXPECT_EQ(Entries(programs.path()), Names{"Games"});
  EXPECT_EQ(Entries(programs.Join("Games")), Names{"Cards"});
  EXPECT_EQ(Entries(Group()), Names{"Solitaire.lnk"});
  EXPECT_EQ(Entries(startup.path()), Names{"Solitaire.lnk"});
  EXPECT_EQ(Entries(desktop.path()), (Names{"Cards.lnk", "Solitaire.lnk"}));
  for (const std::string& link : {GroupLink("Solitaire"), StartupLink("Solitaire"), DesktopLink("Solitaire")})
    ExpectLink(link, "Solitaire", app.Join("data"));
  ExportLink(DesktopLink("Cards"), "desktop_cards", {true, app.Join("cards.exe"), app.path(), "Cards"});
  ExportLink(GroupLink("Solitaire"), "group_solitaire", {true, app.Join("cards.exe"), app.Join("data"), "Solitaire"});

  // No place in both masks, or nothing chosen: done, nothing made.
  auto tray = Item("Tray", "2,%0\\cards.exe,%0");
  EXPECT_TRUE(tray->Install(LINK_GROUP));
  EXPECT_EQ(tray->done, 1u);
  auto unticked = Item("Unticked", "7,%0\\cards.exe,%0");
  EXPECT_TRUE(unticked->Install(0));
  EXPECT_EQ(unticked->done, 1u);
  EXPECT_EQ(Entries(Group()), Names{"Solitaire.lnk"});
  EXPECT_EQ(Entries(startup.path()), Names{"Solitaire.lnk"});
  EXPECT_EQ(Entries(desktop.path()), (Names{"Cards.lnk", "Solitaire.lnk"}));

  // A done item does not touch the disk again.
  ASSERT_TRUE(DeleteFileA(DesktopLink("Solitaire").c_str()));
  EXPECT_TRUE(solitaire->Install(kAllPlaces));
  EXPECT_FALSE(FileExists(DesktopLink("Solitaire")));

  // The group comes first: when it fails, the desktop is not tried, and
  // the failed place leaves no folder behind.
  auto patience = Item("Patience", "5,%0\\cards.exe,%0");
  session.variables->Set('G', app.Join("cards.exe").c_str());
  EXPECT_FALSE(patience->Install(kAllPlaces));
  EXPECT_EQ(patience->done, 0u);
  EXPECT_FALSE(FileExists(DesktopLink("Patience")));
  EXPECT_EQ(Entries(app.path()), (Names{"cards.exe", "data"}));

  // Startup comes before the desktop and after the group: the group link
  // made before the failure stays, and the item is not done.
  session.variables->Set('G', programs.path().c_str());
  session.variables->Set('R', Impossible().c_str());
  auto freecell = Item("FreeCell", "7,%0\\cards.exe,%0");
  EXPECT_FALSE(freecell->Install(kAllPlaces));
  EXPECT_EQ(freecell->done, 0u);
  EXPECT_TRUE(FileExists(GroupLink("FreeCell")));
  EXPECT_FALSE(FileExists(DesktopLink("FreeCell")));

  // Once the folders can be made, the item that failed installs.
  session.variables->Set('R', startup.path().c_str());
  EXPECT_TRUE(patience->Install(kAllPlaces));
  EXPECT_EQ(patience->done, 1u);
  ExpectLink(GroupLink("Patience"), "Patience", app.path());
  ExpectLink(DesktopLink("Patience"), "Patience", app.path());
  EXPECT_FALSE(FileExists(StartupLink("Patience")));
}

TEST_F(ShortcutItemTest, ArgumentsAndIconComeFromTheLineExpandedAndOnlyWhenGiven) {
  // Arguments with blanks and quotes, an icon of the program's own: both
  // expanded, "%%" a percent sign.
  auto deal = Item("Deal", "1,%0\\cards.exe,%0,/deal \"%0\\data\" /odds 50%%,%0\\cards.exe,2");
  // An empty argument field with an icon after it; an icon file without
  // an index is index 0.
  auto marked = Item("Marked", "4,%0\\cards.exe,%0,,%0\\data\\cards.ico");
  // Arguments alone: the target's own icon.
  auto plain = Item("Plain", "4,%0\\cards.exe,%0\\data,-q");
  for (auto* item : {deal.get(), marked.get(), plain.get()}) EXPECT_TRUE(item->Install(kAllPlaces));

  const LinkContent dealt = LoadLink(GroupLink("Deal"));
  ASSERT_TRUE(dealt.loaded);
  EXPECT_EQ(dealt.target, app.Join("cards.exe"));
  EXPECT_EQ(dealt.arguments, "/deal \"" + app.Join("data") + "\" /odds 50%");
  EXPECT_EQ(dealt.iconFile, app.Join("cards.exe"));
  EXPECT_EQ(dealt.iconIndex, 2);
  const LinkContent iconOnly = LoadLink(DesktopLink("Marked"));
  EXPECT_EQ(iconOnly.arguments, "");
  EXPECT_EQ(iconOnly.iconFile, app.Join("data\\cards.ico"));
  EXPECT_EQ(iconOnly.iconIndex, 0);
  const LinkContent argumentsOnly = LoadLink(DesktopLink("Plain"));
  EXPECT_EQ(argumentsOnly.arguments, "-q");
  EXPECT_EQ(argumentsOnly.iconFile, "");
  EXPECT_EQ(argumentsOnly.workingFolder, app.Join("data"));

  LinkContent expectDeal{true, app.Join("cards.exe"), app.path(), "Deal"};
  expectDeal.arguments = dealt.arguments;
  expectDeal.iconFile = app.Join("cards.exe");
  expectDeal.iconIndex = 2;
  ExportLink(GroupLink("Deal"), "group_deal", expectDeal);
  LinkContent expectMarked{true, app.Join("cards.exe"), app.path(), "Marked"};
  expectMarked.iconFile = app.Join("data\\cards.ico");
  ExportLink(DesktopLink("Marked"), "desktop_marked", expectMarked);

  // Today's three-field lines are what they were: no arguments, no icon.
  auto old = Item("Old", "4,%0\\cards.exe,%0");
  EXPECT_TRUE(old->Install(kAllPlaces));
  const LinkContent before = LoadLink(DesktopLink("Old"));
  EXPECT_EQ(before.arguments, "");
  EXPECT_EQ(before.iconFile, "");
}

TEST_F(ShortcutItemTest, RemovalFollowsTheChoicesAndKeepsTheSystemFolders) {
  auto hearts = Item("Hearts", "7,%0\\cards.exe,%0");
  auto spades = Item("Spades", "1,%0\\cards.exe,%0");
  ASSERT_TRUE(hearts->Install(kAllPlaces));
  ASSERT_TRUE(spades->Install(kAllPlaces));
  ASSERT_EQ(Entries(Group()), (Names{"Hearts.lnk", "Spades.lnk"}));

  // Nothing chosen: nothing deleted.
  EXPECT_TRUE(hearts->Remove(0));
  EXPECT_TRUE(FileExists(DesktopLink("Hearts")));

  // The group still holds another link, so it stays; Startup and the
  // desktop stay although they are empty now. Removal leaves `done`.
  EXPECT_TRUE(hearts->Remove(kAllPlaces));
  EXPECT_EQ(hearts->done, 1u);
  EXPECT_EQ(Entries(Group()), Names{"Spades.lnk"});
  EXPECT_EQ(Entries(startup.path()), Names{});
  EXPECT_EQ(Entries(desktop.path()), Names{});

  // The last link of the group takes the group folder, not its parent.
  EXPECT_TRUE(spades->Remove(kAllPlaces));
  EXPECT_EQ(Entries(programs.path()), Names{"Games"});
  EXPECT_EQ(Entries(programs.Join("Games")), Names{});

  // A desktop link deleted by hand: the links before it go, then failure.
  auto bridge = Item("Bridge", "7,%0\\cards.exe,%0");
  ASSERT_TRUE(bridge->Install(kAllPlaces));
  ASSERT_TRUE(DeleteFileA(DesktopLink("Bridge").c_str()));
  EXPECT_FALSE(bridge->Remove(kAllPlaces));
  EXPECT_EQ(Entries(programs.Join("Games")), Names{});
  EXPECT_EQ(Entries(startup.path()), Names{});
  EXPECT_EQ(Entries(desktop.path()), Names{});

  // A group link deleted by hand stops the removal before Startup.
  auto rummy = Item("Rummy", "7,%0\\cards.exe,%0");
  ASSERT_TRUE(rummy->Install(kAllPlaces));
  ASSERT_TRUE(DeleteFileA(GroupLink("Rummy").c_str()));
  EXPECT_FALSE(rummy->Remove(kAllPlaces));
  EXPECT_TRUE(FileExists(StartupLink("Rummy")));
  EXPECT_TRUE(FileExists(DesktopLink("Rummy")));
  // Its empty group folder went all the same.
  EXPECT_EQ(Entries(Group()), Names{"<none>"});
}

TEST_F(ShortcutItemTest, RollbackTakesBackOnlyWhatTheRunDid) {
  // Before the run: an earlier, read-only copy of the product's Startup
  // link beside another product's link, and no Games folder.
  const char oldBytes[] = "an earlier link\0\x01\xFF";
  const std::string oldLink(oldBytes, sizeof oldBytes - 1);
  WriteFile(StartupLink("Poker"), oldLink);
  ASSERT_TRUE(SetFileAttributesA(StartupLink("Poker").c_str(), FILE_ATTRIBUTE_READONLY));
  const DWORD oldAttributes = GetFileAttributesA(StartupLink("Poker").c_str());
  WriteFile(StartupLink("Other"), "another product's link");

  // The desktop place fails: the group and Startup links are made.
  session.variables->Set('D', Impossible().c_str());
  auto poker = Item("Poker", "7,%0\\cards.exe,%0");
  EXPECT_FALSE(poker->Install(kAllPlaces));
  EXPECT_EQ(poker->done, 0u);
  ExpectLink(GroupLink("Poker"), "Poker", app.path());
  ExpectLink(StartupLink("Poker"), "Poker", app.path());
  Names inStartup = Entries(startup.path());
  ASSERT_EQ(inStartup.size(), 3u);
  const std::string aside = startup.Join(inStartup[0]);
  EXPECT_EQ(inStartup[0].substr(0, 3), "LNK");
  EXPECT_EQ(ReadFile(aside), oldLink);
  EXPECT_EQ(Entries(app.path()), (Names{"cards.exe", "data"}));

  poker->Rollback();
  EXPECT_EQ(poker->done, 0u);
  EXPECT_EQ(Entries(programs.path()), Names{});
  EXPECT_EQ(Entries(startup.path()), (Names{"Other.lnk", "Poker.lnk"}));
  EXPECT_EQ(ReadFile(StartupLink("Poker")), oldLink);
  EXPECT_EQ(GetFileAttributesA(StartupLink("Poker").c_str()), oldAttributes);
  EXPECT_EQ(ReadFile(StartupLink("Other")), "another product's link");
  // A second rollback finds nothing left to take back.
  poker->Rollback();
  EXPECT_EQ(ReadFile(StartupLink("Poker")), oldLink);

  // The same link written twice by one run (desktop and group are one
  // folder) is taken back newest first: nothing of it remains.
  session.variables->Set('D', Group().c_str());
  auto twice = Item("Twice", "5,%0\\cards.exe,%0");
  EXPECT_TRUE(twice->Install(kAllPlaces));
  EXPECT_EQ(Entries(Group()).size(), 2u);  // the link and the first one kept aside
  twice->Rollback();
  EXPECT_EQ(Entries(programs.path()), Names{});

  // A successful install that is committed keeps its links and lets the
  // old one go; a rollback afterwards has nothing to take back.
  session.variables->Set('D', desktop.path().c_str());
  auto committed = Item("Poker", "7,%0\\cards.exe,%0");
  EXPECT_TRUE(committed->Install(kAllPlaces));
  EXPECT_EQ(Entries(startup.path()).size(), 3u);
  committed->Commit();
  EXPECT_EQ(Entries(startup.path()), (Names{"Other.lnk", "Poker.lnk"}));
  committed->Rollback();
  for (const std::string& link : {GroupLink("Poker"), StartupLink("Poker"), DesktopLink("Poker")})
    ExpectLink(link, "Poker", app.path());
  EXPECT_EQ(Entries(desktop.path()), Names{"Poker.lnk"});
  ExportLink(StartupLink("Poker"), "startup_poker", {true, app.Join("cards.exe"), app.path(), "Poker"});
}

TEST_F(ShortcutItemTest, OverlongLinkPathFailsWithoutTouchingTheDisk) {
  // A folder of 240 characters: a name of 14 fills the 259 characters of
  // a path exactly, one of 15 is one too many.
  const std::string fits = desktop.Join(std::string(240 - desktop.path().size() - 1, 'f'));
  const std::string tooLong = desktop.Join(std::string(240 - desktop.path().size() - 1, 't'));
  ASSERT_EQ(fits.size(), 240u);

  session.variables->Set('D', fits.c_str());
  auto exact = Item(std::string(14, 'e'), "4,%0\\cards.exe,%0");
  EXPECT_TRUE(exact->Install(LINK_DESKTOP));
  EXPECT_EQ(Entries(fits), Names{std::string(14, 'e') + ".lnk"});

  session.variables->Set('D', tooLong.c_str());
  auto over = Item(std::string(15, 'o'), "4,%0\\cards.exe,%0");
  EXPECT_FALSE(over->Install(LINK_DESKTOP));
  EXPECT_EQ(over->done, 0u);
  EXPECT_FALSE(FileExists(tooLong));
  EXPECT_FALSE(over->Remove(LINK_DESKTOP));

  // A folder that does not fit a path at all.
  session.variables->Set('D', desktop.Join(std::string(300, 'x')).c_str());
  auto huge = Item("Huge", "4,%0\\cards.exe,%0");
  EXPECT_FALSE(huge->Install(LINK_DESKTOP));
  EXPECT_FALSE(huge->Remove(LINK_DESKTOP));
  EXPECT_EQ(Entries(desktop.path()), Names{fits.substr(desktop.path().size() + 1)});
}

}  // namespace
