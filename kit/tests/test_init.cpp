// setupkit init, and pack's check before it writes: a product folder of
// three levels and 200 files becomes a set that check passes, and a
// faulty product gives every fault at once and no set at all.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "check.h"
#include "file_io.h"
#include "init.h"
#include "kit_fixture.h"
#include "pack.h"
#include "setup_file.h"

namespace fs = std::filesystem;

namespace {

// 200 files: 20 at the top, 60 in two folders below, 120 in four folders
// below those; names with blanks at every level, one with a "%".
std::vector<std::string> MakeProduct(const fs::path& product) {
  std::vector<std::string> keys;
  auto add = [&](const std::string& key, const std::string& content) {
    fs::path path = product;
    std::string rest = key;
    for (std::size_t at; (at = rest.find('\\')) != std::string::npos; rest.erase(0, at + 1)) path /= rest.substr(0, at);
    fs::create_directories(path);
    WriteWholeFile(path / rest, content);
    keys.push_back(key);
  };
  for (int i = 0; i < 19; ++i) add("read me " + std::to_string(i) + ".txt", "top " + std::to_string(i));
  add("LICENSE.md", "Use it as you like.\r\n");
  for (const char* folder : {"bin", "Shared Data"})
    for (int i = 0; i < 30; ++i)
      add(std::string(folder) + "\\part " + std::to_string(i) + ".dat", std::string(100 + i * 7, 'a' + i % 26));
  for (const char* folder : {"bin\\plug ins", "bin\\tools", "Shared Data\\en us", "Shared Data\\100%"})
    for (int i = 0; i < 30; ++i) add(std::string(folder) + "\\item " + std::to_string(i) + ".bin", std::string(i, 'x'));
  return keys;
}

std::vector<SectionLine> Lines(const SetupFile& setup, const char* section) {
  std::vector<SectionLine> lines;
  setup.Section(section, lines);
  return lines;
}

TEST(Init, AFolderOfThreeLevelsBecomesASetThatCheckPasses) {
  kittest::TempFolder product;
  kittest::TempFolder set;
  kittest::TempFolder build;
  const std::vector<std::string> keys = MakeProduct(product.path());
  ASSERT_EQ(keys.size(), 200u);
  // Names a list line cannot hold are left out and said so.
  WriteWholeFile(product.path() / "a=b.txt", "x");
  WriteWholeFile(product.path() / ";notes.txt", "x");

  const InitSummary summary = InitProduct(product.path());
  EXPECT_EQ(summary.files, 202u);
  EXPECT_EQ(summary.licence, "LICENSE.md");
  ASSERT_EQ(summary.skipped.size(), 2u);
  EXPECT_NE(summary.skipped[0].find(";notes.txt: a name beginning with"), std::string::npos) << summary.skipped[0];
  EXPECT_NE(summary.skipped[1].find("a=b.txt: a name with \"=\""), std::string::npos) << summary.skipped[1];

  // One line per file, in the folder's order, sizes left to pack; then
  // what the uninstall needs. Keys the author decides are comments.
  const SetupFile setup(ReadWholeFile(product.path() / "Setup.dat"));
  std::string value;
  EXPECT_TRUE(setup.Key("Setup", "Title", value));
  EXPECT_EQ(value, product.path().filename().string());
  EXPECT_TRUE(setup.Key("Setup", "License", value));
  EXPECT_EQ(value, "LICENSE.md");
  for (const char* undecided : {"Execute", "View", "Shortcuts", "RegMachine", "Check", "Version"})
    EXPECT_FALSE(setup.Key("Setup", undecided, value)) << undecided;
  EXPECT_NE(setup.text().find("\r\n;Execute=%0\\PROGRAM.EXE\r\n"), std::string::npos);
  const std::vector<SectionLine> files = Lines(setup, "Files");
  ASSERT_EQ(files.size(), 202u);
  std::vector<std::string> sorted = keys;
  std::sort(sorted.begin(), sorted.end());
  for (std::size_t i = 0; i < sorted.size(); ++i) {
    std::string escaped = sorted[i];
    for (std::size_t at = 0; (at = escaped.find('%', at)) != std::string::npos; at += 2) escaped.insert(at, "%");
    const std::string file = sorted[i].substr(sorted[i].find_last_of('\\') + 1);
    EXPECT_EQ(files[i].key + "=" + files[i].value, sorted[i] + "=%0\\" + escaped + ",?,0," + file);
  }
  EXPECT_EQ(files[200].key + "=" + files[200].value, "Setup.exe=%0\\Setup.exe,?,0,Setup program");
  EXPECT_EQ(files[201].key, "Setup.dat");
  EXPECT_TRUE(Lines(setup, "Machine").empty());

  // A second init would overwrite the author's work: refused.
  EXPECT_THROW(InitProduct(product.path()), KitError);

  WriteWholeFile(build.path() / "Setup.exe", "MZ" + std::string(3000, 'S'));
  PackOptions options;
  options.product = product.path();
  options.set = set.path();
  options.setupExe = build.path() / "Setup.exe";
  const PackSummary packed = Pack(options);
  EXPECT_EQ(packed.files, 202u);
  for (const Finding& finding : CheckSet(set.path())) EXPECT_FALSE(finding.error) << FormatFinding(finding);
  for (const std::string& key : keys) {
    fs::path found;
    EXPECT_TRUE(FindInFolder(set.path(), key, found)) << key;
  }
  EXPECT_TRUE(fs::exists(set.path() / "Shared Data" / "100%" / "item 29.bin"));
}

TEST(Init, PackListsEveryFaultOfTheProductAndWritesNothing) {
  kittest::ProductFixture fixture;
  std::string dat = kittest::ProductFixture::SetupDat();
  // Three files that are not there, a number that is none, an icon index
  // that is none; a warning alone would not stop the set.
  dat.replace(dat.find("NOISE.BIN="), 0,
              "GONE1.DLL=%0\\Gone1.dll,?,0,x\r\nbin\\GONE2.DLL=%0\\Gone2.dll,?,0,x\r\nGONE3.TXT=%0\\g3.txt\r\n");
  dat.replace(dat.find("Version|1.0"), 11, "Version|dword:1.0");
  dat.replace(dat.find("Read Me=1,%0\\README.TXT,%0"), 26, "Read Me=1,%0\\README.TXT,%0,,%0\\App.exe,x");
  WriteWholeFile(fixture.product().path() / "Setup.dat", dat);
  try {
    Pack(fixture.Options());
    ADD_FAILURE() << "pack wrote a set of a faulty product";
  } catch (const PackRefused& refused) {
    std::vector<int> lines;
    for (const Finding& finding : refused.findings())
      if (finding.error) lines.push_back(finding.line);
    EXPECT_EQ(lines, (std::vector<int>{kittest::LineOf(dat, "GONE1.DLL"), kittest::LineOf(dat, "GONE2.DLL"),
                                       kittest::LineOf(dat, "GONE3.TXT"), kittest::LineOf(dat, "dword:1.0"),
                                       kittest::LineOf(dat, "Read Me=")}))
        << refused.what();
    EXPECT_NE(std::string(refused.what()).find("bin\\GONE2.DLL is not in the product folder"), std::string::npos);
  }
  EXPECT_TRUE(fs::is_empty(fixture.set().path()));

  // Mended, the same product packs; typed values and link fields that are
  // right pass both pack's check and check's.
  dat.erase(dat.find("GONE1.DLL"), dat.find("NOISE.BIN=") - dat.find("GONE1.DLL"));
  dat.replace(dat.find("dword:1.0"), 9, "dword:1a2B3c4D");
  dat.replace(dat.find(",x\r\n"), 2, ",3");
  dat.insert(dat.find("\r\n[Shortcuts]"),
             "Software\\Kit Test:3=Path2|expand:%%SystemRoot%%\\kit\r\n"
             "Software\\Kit Test:4=Note|\\dword:not a number\r\n");
  WriteWholeFile(fixture.product().path() / "Setup.dat", dat);
  const PackSummary summary = Pack(fixture.Options());
  EXPECT_EQ(summary.files, 5u);
  for (const Finding& finding : summary.warnings) EXPECT_FALSE(finding.error) << FormatFinding(finding);
  for (const Finding& finding : CheckSet(fixture.set().path())) EXPECT_FALSE(finding.error) << FormatFinding(finding);
}

}  // namespace
