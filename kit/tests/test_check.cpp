// setupkit check: a corpus of sets with one fault each, made from a set
// that pack made and check passes. Each must give its finding on its line,
// and no other error: an error where Setup.exe would refuse the set, stop
// or ask, a warning where it installs the set without a word.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "check.h"
#include "file_io.h"
#include "kit_fixture.h"

namespace fs = std::filesystem;

namespace {

void Replace(std::string& text, const std::string& from, const std::string& to) {
  const std::size_t at = text.find(from);
  ASSERT_NE(at, std::string::npos) << from;
  text.replace(at, from.size(), to);
}

// An edited Setup.dat lists its own new size, so that the one fault made
// is the only one.
void KeepOwnSize(std::string& dat) {
  const std::string line = "Setup.dat=%0\\Setup.dat,";
  const std::size_t at = dat.find(line);
  if (at == std::string::npos) return;
  const std::size_t from = at + line.size();
  for (int round = 0; round < 4; ++round) {
    const std::size_t to = dat.find_first_not_of("0123456789", from);
    dat.replace(from, to - from, std::to_string(dat.size()));
  }
}

struct Fault {
  const char* name;
  // Changes Setup.dat's text, or the set's files.
  std::function<void(std::string& dat, const fs::path& set)> make;
  const char* lineHolding;  // the text on the line the finding must name; "" for line 1
  const char* says;         // part of the finding's text
  int errors = 1;           // in all; 0: the finding is a warning
};

std::vector<Fault> Corpus() {
  const std::string longName(150, 'x');
  return {
      {"no title", [](std::string& dat, const fs::path&) { Replace(dat, "Title=Kit Test 1.0\r\n", ""); }, "",
       "no Title"},
      {"list named but absent",
       [](std::string& dat, const fs::path&) { Replace(dat, "Shortcuts=Shortcuts", "Shortcuts=Links"); },
       "Shortcuts=Links", "[Links] that Shortcuts names is missing"},
      {"list named but empty",
       [](std::string& dat, const fs::path&) {
         Replace(dat, "Software\\Kit Test=Path|%0\r\nSoftware\\Kit Test:2=Version|1.0\r\n", "");
       },
       "RegMachine=", "[Machine] that RegMachine names is missing or empty"},
      {"value over 255 characters",
       [](std::string& dat, const fs::path&) { Replace(dat, "Version|1.0", "Version|" + std::string(250, 'v')); },
       "Software\\Kit Test:2=", "longer than 255"},
      {"value beginning with !", [](std::string& dat, const fs::path&) { Replace(dat, "Version|1.0", "!Version|1.0"); },
       "!Version", "has no value"},
      {"registry line without a key path",
       [](std::string& dat, const fs::path&) { Replace(dat, "Software\\Kit Test:2=", ":2="); },
       ":2=", "names no registry key"},
      {"size that is no count",
       [](std::string& dat, const fs::path&) { Replace(dat, "Noise.bin,5000,", "Noise.bin, ?,"); },
       "NOISE.BIN=", "not a number of bytes"},
      {"files past 4 GB",
       // Each size reads as at most 2^31 - 1, as in Setup.exe: the third
       // line passes 4 GB (each also differs from its file).
       [](std::string& dat, const fs::path&) {
         for (const char* name : {"App.exe,", "README.TXT,", "Noise.bin,"}) {
           const std::size_t at = dat.find(name) + std::string(name).size();
           dat.replace(at, dat.find(',', at) - at, "99999999999");
         }
       },
       "NOISE.BIN=", "more than 4 GB", 4},
      {"source missing", [](std::string&, const fs::path& set) { fs::remove(set / "NOISE.BIN"); },
       "NOISE.BIN=", "NOISE.BIN is not in the set"},
      {"per-user set with a machine list",
       [](std::string& dat, const fs::path&) { Replace(dat, "Title=Kit Test 1.0\r\n", "Title=Kit Test 1.0\r\nScope=user\r\n"); },
       "RegMachine=", "a per-user installation writes only below HKEY_CURRENT_USER"},
      {"per-user set with a system file",
       [](std::string& dat, const fs::path&) {
         Replace(dat, "Title=Kit Test 1.0\r\n", "Title=Kit Test 1.0\r\nScope=choose\r\n");
         Replace(dat, "RegMachine=Machine", "RegUser=Machine");
         Replace(dat, "%0\\Noise.bin", "%S\\Noise.bin");
       },
       "NOISE.BIN=", "cannot install into the system folder"},
      {"per-user set with a shared file",
       [](std::string& dat, const fs::path&) {
         Replace(dat, "Title=Kit Test 1.0\r\n", "Title=Kit Test 1.0\r\nScope=user\r\n");
         Replace(dat, "RegMachine=Machine", "RegUser=Machine");
         Replace(dat, "Noise.bin,5000,0", "Noise.bin,5000,1");
       },
       "NOISE.BIN=", "keeps no shared files"},
      {"size differs from the expanded size",
       [](std::string& dat, const fs::path&) { Replace(dat, "Noise.bin,5000,", "Noise.bin,5001,"); },
       "NOISE.BIN=", "says 5001 bytes; NOISE.BIN expands to 5000"},
      {"packed size differs", [](std::string& dat, const fs::path&) { Replace(dat, "App.exe,", "App.exe,1"); },
       "APP.EXE=", "APP.EXE expands to"},
      {"destination without a folder",
       [](std::string& dat, const fs::path&) { Replace(dat, "%0\\Noise.bin", "Noise.bin"); },
       "NOISE.BIN=", "has no folder part"},
      {"undefined variable", [](std::string& dat, const fs::path&) { Replace(dat, "%0\\Noise.bin", "%Q\\Noise.bin"); },
       "NOISE.BIN=", "%Q is not defined"},
      {"undefined variable in what completion starts",
       [](std::string& dat, const fs::path&) {
         Replace(dat, "App=Kit Test\r\n", "App=Kit Test\r\nExecute=%Y\\App.exe\r\n");
       },
       "Execute=", "%Y is not defined"},
      {"path too long",
       [longName](std::string& dat, const fs::path&) { Replace(dat, "%0\\Noise.bin", "%G\\%G\\" + longName); },
       "NOISE.BIN=", "characters long with the default folder"},
      {"link path too long",
       [longName](std::string& dat, const fs::path&) {
         Replace(dat, "DefaultGroup=Kit Test", "DefaultGroup=" + longName + "\\" + longName);
       },
       "Kit Test=1,", "characters long", 2},
      {"registry root on the line",
       [](std::string& dat, const fs::path&) {
         Replace(dat, "Software\\Kit Test=Path", "HKEY_LOCAL_MACHINE\\Software\\Kit Test=Path");
       },
       "HKEY_LOCAL_MACHINE", "names a root"},
      {"registry line without a bar",
       [](std::string& dat, const fs::path&) { Replace(dat, "Version|1.0", "Version 1.0"); }, "Version 1.0",
       "no \"|\""},
      {"registry path with an empty level",
       [](std::string& dat, const fs::path&) { Replace(dat, "Software\\Kit Test:2", "Software\\\\Kit Test:2"); },
       "Software\\\\Kit", "empty level"},
      {"shortcut without a working folder",
       // A field that would begin at the end of the line is absent.
       [](std::string& dat, const fs::path&) {
         Replace(dat, "Read Me=1,%0\\README.TXT,%0", "Read Me=1,%0\\README.TXT,");
       },
       "Read Me=", "no working folder"},
      {"registry line without data", [](std::string& dat, const fs::path&) { Replace(dat, "Version|1.0", "Version|"); },
       "Software\\Kit Test:2=", "no data after the \"|\""},
      {"size field empty", [](std::string& dat, const fs::path&) { Replace(dat, "Noise.bin,5000,", "Noise.bin,,"); },
       "NOISE.BIN=", "the size field is empty, which Setup.exe reads as 0 bytes; NOISE.BIN expands to 5000"},
      {"size field missing",
       [](std::string& dat, const fs::path&) { Replace(dat, "Noise.bin,5000,0,Random data", "Noise.bin"); },
       "NOISE.BIN=", "the size field is missing"},
      {"licence missing", [](std::string&, const fs::path& set) { fs::remove(set / "LICENSE.TXT"); },
       "License=", "LICENSE.TXT is not in the set"},
      {"licence empty", [](std::string&, const fs::path& set) { WriteWholeFile(set / "LICENSE.TXT", ""); },
       "License=", "is empty"},
      {"duplicate destination", [](std::string& dat, const fs::path&) { Replace(dat, "%0\\Noise.bin", "%0\\app.EXE"); },
       "NOISE.BIN=", "installed by an earlier line"},
      {"dword that is no number",
       [](std::string& dat, const fs::path&) { Replace(dat, "Version|1.0", "Version|dword:12g4"); },
       "Software\\Kit Test:2=", "dword:12g4 is not a number"},
      {"dword of nine digits",
       [](std::string& dat, const fs::path&) { Replace(dat, "Version|1.0", "Version|DWORD:123456789"); },
       "Software\\Kit Test:2=", "DWORD:123456789 is not a number"},
      {"dword without digits", [](std::string& dat, const fs::path&) { Replace(dat, "Version|1.0", "Version|dword:"); },
       "Software\\Kit Test:2=", "is not a number: dword: takes 1 to 8 hex digits"},
      {"icon index that is no number",
       [](std::string& dat, const fs::path&) {
         Replace(dat, "Kit Test=1,%0\\App.exe,%0", "Kit Test=1,%0\\App.exe,%0,/x,%0\\App.exe,first");
       },
       "Kit Test=1,", "the icon index first is not a number"},
      {"undefined variable in link arguments",
       [](std::string& dat, const fs::path&) {
         Replace(dat, "Read Me=1,%0\\README.TXT,%0", "Read Me=1,%0\\README.TXT,%0,/open %Q");
       },
       "Read Me=", "the variable %Q is not defined"},
      {"shortcut with a field past the icon index",
       [](std::string& dat, const fs::path&) {
         Replace(dat, "Read Me=1,%0\\README.TXT,%0", "Read Me=1,%0\\README.TXT,%0,a,%0\\App.exe,2,b");
       },
       "Read Me=", "fields after the icon index"},
  };
}

void RemoveLine(std::string& dat, const std::string& start) {
  const std::size_t at = dat.find(start);
  ASSERT_NE(at, std::string::npos) << start;
  dat.erase(at, dat.find('\n', at) + 1 - at);
}

// Faults that Setup.exe installs through: the set passes with a warning.
std::vector<Fault> Oddities() {
  return {
      {"Setup.dat not installed", [](std::string& dat, const fs::path&) { RemoveLine(dat, "Setup.dat="); }, "",
       "does not install Setup.dat: the product could not be uninstalled", 0},
      {"Setup.exe not installed", [](std::string& dat, const fs::path&) { RemoveLine(dat, "Setup.exe="); }, "",
       "does not install Setup.exe", 0},
      {"shortcut to a program the machine has",
       [](std::string& dat, const fs::path&) { Replace(dat, "Read Me=1,%0\\README.TXT", "Read Me=1,%W\\NOTEPAD.EXE"); },
       "Read Me=", "no file line installs the shortcut's target C:\\WINDOWS\\NOTEPAD.EXE", 0},
      {"empty file with an empty size",
       [](std::string& dat, const fs::path& set) {
         WriteWholeFile(set / "EMPTY.TXT", "");
         Replace(dat, "Setup.exe=", "EMPTY.TXT=%0\\Empty.txt,,0,Nothing yet\r\nSetup.exe=");
       },
       "EMPTY.TXT=", "the size field is empty: setupkit pack fills it in", 0},
      {"icon file no line installs",
       [](std::string& dat, const fs::path&) {
         Replace(dat, "Read Me=1,%0\\README.TXT,%0", "Read Me=1,%0\\README.TXT,%0,,%S\\shell32.dll,3");
       },
       "Read Me=", "no file line installs the icon file C:\\WINDOWS\\system32\\shell32.dll", 0},
  };
}

// Makes `fault` in a copy of the set at `packed` and checks it: the finding
// on its line, of its kind, and nothing else but `fault.errors` errors.
void ExpectFound(const Fault& fault, const fs::path& packed, const std::string& dat) {
  SCOPED_TRACE(fault.name);
  kittest::TempFolder set;
  // File by file: MinGW's library will not copy into a folder that exists.
  for (const auto& entry : fs::directory_iterator(packed))
    fs::copy_file(entry.path(), set.path() / entry.path().filename());
  std::string broken = dat;
  fault.make(broken, set.path());
  KeepOwnSize(broken);
  WriteWholeFile(set.path() / "Setup.dat", broken);

  const std::vector<Finding> findings = CheckSet(set.path());
  const int line = *fault.lineHolding ? kittest::LineOf(broken, fault.lineHolding) : 1;
  ASSERT_GT(line, 0);
  const std::string kind = fault.errors > 0 ? ": error: " : ": warning: ";
  int errors = 0;
  bool found = false;
  for (const Finding& finding : findings) {
    errors += finding.error ? 1 : 0;
    const std::string text = FormatFinding(finding);
    if (text.find("Setup.dat:" + std::to_string(line) + kind) == 0 && text.find(fault.says) != std::string::npos)
      found = true;
  }
  EXPECT_TRUE(found) << "line " << line << " has no" << (fault.errors > 0 ? " error" : " warning")
                     << " saying: " << fault.says;
  EXPECT_EQ(errors, fault.errors);
  const std::size_t expected = fault.errors > 0 ? static_cast<std::size_t>(fault.errors) : 1u;
  EXPECT_EQ(findings.size(), expected);
  if (!found || errors != fault.errors || findings.size() != expected)
    for (const Finding& finding : findings) ADD_FAILURE() << FormatFinding(finding);
}

TEST(Check, EachFaultOfTheCorpusIsFoundOnItsLineAndAloneWhileThePackedSetPasses) {
  kittest::ProductFixture fixture;
  Pack(fixture.Options());
  const fs::path packed = fixture.set().path();
  const std::string dat = ReadWholeFile(packed / "Setup.dat");
  for (const Finding& finding : CheckSet(packed)) ADD_FAILURE() << "the packed set: " << FormatFinding(finding);
  for (const Fault& fault : Corpus()) ExpectFound(fault, packed, dat);
}

TEST(Check, WhatSetupExeInstallsThroughIsAWarningAndASetWithoutSetupDatIsRefused) {
  kittest::ProductFixture fixture;
  Pack(fixture.Options());
  const fs::path packed = fixture.set().path();
  const std::string dat = ReadWholeFile(packed / "Setup.dat");
  for (const Fault& fault : Oddities()) ExpectFound(fault, packed, dat);
  kittest::TempFolder empty;
  EXPECT_THROW(CheckSet(empty.path()), KitError);
}

}  // namespace
