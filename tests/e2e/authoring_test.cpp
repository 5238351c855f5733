// What an author writes beyond plain lines: typed registry values, links
// with arguments and icons, read back the way an administrator would (reg
// query, and lnkinfo on the Linux side); and a product folder that
// `setupkit init` and `pack` turn into a set that installs and goes again.
#include <gtest/gtest.h>

#include <cctype>
#include <string>
#include <vector>

#include "e2e/setup_run.h"

namespace e2e {
namespace {

const DWORD kRunTimeoutMs = 180000;



// The line of `reg query` output for value `name`, blanks runs made one:
// "Count REG_DWORD 0x1234abcd". Empty when there is none.
std::string QueriedValue(const std::string& output, const std::string& name) {
  std::string text;
  // reg may write UTF-16 when its output is a file.
  for (char c : output)
    if (c != '\0') text += c;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line;
    for (std::size_t i = start; i < end; ++i) {
      const char c = text[i] == '\t' ? ' ' : text[i];
      if (c == '\r' || (c == ' ' && (line.empty() || line.back() == ' '))) continue;
      line += c;
    }
    while (!line.empty() && line.back() == ' ') line.pop_back();
    if (line.compare(0, name.size() + 1, name + " ") == 0) return line;
    start = end + 1;
  }
  return std::string();
}

std::string FileSize(const std::string& path) { return std::to_string(testsupport::ReadFile(path).size()); }

// The links handed to lnkinfo: NAME.lnk with the NAME.expect it must agree with.
void ExportLink(const std::string& link, const std::string& name, const std::string& expect) {
  const std::string folder = uiauto::PathBesideThisExecutable("authoring_links");
  CreateDirectoryA(folder.c_str(), nullptr);
  ASSERT_TRUE(CopyFileA(link.c_str(), (folder + "\\" + name + ".lnk").c_str(), FALSE)) << link;
  testsupport::WriteFile(folder + "\\" + name + ".expect", expect);
}

TEST(Authoring, TypedValuesAndLinkFieldsReadBackAsWrittenAndGoWithTheProduct) {
  testsupport::RemoveTree(uiauto::PathBesideThisExecutable("authoring_links"));
  InstallationSet set;
  set.Copy("launch_marker.exe", "APP.EXE");
  testsupport::TempFolder logs;
  const std::string folder = ProgramFiles() + "\\Authoring Test";
  char windows[MAX_PATH] = {};
  GetWindowsDirectoryA(windows, MAX_PATH);
  WriteSelfSizedSetupDat(set,
                         "[Setup]\r\n"
                         "Title=Authoring Test\r\n"
                         "DefaultFolder=%P\\Authoring Test\r\n"
                         "DefaultGroup=Authoring Test\r\n"
                         "Group=1\r\nDesktop=1\r\n"
                         "Files=Files\r\nRegMachine=Machine\r\nShortcuts=Shortcuts\r\n"
                         "[Files]\r\n"
                         "APP.EXE=%0\\App.exe," +
                             FileSize(set.Join("APP.EXE")) +
                             ",0,Program\r\n"
                             "Setup.exe=%0\\Setup.exe," +
                             FileSize(set.SetupExe()) +
                             ",0,Setup\r\n"
                             "Setup.dat=%0\\Setup.dat,@SELF@,0,Setup information\r\n"
                             "[Machine]\r\n"
                             "Software\\Authoring Test:1=Count|dword:1234abcd\r\n"
                             "Software\\Authoring Test:2=Small|DWORD:7\r\n"
                             "Software\\Authoring Test:3=Where|expand:%%SystemRoot%%\\%T\r\n"
                             "Software\\Authoring Test:4=Literal|\\dword:not a number\r\n"
                             "Software\\Authoring Test:5=Plain|expand\r\n"
                             "Software\\Authoring Test\\Deeper=|\\\\server\\share\r\n"
                             "[Shortcuts]\r\n"
                             "Authoring App=5,%0\\App.exe,%0,/open \"%0\\doc 1.txt\",%0\\App.exe,1\r\n"
                             "Authoring Notes=1,%0\\App.exe,%0,,%W\\NOTEPAD.EXE\r\n");

  ASSERT_EQ(RunToExit(set, "/S /LOG=" + logs.Join("install.log") + " /D=\"" + folder + "\""), 0u)
      << testsupport::ReadFile(logs.Join("install.log"));

  const KitRun query = RunCaptured("reg.exe query \"HKLM\\Software\\Authoring Test\" /s");
  ASSERT_EQ(query.exitCode, 0u) << query.output;
  EXPECT_EQ(QueriedValue(query.output, "Count"), "Count REG_DWORD 0x1234abcd") << query.output;
  EXPECT_EQ(QueriedValue(query.output, "Small"), "Small REG_DWORD 0x7") << query.output;
  EXPECT_EQ(QueriedValue(query.output, "Where"), "Where REG_EXPAND_SZ %SystemRoot%\\Authoring Test") << query.output;
  EXPECT_EQ(QueriedValue(query.output, "Literal"), "Literal REG_SZ dword:not a number") << query.output;
  EXPECT_EQ(QueriedValue(query.output, "Plain"), "Plain REG_SZ expand") << query.output;
  // A leading backslash before anything but a type word is the text's own.
  EXPECT_NE(query.output.find("\\\\server\\share"), std::string::npos) << query.output;

  const std::string group = AllUsersFolder("Programs") + "\\Authoring Test";
  const std::string app = folder + "\\App.exe";
  ExportLink(group + "\\Authoring App.lnk", "group_app",
             "Local path\t" + app + "\nWorking directory\t" + folder + "\nDescription\tAuthoring App\n" +
                 "Command line arguments\t/open \"" + folder + "\\doc 1.txt\"\nIcon location\t" + app +
                 "\nIcon index\t1\n");
  ExportLink(AllUsersFolder("Desktop") + "\\Authoring App.lnk", "desktop_app",
             "Local path\t" + app + "\nCommand line arguments\t/open \"" + folder + "\\doc 1.txt\"\n");
  ExportLink(group + "\\Authoring Notes.lnk", "group_notes",
             "Local path\t" + app + "\nIcon location\t" + std::string(windows) + "\\NOTEPAD.EXE\n");

  // The log says what was made, each key once, with the type of a number.
  const std::string log = testsupport::ReadFile(logs.Join("install.log"));
  EXPECT_EQ(Occurrences(log, "registry key created: HKEY_LOCAL_MACHINE\\Software\\Authoring Test\r\n"), 1u) << log;
  EXPECT_EQ(Occurrences(log, "registry key created: HKEY_LOCAL_MACHINE\\Software\\Authoring Test\\Deeper\r\n"), 1u) << log;
  EXPECT_EQ(Occurrences(log, "registry: value written: HKEY_LOCAL_MACHINE\\Software\\Authoring Test"), 6u) << log;
  EXPECT_NE(log.find("[Count] = 305441741 (number)"), std::string::npos) << log;
  EXPECT_NE(log.find("[Where] = %SystemRoot%\\Authoring Test (expandable)"), std::string::npos) << log;

  // The uninstall takes the key it made, once, with what it holds.
  ASSERT_EQ(RunToExit(set, "/S /LOG=" + logs.Join("remove.log") + " /U \"" + folder + "\""), 0u);
  const std::string removal = testsupport::ReadFile(logs.Join("remove.log"));
  EXPECT_EQ(Occurrences(removal, "registry key removed: HKEY_LOCAL_MACHINE\\Software\\Authoring Test\r\n"), 1u) << removal;
  EXPECT_EQ(Occurrences(removal, "registry key removed: HKEY_LOCAL_MACHINE\\Software\\Authoring Test"), 2u) << removal;
  HKEY gone = nullptr;
  EXPECT_NE(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Authoring Test", 0, KEY_READ, &gone), ERROR_SUCCESS);
  EXPECT_FALSE(testsupport::FileExists(group + "\\Authoring App.lnk"));
  EXPECT_FALSE(testsupport::FileExists(AllUsersFolder("Desktop") + "\\Authoring App.lnk"));
}

// 200 files in three levels, names with blanks; and a licence.
std::vector<std::string> MakeProduct(const std::string& product) {
  std::vector<std::string> names;
  auto add = [&](const std::string& name) {
    testsupport::WriteFile(product + "\\" + name, "content of " + name);
    names.push_back(name);
  };
  testsupport::WriteFile(product + "\\LICENSE.txt", "Use it as you like.\r\n");
  for (int i = 0; i < 20; ++i) add("top file " + std::to_string(i) + ".txt");
  for (const char* middle : {"Program Data", "bin"}) {
    CreateDirectoryA((product + "\\" + middle).c_str(), nullptr);
    for (int i = 0; i < 30; ++i) add(std::string(middle) + "\\part " + std::to_string(i) + ".dat");
    for (const char* inner : {"deep one", "deep two"}) {
      const std::string sub = std::string(middle) + "\\" + inner;
      CreateDirectoryA((product + "\\" + sub).c_str(), nullptr);
      for (int i = 0; i < 30; ++i) add(sub + "\\item " + std::to_string(i) + ".bin");
    }
  }
  return names;
}

TEST(Authoring, AProductFolderThatInitAndPackMakeASetOfInstallsAndGoesAgain) {
  testsupport::TempFolder product;
  const std::vector<std::string> names = MakeProduct(product.path());
  ASSERT_EQ(names.size(), 200u);
  InstallationSet set;
  const KitRun init = RunKit("init " + uiauto::QuoteArg(product.path()));
  ASSERT_EQ(init.exitCode, 0u) << init.output;
  const KitRun pack = RunKit("pack --setup " + uiauto::QuoteArg(uiauto::PathBesideThisExecutable("Setup.exe")) + " " +
                             uiauto::QuoteArg(product.path()) + " " + uiauto::QuoteArg(set.folder()));
  ASSERT_EQ(pack.exitCode, 0u) << pack.output;
  const KitRun check = RunKit("check " + uiauto::QuoteArg(set.folder()));
  EXPECT_EQ(check.exitCode, 0u) << check.output;

  const std::string folder = ProgramFiles() + "\\Init Product";
  testsupport::TempFolder logs;
  ASSERT_EQ(RunToExit(set, "/S /LOG=" + logs.Join("install.log") + " /D=\"" + folder + "\""), 0u)
      << testsupport::ReadFile(logs.Join("install.log"));
  for (const std::string& name : names)
    EXPECT_EQ(testsupport::ReadFile(folder + "\\" + name), "content of " + name) << name;
  EXPECT_TRUE(testsupport::FileExists(folder + "\\LICENSE.txt"));

  ASSERT_EQ(RunToExit(set, "/S /U \"" + folder + "\""), 0u);
  EXPECT_FALSE(testsupport::FileExists(folder + "\\bin\\deep two\\item 29.bin"));
  EXPECT_EQ(GetFileAttributesA(folder.c_str()), INVALID_FILE_ATTRIBUTES);
}

}  // namespace
}  // namespace e2e
