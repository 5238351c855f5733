#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "session/code_page_check.h"
#include "session/command_line.h"
#include "session/run_switches.h"
#include "platform/globals.h"

namespace {

struct Parsed {
  bool ok;
  DWORD uninstall;
  std::string folder;
};

Parsed Parse(const char* text) {
  g_uninstallMode = 0;
  std::memset(g_commandPath, 'x', sizeof g_commandPath);
  const bool ok = ParseCommandLine(text);
  return {ok, g_uninstallMode, std::string(g_commandPath)};
}

TEST(ParseCommandLine, RecognisesTheUninstallSwitchInAnyCase) {
  Parsed p = Parse("/u C:\\App");
  EXPECT_TRUE(p.ok);
  EXPECT_EQ(p.uninstall, 1u);
  EXPECT_EQ(p.folder, "C:\\App");

  p = Parse("/UC:\\App");
  EXPECT_EQ(p.uninstall, 1u);
  EXPECT_EQ(p.folder, "C:\\App");

  p = Parse("/Uninstall");
  EXPECT_EQ(p.uninstall, 1u);
  EXPECT_EQ(p.folder, "ninstall");
}

TEST(ParseCommandLine, SwitchAloneGivesAnEmptyFolder) {
  for (const char* text : {"/U", "/U   ", "/u"}) {
    Parsed p = Parse(text);
    EXPECT_EQ(p.uninstall, 1u) << text;
    EXPECT_EQ(p.folder, "") << text;
  }
}

TEST(ParseCommandLine, OnlySpacesAreSkippedAfterTheSwitch) {
  Parsed p = Parse("/U\tC:\\App");
  EXPECT_EQ(p.uninstall, 1u);
  EXPECT_EQ(p.folder, "\tC:\\App");
}

TEST(ParseCommandLine, AnythingElseIsTheInstallationSetFolder) {
  Parsed p = Parse("-U C:\\App");
  EXPECT_EQ(p.uninstall, 0u);
  EXPECT_EQ(p.folder, "-U C:\\App");

  p = Parse("D:\\Set With Blanks\\ ");
  EXPECT_EQ(p.uninstall, 0u);
  EXPECT_EQ(p.folder, "D:\\Set With Blanks\\ ");

  p = Parse("");
  EXPECT_EQ(p.uninstall, 0u);
  EXPECT_EQ(p.folder, "");
}

TEST(ParseCommandLine, RemovesOneEnclosingPairOfQuotes) {
  Parsed p = Parse("/U \"C:\\Program Files\\Example\"");
  EXPECT_EQ(p.uninstall, 1u);
  EXPECT_EQ(p.folder, "C:\\Program Files\\Example");

  p = Parse("\"\"D:\\Set\"\"");
  EXPECT_EQ(p.folder, "\"D:\\Set\"");

  p = Parse("\"D:\\Half");  // no closing quote: kept as it is
  EXPECT_EQ(p.folder, "\"D:\\Half");
}

TEST(ParseCommandLine, RefusesAFolderThatDoesNotFitAPath) {
  const std::string fits(259, 'a');
  Parsed p = Parse(fits.c_str());
  EXPECT_TRUE(p.ok);
  EXPECT_EQ(p.folder, fits);

  const std::string tooLong(260, 'b');
  p = Parse(tooLong.c_str());
  EXPECT_FALSE(p.ok);
  EXPECT_EQ(p.folder, "");

  const std::string uninstallTooLong = "/U " + std::string(300, 'c');
  p = Parse(uninstallTooLong.c_str());
  EXPECT_FALSE(p.ok);
  EXPECT_EQ(p.folder, "");
  // The quotes do not count against the length.
  const std::string quoted = "\"" + std::string(259, 'd') + "\"";
  p = Parse(quoted.c_str());
  EXPECT_TRUE(p.ok);
  EXPECT_EQ(p.folder.size(), 259u);
}

}  // namespace

namespace {

struct Switched {
  bool ok;
  bool silent;
  std::string folder;
  std::string log;
  std::string unknown;
  std::string rest;
};

Switched TakeSwitches(const char* text) {
  char log[kPathSize];
  char unknown[64];
  const char* rest = text;
  const bool ok = TakeLeadingSwitches(rest, log, sizeof log, unknown, sizeof unknown);
  return {ok, g_silent, g_folderSwitch, log, unknown, rest};
}

TEST(TakeLeadingSwitches, TakeOnlyTheirOwnAndLeaveTheRestAsItWas) {
  Switched s = TakeSwitches("/S /LOG=C:\\i.log /D=C:\\Apps\\My Editor");
  EXPECT_TRUE(s.ok && s.silent);
  EXPECT_EQ(s.log, "C:\\i.log");
  EXPECT_EQ(s.folder, "C:\\Apps\\My Editor");
  EXPECT_EQ(s.rest, "");

  // A folder runs to the next switch; one pair of quotes goes.
  s = TakeSwitches("/d=\"C:\\Program Files\\Editor\" /s /U C:\\Apps\\Editor");
  EXPECT_TRUE(s.ok && s.silent);
  EXPECT_EQ(s.folder, "C:\\Program Files\\Editor");
  EXPECT_EQ(s.rest, "/U C:\\Apps\\Editor");
  Parsed p = Parse(s.rest.c_str());
  EXPECT_EQ(p.uninstall, 1u);
  EXPECT_EQ(p.folder, "C:\\Apps\\Editor");

  // Every command line of before means what it meant.
  for (const char* old : {"", "C:\\Set", "/U C:\\App", "/u C:\\App", "/UC:\\App", "\"C:\\My Set\""}) {
    s = TakeSwitches(old);
    EXPECT_TRUE(s.ok) << old;
    EXPECT_FALSE(s.silent) << old;
    EXPECT_EQ(s.folder, "") << old;
    EXPECT_EQ(s.rest, old) << old;
  }

  // Unknown switches, and paths that would not fit, are refused.
  s = TakeSwitches("/S /Quiet C:\\Set");
  EXPECT_FALSE(s.ok);
  EXPECT_EQ(s.unknown, "/Quiet");
  s = TakeSwitches("/Silent");
  EXPECT_FALSE(s.ok);
  EXPECT_EQ(s.unknown, "/Silent");
  s = TakeSwitches(("/D=C:\\" + std::string(300, 'd')).c_str());
  EXPECT_FALSE(s.ok);
  EXPECT_EQ(s.unknown, "/D=");
}

}  // namespace

namespace {

// What launchers that quote every argument, and administrators, write.
TEST(TakeLeadingSwitches, QuotedWholeOrNotEachSwitchTakesItsOwnTextAlone) {
  struct Row {
    const char* line;
    bool ok, silent;
    const char* folder;
    const char* log;
    const char* rest;  // or, when refused, the switch named
  };
  const Row rows[] = {
      {"\"/D=C:\\Program Files\\X\" /S", true, true, "C:\\Program Files\\X", "", ""},
      {"\"/S\" \"/LOG=C:\\My Logs\\a.log\" \"/D=C:\\P F\\X\"", true, true, "C:\\P F\\X", "C:\\My Logs\\a.log", ""},
      // A log ends where the next switch begins, quoted whole or not.
      {"/LOG=C:\\a.log \"/D=C:\\Program Files\\X\"", true, false, "C:\\Program Files\\X", "C:\\a.log", ""},
      {"/LOG=C:\\a b.log /S", true, true, "", "C:\\a b.log", ""},
      // Inside quotes " /" is a part of the path.
      {"/D=\"C:\\a /b\" /S", true, true, "C:\\a /b", "", ""},
      {"\"/s\" \"/U\" \"C:\\Program Files\\X\"", true, true, "", "", "\"/U\" \"C:\\Program Files\\X\""},
      {"\"/X\" /S", false, false, "", "", "\"/X\""},
      {"\"/D=C:\\X", false, false, "", "", "\"/D=C:\\X"},
      {"\"/D=C:\\X\"junk", false, false, "", "", "\"/D=C:\\X\"junk"},
      {"\"/Silent\"", false, false, "", "", "\"/Silent\""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.line);
    const Switched s = TakeSwitches(row.line);
    EXPECT_EQ(s.ok, row.ok);
    EXPECT_EQ(s.silent, row.silent);
    EXPECT_EQ(s.folder, row.folder);
    EXPECT_EQ(s.log, row.log);
    EXPECT_EQ(row.ok ? s.rest : s.unknown, row.rest);
  }
  // "/U" quoted whole is the uninstall switch of before.
  Parsed p = Parse("\"/U\" \"C:\\Program Files\\X\"");
  EXPECT_EQ(p.uninstall, 1u);
  EXPECT_EQ(p.folder, "C:\\Program Files\\X");
  p = Parse("\"/Uninstall\"");
  EXPECT_EQ(p.uninstall, 0u);
}

TEST(ArgumentsFitCodePage, OnlyArgumentsThatComeBackUnchangedFit) {
  EXPECT_TRUE(ArgumentsFitCodePage(nullptr));
  EXPECT_TRUE(ArgumentsFitCodePage(L"Setup.exe"));
  EXPECT_TRUE(ArgumentsFitCodePage(L"\"C:\\Set Folder\\Setup.exe\" /S /D=C:\\Plain"));
  // The program's own name is not an argument: its folder is the set's.
  EXPECT_TRUE(ArgumentsFitCodePage(L"\"C:\\\x3A9mega\\Setup.exe\" /S"));
  // Omega would arrive as "O" or "?": another folder.
  EXPECT_FALSE(ArgumentsFitCodePage(L"Setup.exe /D=C:\\\x3A9mega"));
  EXPECT_FALSE(ArgumentsFitCodePage(L"\"C:\\Set\\Setup.exe\" /U C:\\\x4E2D"));
  // A character the code page has is kept (e with acute accent in 1252).
  char narrow[4] = {};
  BOOL lost = FALSE;
  if (WideCharToMultiByte(CP_ACP, 0, L"\xE9", -1, narrow, sizeof narrow, nullptr, &lost) && !lost) {
    EXPECT_TRUE(ArgumentsFitCodePage(L"Setup.exe /D=C:\\Caf\xE9"));
  }
}

}  // namespace
